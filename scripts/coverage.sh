#!/bin/sh
# The module's line coverage from its tests. Builds the `coverage` preset
# (clang with source-based coverage of the module on virtual time), runs the
# module's tests (tvboard_tests: the GoogleTest binary on virtual time; not the
# real-time conformance runs) with LLVM_PROFILE_FILE set, merges the profiles,
# then prints llvm-cov's report for the module's files (frame/, decoder/,
# tuner/, video/, audio/, ops/, exports/; not the kernel-services files
# module/frame/kernel_*, which are platform glue with tests of their own) and every line
# of them that no test ran, as file:line and the line's text.
#
# usage: scripts/coverage.sh [--min PERCENT]
#   --min  exit 1 when the module's line coverage is below PERCENT
# The merged profile and the report stay in build/coverage/profile/.
set -eu
cd "$(dirname "$0")/.."

min=""
while [ $# -gt 0 ]; do
    case $1 in
    --min) min=$2; shift ;;
    -h | --help) sed -n '2,/^set -eu/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "coverage: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done

profdata=${LLVM_PROFDATA:-llvm-profdata}
cov=${LLVM_COV:-llvm-cov}
for tool in clang++ "$profdata" "$cov"; do
    command -v "$tool" >/dev/null 2>&1 ||
        { echo "coverage: $tool is not installed (Debian packages clang, llvm)" >&2; exit 2; }
done

cmake --preset coverage >/dev/null
cmake --build --preset coverage

tests=build/coverage/tests/module/tvboard_tests
out=build/coverage/profile
rm -rf "$out"
mkdir -p "$out"
if ! LLVM_PROFILE_FILE="$out/tests-%p.profraw" "$tests" >"$out/tests.log" 2>&1; then
    tail -n 30 "$out/tests.log" >&2
    echo "coverage: the tests failed; see $out/tests.log" >&2
    exit 1
fi
"$profdata" merge -sparse "$out"/*.profraw -o "$out/tests.profdata"

# The module's sources, headers included (their inline code counts too).
files=$(git ls-files 'module/*' | grep -E '\.(cpp|h)$' |
    grep -v '^module/frame/kernel_\|^module/include/\|^module/regmap/')

# shellcheck disable=SC2086
"$cov" report "$tests" -instr-profile="$out/tests.profdata" $files | tee "$out/report.txt"

# Uncovered lines from the line records of an lcov export: "SF:file", then
# "DA:line,count" for every line with code.
echo
echo "Lines no test ran:"
# shellcheck disable=SC2086
"$cov" export "$tests" -instr-profile="$out/tests.profdata" -format=lcov $files >"$out/tests.lcov"
root=$(pwd)/
awk -v root="$root" '
    /^SF:/ {
        file = substr($0, 4); name = file
        if (index(name, root) == 1) name = substr(name, length(root) + 1)
        delete lines
        n = 0
        while ((getline text < file) > 0) lines[++n] = text
        close(file)
        next
    }
    /^DA:/ {
        split(substr($0, 4), f, ",")
        if (f[2] == 0) {
            text = lines[f[1]]
            sub(/^[ \t]+/, "", text)
            printf "%s:%d: %s\n", name, f[1], text
            uncovered++
        }
    }
    END { if (uncovered == 0) print "(none)" }' "$out/tests.lcov" | tee "$out/uncovered.txt"

# The module's line coverage from the same export: lines found (LF) and hit (LH).
percent=$(awk -F: '/^LF:/ { found += $2 } /^LH:/ { hit += $2 }
                   END { printf "%.2f", found ? 100 * hit / found : 0 }' "$out/tests.lcov")
echo
echo "coverage: $percent % of the module's lines"
if [ -n "$min" ] && awk -v p="$percent" -v m="$min" 'BEGIN { exit !(p + 0 < m + 0) }'; then
    echo "coverage: below $min %" >&2
    exit 1
fi
