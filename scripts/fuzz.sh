#!/bin/sh
# A fuzzing campaign: builds the fuzz preset and runs the fuzz target from the
# seed corpus and what earlier campaigns found, in parallel jobs sharing one
# corpus, then prints each job's figures and any finding.
#
# usage: scripts/fuzz.sh [--time SECONDS] [--workers N] [--dir DIR] [--image SYS]
#   --time     how long (default 3600)
#   --workers  jobs fuzzing at once (default 2; the machine's cores are
#              shared, so keep it at 1 or 2); a job that makes a finding stops
#              there, the others go on
#   --dir      where the campaign keeps its corpus, findings and log
#              (default build/fuzz-campaign); the corpus grows across runs
#   --image    differential fuzzing: every input runs on the module built into
#              the target and on this Windows image (tvboard.sys), mapped
#              into the 32-bit fuzz build (preset fuzz-i386); a difference in
#              their timelines is a finding. The campaign runs at speed
#              without the address sanitizer (preset fuzz-i386-fast: the
#              image's code is not instrumented, so it sees only the
#              harness's accesses), then replays every input it kept,
#              differentially, on the sanitized build (preset fuzz-i386); a
#              finding there is kept as DIR/artifacts/replay-asan.log
#   --asan     with --image: the address sanitizer on every input of the
#              campaign itself (preset fuzz-i386), at about half the rate
# Findings are written to DIR/artifacts/ (crash-*, timeout-*, oom-*): each
# is a finding until it is fixed; keep its input, minimised with
# scripts/fuzz-minimize.sh, in harness/fuzz/regressions/. Exit 1 when the campaign
# found anything, 0 otherwise.
set -eu
cd "$(dirname "$0")/.."

time=3600
workers=2
dir=build/fuzz-campaign
image=""
asan=""
usage() { echo "fuzz: $1" >&2; exit 2; }
while [ $# -gt 0 ]; do
    case $1 in
    --image | --time | --workers | --dir) [ $# -ge 2 ] || usage "$1 needs a value" ;;
    esac
    case $1 in
    --image)
        [ -f "$2" ] || usage "--image: no file $2"
        image=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift ;;
    --asan) asan=1 ;;
    --time) time=$2; shift ;;
    --workers) workers=$2; shift ;;
    --dir) dir=$2; shift ;;
    -h | --help) sed -n '2,/^set -eu/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) usage "unknown argument $1" ;;
    esac
    shift
done
case $time in '' | *[!0-9]* | 0) usage "--time: $time is not a whole number of seconds above 0" ;; esac
case $workers in '' | *[!0-9]* | 0) usage "--workers: $workers is not a whole number above 0" ;; esac
[ -n "$image" ] || [ -z "$asan" ] || usage "--asan is for differential fuzzing (--image)"

scripts/setup.sh
preset=fuzz
if [ -n "$image" ]; then
    preset=fuzz-i386-fast
    [ -z "$asan" ] || preset=fuzz-i386
    export TVB_FUZZ_IMAGE="$image"
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target tvboard_fuzz tvboard_fuzz_replay >/dev/null
# An image the loader refuses is named once, before the campaign.
if [ -n "$image" ]; then
    status=0
    "build/$preset/fuzz/tvboard_fuzz_replay" --image "$image" harness/fuzz/corpus >/dev/null || status=$?
    [ "$status" -ne 2 ] || exit 2
fi
mkdir -p "$dir/corpus" "$dir/artifacts"
root=$(pwd)
dir=$(cd "$dir" && pwd)
rm -f "$dir"/fuzz-*.log
echo "fuzz: $workers job(s) for $time s${image:+ on $image and the reference}; logs $dir/fuzz-N.log"
# libFuzzer writes each job's log (fuzz-N.log) to the working directory.
(cd "$dir" && "$root/build/$preset/fuzz/tvboard_fuzz" -jobs="$workers" -workers="$workers" \
    -max_total_time="$time" -timeout=25 -max_len=4096 -dict="$root/harness/fuzz/tvboard.dict" \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" \
    "$root/harness/fuzz/corpus" >"$dir/fuzz.log" 2>&1) || true

for log in "$dir"/fuzz-*.log; do
    [ -f "$log" ] || continue
    echo "fuzz: $(basename "$log"):"
    grep -E '^#[0-9]+' "$log" | tail -n 1 | sed 's/^/  /'
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
        "$log" | sed 's/^/  /'
    grep -E '^(==[0-9]+==ERROR|SUMMARY|call [0-9]+, )' "$log" | head -n 3 | sed 's/^/  /'
done
if [ -n "$image" ] && [ "$preset" != fuzz-i386 ]; then
    # What the campaign kept, on the build the address sanitizer watches.
    cmake --preset fuzz-i386 >/dev/null
    cmake --build --preset fuzz-i386 --target tvboard_fuzz_replay >/dev/null
    echo "fuzz: every kept input again, under the address sanitizer:"
    if ! "$root/build/fuzz-i386/fuzz/tvboard_fuzz_replay" --image "$image" "$dir/corpus" \
        >"$dir/replay-asan.log" 2>&1; then
        tail -n 20 "$dir/replay-asan.log" | sed 's/^/  /'
        cp "$dir/replay-asan.log" "$dir/artifacts/replay-asan.log"
    fi
    tail -n 1 "$dir/replay-asan.log" | sed 's/^/  /'
fi
findings=$(find "$dir/artifacts" -type f | wc -l)
echo "fuzz: $(find "$dir/corpus" -type f | wc -l) inputs in $dir/corpus"
echo "fuzz: $findings finding(s) in $dir/artifacts"
if [ "$findings" -ne 0 ]; then
    find "$dir/artifacts" -type f | sed 's/^/  /'
    exit 1
fi
