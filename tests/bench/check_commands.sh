#!/bin/sh
# The tvboard bench as a user runs it: results, exit codes (0 done, 1 not
# done, 2 bad usage), one-line complaints, antenna files, JSON that parses,
# progress only on a terminal.
set -u
bench=$1
library=$2 # libtvboard.so
source=$3  # the source tree, for the example antenna files
antennas=$source/bench/antennas
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
# A bad command line: exit 2, nothing on stdout, one line on stderr that says
# what is wrong and where the help is.
usage() { # usage PATTERN -- ARGS...
    pattern=$1; shift 2
    "$bench" "$@" >"$work/out" 2>"$work/err"; rc=$?
    if [ "$rc" -ne 2 ] || [ -s "$work/out" ] || [ "$(wc -l <"$work/err")" -ne 1 ] ||
        ! grep -q -- "$pattern" "$work/err" || ! grep -q -- "--help'" "$work/err"; then
        echo "FAIL: tvboard $* (exit $rc, wanted 2 and one line with '$pattern' and --help)"
        cat "$work/out" "$work/err" | tail -5
        failed=1
    else
        echo "ok: tvboard $*: $(cat "$work/err")"
    fi
}
# The command's --json output is one JSON document.
json() { # json PATTERN -- ARGS...
    pattern=$1; shift 2
    "$bench" "$@" >"$work/json" 2>"$work/err"
    if ! python3 -m json.tool "$work/json" >"$work/pretty" 2>&1 || ! grep -q -- "$pattern" "$work/json"; then
        echo "FAIL: tvboard $* does not give JSON with '$pattern'"; head -5 "$work/json" "$work/pretty"
        failed=1
    else
        echo "ok: tvboard $* (JSON)"
    fi
}
expect 0 "mono+stereo; stereo set" -- session
expect 0 "5 stations in 60 channels" -- scan
expect 0 "E39 .*AFC step -2" -- scan
expect 0 "3 stations in 68 channels" -- scan --standard NTSC_M
expect 0 "2 stations in 5 channels" -- scan --sweep 175:179:1 --station 176:PAL_B --station 178.06:PAL_B
expect 1 "0 stations in 2 channels" -- scan --sweep 100:101:1
expect 0 "locked, AFC step +1" -- --station 196.31:PAL_B:dual tune 196.25
expect 0 "mono+lang-a+lang-b" -- --station 196.31:PAL_B:dual tune 196.25
expect 1 "no lock" -- tune 200
expect 1 "no lock" -- --no-lock tune 175.25
expect 0 "locked" -- --lock-late 20 tune 175.25
expect 0 "SAA7113 SECAM" -- standards
expect 0 "C2 {30 D2}" -- tune 175.25 --trace
expect 0 "96 {21 C0} *; gate open" -- tune 175.25 --trace
expect 0 "\[150 ms\]" -- tune 175.25 --raw --timestamps
expect 0 "InitializeSensor  *21 args" -- caps
expect 0 "stub  *2 args  returns 341 (0x155)" -- caps
expect 0 "tuner mode 1 (tv): 40.000 MHz .. 847.000 MHz in steps of 62500 Hz" -- caps
expect 0 "audio format: 32000 Hz" -- caps
# Help and version: exit 0, on stdout.
expect 0 "Usage: tvboard \[OPTIONS\] \[SUBCOMMAND\]" -- --help
expect 0 "Usage: tvboard scan \[OPTIONS\]" -- scan --help
expect 0 "--sweep FROM:TO:STEP" -- scan --help
expect 0 "MHZ TEXT REQUIRED" -- tune --help
expect 0 "^tvboard [0-9]" -- --version
usage "not expected: --bogus" -- --bogus
usage "not expected:.*--sweep" -- stations --sweep 1:2:3
usage "not a frequency in MHz: 'abc'" -- tune abc
usage "MHZ is required" -- tune
usage "station strength must be 1..255" -- --station 100:PAL_B:stereo:300
usage "unknown TV standard 'PAL_X'" -- --standard PAL_X
usage "unknown sound 'loud'" -- --station 100:PAL_B:loud
usage "--sweep wants FROM:TO:STEP" -- scan --sweep 1:2
usage "--bus-rate wants a clock rate" -- tune 175.25 --vcd "$work/x.vcd" --bus-rate fast
usage "conform needs --module" -- conform
usage "unknown scenario 'nope'" -- record --scenario nope
# Antenna files: the examples, and every kind of bad line named with file
# and line number.
expect 0 "6 stations in 60 channels" -- scan --antenna "$antennas/europe-cable-pal-bg.txt"
expect 0 "E44 .*AFC step -1" -- scan --antenna "$antennas/europe-cable-pal-bg.txt" --standard PAL_G
expect 0 "5 stations in 49 channels" -- scan --antenna "$antennas/france-secam-l.txt" --standard SECAM_L
expect 0 "tuned 55.750 MHz (SECAM_L): locked" -- tune 55.75 --antenna "$antennas/france-secam-l.txt" --standard SECAM_L
expect 0 "63.812 MHz  SECAM_L1 .*(63.750 MHz +62.5 kHz)" -- stations --antenna "$antennas/france-secam-l.txt"
bad() { # bad LINE PATTERN: an antenna file whose third line is LINE
    printf '# test line-up\n175.25 PAL_B stereo 230 0\n%s\n' "$1" >"$work/bad.txt"
    usage "$work/bad.txt:3: $2" -- stations --antenna "$work/bad.txt"
}
bad "471.25 PAL_X" "unknown TV standard 'PAL_X'"
bad "abc PAL_B" "not a frequency in MHz: 'abc'"
bad "471.25 PAL_G loud" "unknown sound 'loud'"
bad "471.25 PAL_G mono 0" "station strength must be 1..255: '0'"
bad "471.25 PAL_G mono 200 9000" "carrier offset must be -5000..5000 kHz: '9000'"
bad "471.25 PAL_G mono 200 +60 E21" "too many fields: 'E21'"
bad "471.25   # no standard" "a station needs at least a frequency (MHz) and a TV standard"
usage "cannot read antenna file $work/none.txt" -- scan --antenna "$work/none.txt"
# Machine-readable results.
json '"standard_names"' -- standards --json
json '"frame_rate": 29.97002997003,' -- standards --json
json '"InitializeSensor"' -- caps --json
json '"locked": true' -- tune 175.25 --json
json '"afc_step": -2' -- scan --json
json '"offset_hz": 60000' -- stations --json
json '"timeline"' -- tune 175.25 --json --trace
json '"conforms": true' -- conform --module "$library" --scenario session --json
# A progress line while scanning, on a terminal only.
"$bench" scan >"$work/out" 2>"$work/err"
if [ -s "$work/err" ]; then
    echo "FAIL: scan wrote to stderr, which is no terminal"; failed=1
else
    echo "ok: no progress line without a terminal"
fi
if command -v script >/dev/null 2>&1; then
    script -qec "'$bench' scan >/dev/null" /dev/null >"$work/tty" 2>&1
    if grep -q "scan: channel E39 at 615.250 MHz (30 of 60), 3 found so far" "$work/tty"; then
        echo "ok: progress line on a terminal"
    else
        echo "FAIL: no progress line on a terminal"; tail -c 300 "$work/tty"; failed=1
    fi
fi
# The shared library, loaded as a host program loads it: real waits.
expect 0 "stereo set" -- --module "$library" session
expect 0 "of real time" -- --module "$library" session
usage "cannot load module" -- --module /nonexistent/libtvboard.so session
exit $failed
