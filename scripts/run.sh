#!/bin/sh
# Builds and starts the program; a demo collection is generated when build/bin/Podatci is missing.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
bin="$root/build/bin"
if [ ! -d "$bin/Podatci" ] && [ -x "$bin/korvelin-demo" ]; then
    "$bin/korvelin-demo" "$bin/Podatci"
fi
exec "$bin/korvelin" "$@"
