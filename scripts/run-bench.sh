#!/bin/sh
# The main job: the tvboard bench drives the module as a host would against
# the emulated board. Arguments go to the bench; without any it runs a whole
# host session and prints its annotated bus timeline.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tvboard_cli >/dev/null
[ $# -gt 0 ] || set -- session --trace
exec build/default/bench/tvboard "$@"
