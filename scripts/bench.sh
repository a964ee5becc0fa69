#!/bin/sh
# Builds and runs every benchmark (each is built in its folder under build/bench); each prints its
# figures against its targets.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
find "$root/build/bench" -type f -name 'bench_*' -perm -u+x | sort | while IFS= read -r b; do
    echo "== $(basename "$b")"
    QT_QPA_PLATFORM=offscreen "$b"
done
