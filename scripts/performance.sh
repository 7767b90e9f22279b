#!/bin/sh
# Regenerates docs/performance.md: the module's own CPU time per operation
# against the bus traffic and waits the hardware needs (Google Benchmark,
# optimized 64-bit build, preset perf), the real-time ratio of a whole host
# session on each build (64-bit and i386 libtvboard.so, tvboard.sys under
# Wine), and the size of tvboard.sys. Builds what it needs with the presets
# default, i386, mingw and perf. Takes a few minutes; not part of
# scripts/test-all.sh.
#
# usage: scripts/performance.sh [OUTPUT]   (default docs/performance.md)
set -eu
cd "$(dirname "$0")/.."
output=${1:-docs/performance.md}
scripts/setup.sh
results=build/perf/results
mkdir -p "$results" "$(dirname "$output")"
for preset in perf default i386 mingw; do
    echo "performance: building preset $preset" >&2
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
done
echo "performance: benchmark" >&2
build/perf/perf/tvboard_benchmark --benchmark_format=json --benchmark_min_time=0.5 \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true >"$results/benchmark.json"
echo "performance: whole sessions on each build" >&2
build/default/bench/tvboard conform --module build/default/libtvboard.so --scenario session \
    --json >"$results/conform-x86_64.json"
build/i386/bench/tvboard conform --module build/i386/libtvboard.so --scenario session \
    --json >"$results/conform-i386.json"
WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= wine build/mingw/bench/tvboard.exe conform \
    --module build/mingw/tvboard.sys --scenario session --json >"$results/conform-sys.json"
# The system's python3, which has Debian's python3-pefile.
/usr/bin/python3 scripts/performance_table.py "$results" build/mingw/tvboard.sys >"$output"
echo "performance: wrote $output" >&2
