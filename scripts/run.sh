#!/bin/sh
# Builds and starts the program; a demo collection (and the configuration file of a fresh install)
# is generated when build/bin/Podatci is missing.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: Korvelin is a desktop program and needs a graphical session (DISPLAY or WAYLAND_DISPLAY)." >&2
    exit 1
fi
"$root/scripts/build.sh"
bin="$root/build/bin"
if [ ! -d "$bin/Podatci" ] && [ -x "$bin/korvelin-demo" ]; then
    "$bin/korvelin-demo" "$bin/Podatci"
fi
exec "$bin/korvelin" "$@"
