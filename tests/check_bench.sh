#!/bin/sh
# The tvboard bench as a user runs it: results, exit codes, bad input.
set -u
bench=$1
library=$2 # libtvboard.so
failed=0
expect() { # expect RC PATTERN -- ARGS...
    want_rc=$1; pattern=$2; shift 3
    out=$("$bench" "$@" 2>&1); rc=$?
    if [ "$rc" -ne "$want_rc" ] || ! printf '%s\n' "$out" | grep -q -- "$pattern"; then
        echo "FAIL: tvboard $* (exit $rc, wanted $want_rc and '$pattern')"; printf '%s\n' "$out" | tail -5
        failed=1
    else
        echo "ok: tvboard $*"
    fi
}
expect 0 "mono+stereo; stereo set" -- session
expect 0 "5 stations in 60 channels" -- scan
expect 0 "E39 .*AFC step -2" -- scan
expect 0 "3 stations in 68 channels" -- scan --standard NTSC_M
expect 0 "2 stations in 5 channels" -- scan --sweep 175:179:1 --station 176:PAL_B --station 178.06:PAL_B
expect 0 "locked, AFC step +1" -- --station 196.31:PAL_B:dual tune 196.25
expect 0 "mono+lang-a+lang-b" -- --station 196.31:PAL_B:dual tune 196.25
expect 1 "no lock" -- tune 200
expect 1 "no lock" -- --no-lock tune 175.25
expect 0 "locked" -- --lock-late 20 tune 175.25
expect 0 "SAA7113 SECAM" -- standards
expect 0 "C2 {30 D2}" -- tune 175.25 --trace
expect 0 "96 {21 C0} *; gate open" -- tune 175.25 --trace
expect 0 "\[150 ms\]" -- tune 175.25 --raw --timestamps
expect 2 "unknown option" -- --bogus
expect 2 "not a frequency" -- tune abc
expect 2 "station strength must be 1..255" -- --station 100:PAL_B:stereo:300
expect 2 "unknown TV standard" -- --standard PAL_X
expect 2 "unknown sound" -- --station 100:PAL_B:loud
expect 2 "tune needs a frequency" -- tune
# The shared library, loaded as a host program loads it: real waits.
expect 0 "stereo set" -- --module "$library" session
expect 0 "of real time" -- --module "$library" session
expect 2 "cannot load module" -- --module /nonexistent/libtvboard.so session
exit $failed
