#!/bin/sh
# Builds every variant and runs all tests: 64-bit, 32-bit x86 (real stdcall),
# address/undefined sanitizers, the fuzz target (one minute of fuzzing and
# every kept finding), then tvboard.sys cross-built twice, with MinGW-w64's
# GCC and in MSVC mode with clang and lld-link (the image that ships, with its
# PDB and a test signature), each checked and run under Wine. Both libtvboard.so builds and
# both tvboard.sys builds are run through the bench's host scenarios and
# compared with the reference; the images with the timelines the Linux build
# recorded, so a difference that only a Windows compiler makes shows as well.
# Last, the release archives are made and checked against what was tested.
# First of all, every deliberate fault of tests/faults.txt must still apply
# where it says (scripts/faults.sh --check): a stale entry fails the run
# before anything is built.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
echo "=== fault list"
mkdir -p build
scripts/faults.sh --check >build/faults-check.txt ||
    { grep -v '^APPLIES' build/faults-check.txt >&2; exit 1; }
tail -n 1 build/faults-check.txt
reference=$(pwd)/build/conform-reference.txt
# The images before the 32-bit build, which runs them on virtual time and
# replays every kept fuzz input on them.
images="$(pwd)/build/msvc/tvboard.sys;$(pwd)/build/mingw/tvboard.sys"
for preset in default mingw msvc i386 asan fuzz; do
    echo "=== $preset"
    if [ "$preset" = mingw ]; then
        build/default/bench/tvboard record --out "$reference"
    fi
    case $preset in
    mingw | msvc) cmake --preset "$preset" -DTVB_CONFORM_REFERENCE="$reference" >/dev/null ;;
    i386) cmake --preset "$preset" -DTVB_SYS_IMAGES="$images" >/dev/null ;;
    *) cmake --preset "$preset" >/dev/null ;;
    esac
    cmake --build --preset "$preset"
    # Three at a time on the machine's two cores: the tests that wait for
    # real (the conformance of the built libraries, the images under Wine)
    # mostly sleep, so a third keeps the cores busy meanwhile; the one-minute
    # fuzz runs beside the bench parsers' fuzzing. (Real waits only have to
    # be long enough.)
    ctest --preset "$preset" --parallel 3
done
echo "=== release archives"
version=$(sed -n 's/^project(tvboard VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cpack --preset windows >/dev/null
cpack --preset linux >/dev/null
/usr/bin/python3 tests/platforms/check_package.py build/msvc/tvboard-"$version"-windows-x86.zip \
    build/msvc build/default/tvboard-"$version"-linux.tar.gz build/default build/i386
echo "=== all variants passed"
