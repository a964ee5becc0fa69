#!/bin/sh
# Builds and runs every test, without a screen: first in the normal build (build/), then once
# more in a build made with AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize/),
# where a read past a buffer, a leak or undefined behaviour fails the test that meets it.
# Arguments go to both ctest runs (for example -R tst_engine). KORVELIN_SANITIZE=0 skips the
# second run, for a quicker round while working; CI always runs both.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/build.sh"
cd "$root/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" "$@"

[ "${KORVELIN_SANITIZE:-1}" = 0 ] && exit 0
echo "== The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVELIN_SANITIZE=ON \
    -DKORVELIN_BUILD_BENCH=OFF
cmake --build "$root/build-sanitize" -j "$jobs"
cd "$root/build-sanitize"
# Leaks are checked when each test ends; the suppressions name only libraries of others (Qt's
# plug-ins, fontconfig), never the program's own code.
ASAN_OPTIONS=detect_leaks=1 \
LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp":print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" "$@"
