#!/bin/sh
# Builds every variant and runs all tests: 64-bit, 32-bit x86 (real stdcall),
# address/undefined sanitizers, then tvboard.sys cross-built with MinGW-w64
# and checked (exports, imports, calling conventions, layout).
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in default i386 asan mingw; do
    echo "=== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
echo "=== all variants passed"
