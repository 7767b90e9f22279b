#!/bin/sh
# Builds every variant and runs all tests: 64-bit, 32-bit x86 (real stdcall),
# address/undefined sanitizers, the fuzz target (one minute of fuzzing and
# every kept finding), then tvboard.sys cross-built with MinGW-w64,
# checked, and run under Wine. Both libtvboard.so builds and tvboard.sys are
# run through the bench's host scenarios and compared with the reference;
# tvboard.sys with the timelines the Linux build recorded, so a difference
# that only the MinGW compiler makes shows as well. First, every deliberate
# fault of tests/faults.txt must still apply where it says (scripts/faults.sh
# --check): a stale entry fails the run before anything is built.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
echo "=== fault list"
mkdir -p build
scripts/faults.sh --check >build/faults-check.txt ||
    { grep -v '^APPLIES' build/faults-check.txt >&2; exit 1; }
tail -n 1 build/faults-check.txt
reference=$(pwd)/build/conform-reference.txt
for preset in default i386 asan fuzz mingw; do
    echo "=== $preset"
    if [ "$preset" = mingw ]; then
        build/default/bench/tvboard record --out "$reference"
        cmake --preset "$preset" -DTVB_CONFORM_REFERENCE="$reference" >/dev/null
    else
        cmake --preset "$preset" >/dev/null
    fi
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
echo "=== all variants passed"
