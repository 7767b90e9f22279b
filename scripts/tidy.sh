#!/bin/sh
# Runs clang-tidy over our sources (or the files named) with the default
# build's compile commands, minus the GCC-only flags clang does not know.
# Prints every finding; exits 0 only when clang-tidy ran and found nothing,
# 1 on findings, when clang-tidy is missing or when it could not check a file.
# (The tests are left out by default: with GoogleTest they take minutes; name
# them to check them: scripts/tidy.sh $(git ls-files 'tests/*.cpp').)
set -eu
cd "$(dirname "$0")/.."
if ! command -v clang-tidy >/dev/null 2>&1; then
    echo "tidy: clang-tidy is not installed (Debian package clang-tidy; scripts/setup.sh installs it)" >&2
    exit 1
fi
[ -f build/default/compile_commands.json ] || cmake --preset default >/dev/null
mkdir -p build/tidy
sed -e 's/-fno-tree-loop-distribute-patterns//g' build/default/compile_commands.json \
    >build/tidy/compile_commands.json
# (The Windows kernel services build only with MinGW's headers.)
files=${*:-$(git ls-files 'module/*.cpp' 'harness/*.cpp')}
out=build/tidy/findings.txt
err=build/tidy/stderr.txt
status=0
# shellcheck disable=SC2086
clang-tidy -p build/tidy --quiet $files >"$out" 2>"$err" || status=$?
findings=$(grep -cE '(warning|error):' "$out" || true)
if [ "$findings" -ne 0 ]; then
    cat "$out"
    echo "clang-tidy: $findings finding(s)" >&2
    exit 1
fi
if [ "$status" -ne 0 ]; then
    # Nothing on stdout, yet clang-tidy failed: it could not check something.
    grep -v 'warnings generated\.$' "$err" >&2 || true
    echo "clang-tidy: failed with exit status $status" >&2
    exit 1
fi
echo "clang-tidy: clean ($(echo "$files" | wc -w) files)"
