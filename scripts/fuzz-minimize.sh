#!/bin/sh
# Makes fuzz inputs small: a finding's input to the shortest that still makes
# the same finding, or a corpus to the fewest inputs that keep its coverage.
#
# usage: scripts/fuzz-minimize.sh finding INPUT [OUT]
#            OUT defaults to harness/fuzz/regressions/NAME, NAME being INPUT's file
#            name; shows the finding the minimised input makes
#        scripts/fuzz-minimize.sh corpus OUT DIR...
#            merges the inputs of DIR... into the new directory OUT, keeping
#            only those that add coverage
# Needs the fuzz preset's build (scripts/fuzz.sh builds it).
set -eu
cd "$(dirname "$0")/.."

fuzzer=build/fuzz/fuzz/tvboard_fuzz
replay=build/fuzz/fuzz/tvboard_fuzz_replay
usage() { sed -n '2,/^set -eu/p' "$0" | sed '$d; s/^# \{0,1\}//'; }
[ $# -ge 2 ] || { usage >&2; exit 2; }
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target tvboard_fuzz tvboard_fuzz_replay >/dev/null

case $1 in
finding)
    input=$2
    out=${3:-harness/fuzz/regressions/$(basename "$input")}
    [ -f "$input" ] || { echo "fuzz-minimize: $input not found" >&2; exit 2; }
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # libFuzzer keeps cutting while the input still fails; the finding it
    # still makes is checked by the replay below.
    "$fuzzer" -minimize_crash=1 -runs=20000 -timeout=25 -exact_artifact_path="$work/min" \
        "$input" >"$work/log" 2>&1 || true
    if [ -s "$work/min" ]; then
        cp "$work/min" "$out"
    else
        cp "$input" "$out"
    fi
    echo "fuzz-minimize: $(wc -c <"$input") bytes -> $(wc -c <"$out") bytes: $out"
    "$replay" --show "$out" || true
    ;;
corpus)
    [ $# -ge 3 ] || { usage >&2; exit 2; }
    out=$2
    shift 2
    mkdir -p "$out"
    "$fuzzer" -merge=1 -timeout=25 "$out" "$@" 2>&1 | grep -E 'MERGE-OUTER: [0-9]+ new files' || true
    echo "fuzz-minimize: $(find "$out" -type f | wc -l) inputs in $out"
    ;;
*)
    usage >&2
    exit 2
    ;;
esac
