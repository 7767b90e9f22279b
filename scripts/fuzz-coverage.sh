#!/bin/sh
# Line coverage of the module's sources, measured with clang's source-based
# coverage and llvm-cov: by the fuzz inputs (the corpus run through the
# replay driver, no libFuzzer), and with --tests by the module's tests
# (tvboard_tests, on virtual time), so that the two can be set side by side.
#
# usage: scripts/fuzz-coverage.sh [--tests] [--show] [DIR...]
#   DIR...   inputs to run (default: harness/fuzz/corpus, harness/fuzz/regressions and the
#            corpus of the last campaign, build/fuzz-campaign/corpus)
#   --tests  also run tvboard_tests in the coverage build and report its coverage
#   --show   print the line-by-line listing of the module's files as well
# The module's sources are the .cpp and .h files of frame/, decoder/, tuner/,
# video/, audio/, ops/ and exports/ without the kernel-services files
# module/frame/kernel_*, of which each build picks its own. Builds in build/fuzz-coverage.
set -eu
cd "$(dirname "$0")/.."

tests=0
show=0
while [ $# -gt 0 ]; do
    case $1 in
    --tests) tests=1 ;;
    --show) show=1 ;;
    -h | --help) sed -n '2,/^set -eu/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz-coverage: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
    shift
done
if [ $# -eq 0 ]; then
    set -- harness/fuzz/corpus harness/fuzz/regressions
    [ -d build/fuzz-campaign/corpus ] && set -- "$@" build/fuzz-campaign/corpus
fi

scripts/setup.sh
build=build/fuzz-coverage
flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
if [ "$tests" -eq 1 ]; then
    cmake --build "$build" --target tvboard_fuzz_replay tvboard_tests >/dev/null
else
    cmake --build "$build" --target tvboard_fuzz_replay >/dev/null
fi

sources=$(git ls-files 'module/*' | grep -E '\.(cpp|h)$' |
    grep -v '^module/frame/kernel_\|^module/include/\|^module/regmap/')
profiles=$build/profiles
report() { # NAME PROFDATA OBJECT...
    name=$1
    data=$2
    shift 2
    first=$1
    shift
    objects=""
    for o in "$@"; do objects="$objects -object $o"; done
    echo "=== module line coverage: $name"
    # shellcheck disable=SC2086
    llvm-cov report "$first" $objects -instr-profile="$data" $sources |
        sed -n '1,2p;$p'
    if [ "$show" -eq 1 ]; then
        # shellcheck disable=SC2086
        llvm-cov show "$first" $objects -instr-profile="$data" $sources
    fi
}

rm -rf "$profiles"
mkdir -p "$profiles/corpus"
LLVM_PROFILE_FILE="$profiles/corpus/%p.profraw" "$build/fuzz/tvboard_fuzz_replay" "$@" | tail -n 1
llvm-profdata merge -sparse "$profiles"/corpus/*.profraw -o "$profiles/corpus.profdata"
report "fuzz inputs ($*)" "$profiles/corpus.profdata" "$build/fuzz/tvboard_fuzz_replay"

if [ "$tests" -eq 1 ]; then
    mkdir -p "$profiles/tests"
    LLVM_PROFILE_FILE="$profiles/tests/%p.profraw" "$build/tests/module/tvboard_tests" \
        --gtest_brief=1 | tail -n 2
    llvm-profdata merge -sparse "$profiles"/tests/*.profraw -o "$profiles/tests.profdata"
    report "tests (tvboard_tests)" "$profiles/tests.profdata" "$build/tests/module/tvboard_tests"
fi
