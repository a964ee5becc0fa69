#!/bin/sh
# Builds and runs every benchmark; each prints its figures and targets.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
for b in "$root"/build/bin/bench_*; do
    echo "== $(basename "$b")"
    QT_QPA_PLATFORM=offscreen "$b"
done
