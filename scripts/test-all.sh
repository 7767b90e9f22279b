#!/bin/sh
# Builds every variant and runs all tests: 64-bit, 32-bit x86 (real stdcall),
# address/undefined sanitizers.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in default i386 asan; do
    echo "=== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
echo "=== all variants passed"
