#!/bin/sh
# A fuzzing campaign: builds the fuzz preset and runs the fuzz target from the
# seed corpus and what earlier campaigns found, in worker processes that go on
# after a finding, then prints the figures and any finding.
#
# usage: scripts/fuzz.sh [--time SECONDS] [--workers N] [--dir DIR]
#   --time     how long (default 3600)
#   --workers  processes fuzzing at once (default 2; the machine's cores are
#              shared, so keep it at 1 or 2)
#   --dir      where the campaign keeps its corpus, findings and log
#              (default build/fuzz-campaign); the corpus grows across runs
# Findings are written to DIR/artifacts/ (crash-*, timeout-*, oom-*): each
# is a finding until it is fixed; keep its input, minimised with
# scripts/fuzz-minimize.sh, in fuzz/regressions/. Exit 1 when the campaign
# found anything, 0 otherwise.
set -eu
cd "$(dirname "$0")/.."

time=3600
workers=2
dir=build/fuzz-campaign
while [ $# -gt 0 ]; do
    case $1 in
    --time) time=$2; shift ;;
    --workers) workers=$2; shift ;;
    --dir) dir=$2; shift ;;
    -h | --help) sed -n '2,/^set -eu/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "fuzz: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target tvboard_fuzz >/dev/null
mkdir -p "$dir/corpus" "$dir/artifacts"
log=$dir/fuzz.log
echo "fuzz: $workers worker(s) for $time s; log $log"
status=0
build/fuzz/fuzz/tvboard_fuzz -fork="$workers" -ignore_crashes=1 -ignore_timeouts=1 \
    -ignore_ooms=1 -max_total_time="$time" -timeout=25 -max_len=4096 \
    -dict=fuzz/tvboard.dict -print_final_stats=1 -artifact_prefix="$dir/artifacts/" \
    "$dir/corpus" fuzz/corpus >"$log" 2>&1 || status=$?

# The last progress line carries the figures: executions, coverage, corpus.
last=$(grep -E '^#[0-9]+: cov: ' "$log" | tail -n 1 || true)
echo "fuzz: last progress: ${last:-none}"
grep -E '^INFO: (exiting|fuzzed for)|^stat::' "$log" || true
findings=$(find "$dir/artifacts" -type f | wc -l)
echo "fuzz: $findings finding(s) in $dir/artifacts"
if [ "$findings" -ne 0 ]; then
    find "$dir/artifacts" -type f | sed 's/^/  /'
    exit 1
fi
[ "$status" -eq 0 ] || { echo "fuzz: the fuzzer ended with status $status" >&2; exit 1; }
