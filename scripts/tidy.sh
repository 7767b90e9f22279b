#!/bin/sh
# Runs clang-tidy over our sources with the default build's compile commands
# (minus the GCC-only flags clang does not know). Prints findings; exit 0.
set -eu
cd "$(dirname "$0")/.."
[ -f build/default/compile_commands.json ] || cmake --preset default >/dev/null
mkdir -p build/tidy
sed -e 's/-fno-tree-loop-distribute-patterns//g' build/default/compile_commands.json \
    >build/tidy/compile_commands.json
# (The Windows kernel services build only with MinGW's headers.)
files=${*:-$(git ls-files 'frame/*.cpp' 'video/*.cpp' 'audio/*.cpp' 'tuner/*.cpp' 'emu/*.cpp' 'tools/*.cpp' |
    grep -v 'frame/ks_constants_windows.cpp')}
# shellcheck disable=SC2086
clang-tidy -p build/tidy --quiet $files 2>/dev/null | grep -E 'warning:|error:' || echo "clang-tidy: clean"
