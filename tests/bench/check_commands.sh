#!/bin/sh
# The tvboard bench as a user runs it, one table: results and exit codes (0
# done, 1 not done, 2 bad usage), every kind of bad input refused in one
# line on stderr that names what is wrong and where the help is, never a
# signal; JSON that parses; progress only on a terminal.
set -u
bench=$1
library=$2 # libtvboard.so
source=$3  # the source tree, for the example antenna files
fakes=$4   # the folder of the fake modules (fake_module.c)
antennas=$source/harness/bench/antennas
work=$(mktemp -d)
cd "$(dirname "$library")" || exit 1 # where a bare module name is found
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: tvboard $* (exit $rc)"; tail -n 5 "$work/out" "$work/err"; failed=1; }

# Files the rows use: antenna files and channel lists with a bad third line,
# a damaged module, recorded timelines that are not.
printf '# test line-up\n175.25 PAL_B stereo 230 0\n471.25 PAL_X\n' >"$work/std.txt"
printf '175.25 PAL_B\nabc PAL_B\n' >"$work/mhz.txt"
printf '# nothing here\n\n' >"$work/comments.txt"
: >"$work/empty.txt"
printf 'E5 175.25 PAL_B\nE5 182.25 PAL_B\n' >"$work/twice.txt"
printf 'E5 175.25\n' >"$work/short.txt"
printf 'scenario session\nabc - y\nend\n' >"$work/bad-rec.txt"
head -c 20000 "$library" >"$work/truncated.so"
cp "$library" "$work/arm.so" && printf '\267' | dd of="$work/arm.so" bs=1 seek=18 conv=notrunc 2>/dev/null
echo "not a module" >"$work/text.so"
mkdir "$work/folder.so"
awk 'BEGIN { for (i = 0; i < 10001; i++) printf "%.4f PAL_B\n", 100 + i / 1000 }' >"$work/crowd.txt"
awk 'BEGIN { printf "C"; for (i = 0; i < 63; i++) printf "x"; print " 175.25 PAL_B" }' >"$work/long.txt"
# Files past a bound or no text file at all; a FIFO no process writes or
# reads; a channel list with a byte-order mark; a recording of one scenario.
awk 'BEGIN { printf "C"; for (i = 0; i < 64; i++) printf "x"; print " 175.25 PAL_B" }' >"$work/name65.txt"
awk 'BEGIN { printf "C"; for (i = 0; i < 1000000; i++) printf "x"; print " 175.25 PAL_B" }' >"$work/name1m.txt"
awk 'BEGIN { for (i = 0; i < 12; i++) printf "C%d %d PAL_B\n", i, 100 + i }' >"$work/many.txt"
printf '175.25 PAL_B\n\000\n' >"$work/nul.txt"
printf '\357\273\277E5 175.25 PAL_B\r\n' >"$work/bom.txt"
truncate -s 2M "$work/huge.txt" && truncate -s 17M "$work/huge-rec.txt" && truncate -s 65M "$work/huge.so"
awk 'BEGIN { printf "scenario session\n0 - "; for (i = 0; i < 65536; i++) printf "x"; print "" }' >"$work/long-rec.txt"
mkfifo "$work/fifo"
"$bench" record --scenario session --out "$work/one.txt"
"$bench" record --module "$library" --scenario session --out "$work/loaded.txt" # no waits in it
echo kept >"$work/kept.txt"
m=$fakes/fake_misbehave.so # misbehaves as TVB_FAKE says

# KIND|RC|PATTERN|ARGUMENTS: KIND out (PATTERN in stdout and stderr), usage
# (exit 2, nothing on stdout, one line on stderr with PATTERN and the help),
# json (one JSON document on stdout with PATTERN), module (exit RC, PATTERN
# on the last line of stderr, and with --json one JSON document on stdout);
# KIND<FILE reads stdin from FILE (else /dev/null), out>FILE writes stdout
# there, KIND@FAULT runs with TVB_FAKE=FAULT.
while IFS='|' read -r kind want pattern args; do
    case $kind in '' | '#'*) continue ;; esac
    eval "set -- $args"
    from=/dev/null to=$work/out fault=
    case $kind in *'@'*) fault=${kind#*@} kind=${kind%%@*} ;; esac
    case $kind in *'<'*) from=${kind#*<} kind=${kind%%<*} ;; *'>'*) to=${kind#*>} kind=${kind%%>*} ;; esac
    : >"$work/out"
    TVB_FAKE=$fault "$bench" "$@" <"$from" >"$to" 2>"$work/err"
    rc=$?
    if [ "$rc" -ge 128 ]; then fail "$@"; echo "  ended by signal $((rc - 128))"; continue; fi
    case $kind in
    out) cat "$work/out" "$work/err" >"$work/both"
        if [ "$rc" -ne "$want" ] || ! grep -q -- "$pattern" "$work/both"; then fail "$@"; continue; fi ;;
    usage) if [ "$rc" -ne 2 ] || [ -s "$work/out" ] || [ "$(wc -l <"$work/err")" -ne 1 ] ||
            ! grep -q -- "$pattern" "$work/err" || ! grep -q -- "--help')$" "$work/err"; then
            fail "$@"; continue
        fi ;;
    json) if [ "$rc" -ne "$want" ] || ! python3 -m json.tool "$work/out" >/dev/null 2>&1 ||
            ! grep -q -- "$pattern" "$work/out"; then fail "$@"; continue; fi ;;
    module) if [ "$rc" -ne "$want" ] || ! tail -n 1 "$work/err" | grep -q -- "$pattern"; then
            fail "$@"; continue
        fi
        case " $* " in *" --json "*) if ! python3 -m json.tool "$work/out" >/dev/null 2>&1; then
            fail "$@"; echo "  no JSON document"; continue
        fi ;; esac ;;
    esac
    echo "ok: $rc tvboard $args${kind#out}: $(head -c 160 "$work/err")"
done <<EOF
out|0|mono+stereo; stereo set|session
out|0|scanning 58 channels for PAL_B, 2 outside the tuner's range 40.000..847.000 MHz left out|scan
out|0|E8 *196.3125 MHz (+62.5 kHz)  AFC step +0  signal 100  sound mono+lang-a+lang-b|scan
out|0|E39 .*AFC step -2|scan
out|0|3 stations in 68 channels|scan --standard NTSC_M
out|0|1 station in 47 channels|scan --standard PAL_I
out|0|^  8  *181.250 MHz|scan --standard NTSC_M --band vhf-high --band vhf-low
out|0|2 stations in 5 channels|scan --sweep 175:179:1 --station 176:PAL_B --station 178.06:PAL_B
out|0|^  178.06 *178.0625 MHz  *AFC step +0|scan --sweep 175:179:0.0625 --station 176:PAL_B --station 178.06:PAL_B
out|0|2 stations in 65 channels|scan --sweep 175:179:0.0625 --station 176:PAL_B --station 178.06:PAL_B
out|1|0 stations in 2 channels|scan --sweep 100:101:1
out|0|5 stations in 58 channels|scan --save "$work/list.txt"
out|1|no channel list written to $work/list.txt: no station found|scan --sweep 100:101:1 --save "$work/list.txt"
usage|2|lies outside the tuner's range|scan --sweep 900:1000:1 --save "$work/list.txt"
out|0|tuned E8 at 196.3125 MHz (PAL_B): locked, AFC step +0, signal 100|tune E8 --channels "$work/list.txt"
out|0|5 stations in 5 channels|scan --channels "$work/list.txt"
out|0|xxx  *175.250 MHz  *AFC step +0  signal 100  sound mono+stereo$|scan --channels "$work/long.txt"
out|0|locked, AFC step +1|--station 196.31:PAL_B:dual tune 196.25
out|0|mono+lang-a+lang-b; lang-b set|--station 196.31:PAL_B:dual tune 196.25 --sound lang-b
out|1|mono; stereo refused|tune 503.25 --sound stereo
out|1|no lock (2.973 s): no PAL_B station on the antenna|tune 200
out|1|refused, the module keeps 67.250 MHz: 1000.000 MHz lies outside the tuner's TV range 40.000..847.000 MHz|tune 1000
out|1|never locks (--no-lock)|--no-lock tune 175.25
out|0|locked|--lock-late 20 tune 175.25
out|1|after 30 status polls (--lock-late), more than the module makes|--lock-late 30 tune 175.25
out|0|^video input: composite (1)$|input composite
out|0|^  brightness   60  (range 0..100, default 50; decoder register 0x10A = 0x99)|picture brightness=60
out|0|^  hue         -50|picture hue=-50
out|0|# host: InputSelect svideo|session --input svideo --picture contrast=0 --sound mono --trace
out|0|^video input svideo: the module reports svideo|session --input svideo
out|0|Decoder SECAM|standards
out|0|^Decoder SECAM  *720x576|standards --standard SECAM_L
out|0|C2 {30 D2}|tune 175.25 --trace
out|0|96 {21 C0} *; gate open|tune 175.25 --trace
out|0|\[150 ms\]|tune 175.25 --raw --timestamps
out|0|ms  C2 {30 D2}|tune 175.25 --trace --timestamps
out|0|^synthesizer at 0xC2: divider 2912, exponent 2, sub-band 2: oscillator 182.000 MHz|tune 175.25 --registers
out|0|^  1B   Status  *80  AfcMask=0  LockBit=1|tune 175.25 --registers
out|0|InitializeSensor  *21 args|caps
out|0|stub  *2 args  returns 341 (0x155)|caps
out|0|tuner mode 1 (tv): 40.000 MHz .. 847.000 MHz in steps of 62500 Hz|caps
out|0|audio format: 32000 Hz|caps
out|0|# host: GetBoardModuleCaps|--trace caps
out|0|6 stations in 58 channels|scan --antenna "$antennas/europe-cable-pal-bg.txt"
out|0|E44 .*AFC step -1|scan --antenna "$antennas/europe-cable-pal-bg.txt" --standard PAL_G
out|0|5 stations in 47 channels|scan --antenna "$antennas/france-secam-l.txt" --standard SECAM_L
out|0|tuned 55.750 MHz (SECAM_L, set up as L': SECAM_L1): locked|tune 55.75 --antenna "$antennas/france-secam-l.txt" --standard SECAM_L
out|0|63.8125 MHz  SECAM_L1 .*(63.750 MHz +62.5 kHz)|stations --antenna "$antennas/france-secam-l.txt"
out|0|^ *479.250 MHz  SECAM_L |stations --standard SECAM_L
out|0|Usage: tvboard \[OPTIONS\] \[SUBCOMMAND\]|--help
out|0|Usage: tvboard scan \[OPTIONS\]|scan --help
out|0|--sweep FROM:TO:STEP|scan --help
out|0|MHZ TEXT REQUIRED|tune --help
out|0|^tvboard [0-9.]* (commit [0-9a-z]*)$|--version
out|0|stereo set|--module "$library" session
out|0|of real time|--module "$library" session
out|0|capability record: [0-9]* bytes|--module libtvboard.so caps
out|1|claim check: the module reports lock, but the IF demodulator, which it did not ask, shows none|--module "$fakes/fake_liar.so" tune 175.25
out|1|claim check: the module keeps 175.250 MHz as tuned, but the synthesizer is set for no frequency|--module "$fakes/fake_liar.so" tune 175.25
out|1|claim check: the module reports TV sound mono+stereo+lang-a+lang-b+lang-c, but the broadcast carries mono|--module "$fakes/fake_liar.so" tune 175.25
out|1|claim check: the module keeps 30.000 MHz as tuned, outside the TV range 40.000..847.000 MHz it advertises|--module "$fakes/fake_liar.so" tune 30
out|1|claim check: the sample rate was set to 48000 Hz, but the rate pin 0 is not driven, where 48000 Hz needs 1|--module "$fakes/fake_liar.so" session
out|1|claim check: the descriptor 'Decoder NTSC' gives NTSC_M 576 lines at 25.000 frames/s, but NTSC_M is a 525-line standard|--module "$fakes/fake_bad_records.so" standards
out|1|claim check: the module advertises tuner mode 1 from 40.000 MHz to 1000.000 MHz, but the board tunes 35.750 MHz..902.250 MHz|--module "$fakes/fake_bad_records.so" caps
out|1|claim check: the audio format gives 32000 Hz, but its rate code (word 1) is 8, where 32000 Hz is 12|--module "$fakes/fake_bad_records.so" caps
# What the board did, beside what was asked: the synthesizer's frequency and
# step, the demodulator's set-up, the sound the DSP was programmed for.
out|0|tuned 615.125 MHz (PAL_B), synthesizer at 615.000 MHz in 250 kHz steps: locked, AFC step +2|tune 615.125
out|0|tuned 175.250 MHz (SECAM_K, set up as B: PAL_B, SECAM_B): locked|tune 175.25 --standard SECAM_K
out|1|no PAL_B or SECAM_B station on the antenna within the demodulator's reach: it has no set-up for SECAM_K and is set up as B|tune 200 --standard SECAM_K
out|0|^R6       175.250    PAL_B     # sound mono+stereo, AFC step +0, signal 100; asked for SECAM_K, set up as B|scan --standard SECAM_K --band vhf-high --save -
out|1|TV sound available: mono+stereo; no lock, so no sound to set (the module accepted stereo)$|--no-lock session
out|1|lang-a+lang-c accepted, but the audio DSP was programmed for stereo (register 0x464)|tune 759.25 --sound lang-a+lang-c
out|0|mono+lang-a+lang-b+lang-c; lang-c set$|tune 759.25 --sound lang-c
out|0|left out: E68 847.250 MHz, E69 855.250 MHz$|scan --band uhf
out|1|20 outside the tuner's range 40.000..847.000 MHz left out: 20.000 MHz..39.000 MHz$|scan --sweep 20:45:1
out|0|^  2A0                     03$|tune 175.25 --registers
out|0|^  580  *[0-9A-F][0-9A-F]$|tune 175.25 --registers
out|0|not recorded|conform --module "$library" --against "$work/loaded.txt" --scenario session
out|0|timing not compared in 1 scenario: $work/loaded.txt holds no waits there|conform --module "$library" --against "$work/loaded.txt" --scenario session
# Bad usage: the command line.
usage|2|unknown option '--bogus'|--bogus
usage|2|unknown option '-x'|tune -x
usage|2|--json takes no value: '--json=0' (a flag is given alone)|--json=0 caps
usage|2|--trace takes no value: '--trace=no'|tune 175.25 --trace=no
usage|2|--json takes no value: '--json=garbage'|caps --json=garbage
usage|2|'tune' after '--' is an operand, and session takes none (a command goes before '--')|-- tune 175.25
usage|2|tune takes one MHZ, not '175.25' and '--json'|tune 175.25 -- --json
out|0|tuned 175.250 MHz|tune -- 175.25
usage|2|--vcd wants a file name, not '--json', which is an option (a file of that name: ./--json)|tune 175.25 --vcd --json
usage|2|--standard wants NAME, not '--json', which is an option|tune 175.25 --standard --json
usage|2|--vcd wants a file name, not ''|tune 175.25 --vcd ''
usage|2|--save wants a file name, not ''|scan --save ''
usage|2|--out wants a file name, not ''|record --out ''
usage|2|--channels wants a file name, not ''|scan --channels ''
usage|2|--vcd and --save name one file, $work/x.vcd: give each its own|scan --vcd "$work/x.vcd" --save "$work/./x.vcd"
usage|2|--antenna - and --channels - would both read stdin: give one a file|scan --antenna - --channels -
usage|2|--module wants the path of a built module, not '-'|--module - caps
usage|2|stations does not take --sweep (it is for scan)|stations --sweep 1:2:3
usage|2|caps does not take --vcd (it is for session, tune, scan, input, picture, detect, dump, get, set)|--vcd "$work/x.vcd" caps
usage|2|caps does not take --vcd|caps --vcd "$work/x.vcd"
usage|2|stations does not take --lock-late|stations --lock-late 3
usage|2|--standard given 2 times ('PAL_B', 'PAL_G'): give it once|--standard PAL_B tune 175.25 --standard PAL_G
usage|2|--standard given 2 times ('PAL_G', 'PAL_B'): give it once|tune 175.25 --standard PAL_G --standard PAL_B
usage|2|MHZ is required|tune
usage|2|conform needs --module|conform
usage|2|--trace and --raw are two views of one timeline|tune 175.25 --trace --raw
usage|2|--timestamps stamps the lines of --trace or --raw|--timestamps tune 175.25
usage|2|--timestamps and --json do not go together|tune 175.25 --raw --timestamps --json
out|0|signal 100 (0.160 s)|tune 175.25
out|0|signal 100 (0.154 s)|tune 175.25 --bus-rate 400k
usage|2|--no-lock and --lock-late contradict each other|--no-lock --lock-late 3 tune 175.25
usage|2|--vcd - writes to stdout, where --json, --trace and --raw write too: give --vcd a file|tune 175.25 --vcd - --json
usage|2|--vcd - and --save - cannot both write to stdout|scan --vcd - --save -
out|0|^E5       175.250    PAL_B     # sound mono+stereo|scan --save - --band vhf-high
usage|2|--sweep and --band do not go together|scan --sweep 1:2:1 --band uhf
usage|2|--channels and --standard do not go together|tune E5 --channels "$work/list.txt" --standard PAL_G
usage|2|set writes to the decoder: give --yes to write (the bench asks no questions, as i2cset -y)|set decoder 0x10A 0x80
usage|2|unknown device 'tuner' (decoder, demodulator, synthesizer)|get tuner 0x10
usage|2|the IF demodulator has no register '0x100' (0x00..0xFF)|get demodulator 0x100
usage|2|the synthesizer has no register 'R13' (R0..R12, 0x00..0x0C)|set synthesizer R13 0 --yes
usage|2|not a register of the decoder: 'bright' (0x000..0xFFFF or a name: InputSelect, |get decoder bright
usage|2|VALUE wants a byte, 0..255 or 0x00..0xFF, not '256'|set decoder brightness 256 --yes
usage|2|VALUE wants a byte, 0..255 or 0x00..0xFF, not '-1'|set decoder brightness -1 --yes
usage|2|get wants DEVICE REG: REG is missing|get decoder
usage|2|set takes DEVICE REG VALUE, not also '9'|set decoder 1 2 9 --yes
usage|2|DEVICE REG is required: get DEVICE REG|get
usage|2|DEVICE is required: dump DEVICE|dump
usage|2|the synthesizer is write-only: it acknowledges no read, so dump has nothing to read|dump synthesizer
usage|2|the synthesizer is write-only: it acknowledges no read, so get has nothing to read|get synthesizer R4
usage|2|--range '0x20-0x10': FIRST above LAST|dump decoder --range 0x20-0x10
usage|2|--range wants FIRST-LAST, two registers of the decoder (e.g. 0x000-0x00F), not '5'|dump decoder --range 5
usage|2|--range: the IF demodulator has no register '0x100'|dump demodulator --range 0-0x100
usage|2|detect does not take --module|detect --module "$library"
usage|2|caps does not take --diff (it is for session, tune, scan, input, picture, set)|caps --diff
usage|2|tune does not take --yes (it is for set)|tune 175.25 --yes
# Bad usage: values.
usage|2|not a frequency in MHz: 'abc' (e.g. 175.25)|tune abc
usage|2|not a frequency in MHz: ''|tune ''
usage|2|not a frequency in MHz: '1e3'|tune 1e3
usage|2|frequency out of range: '5000' MHz (above 0 and at most 4000 MHz)|tune 5000
usage|2|frequency out of range: '0' MHz|tune 0
usage|2|frequency out of range: '99999999999999999' MHz|tune 99999999999999999
usage|2|unknown TV standard 'PAL_X' (NTSC_M, NTSC_M_J, NTSC_433, PAL_B, |--standard PAL_X
usage|2|station strength must be 1..255: '300'|--station 100:PAL_B:stereo:300
usage|2|unknown sound 'loud' (mono, stereo, dual, triple)|--station 100:PAL_B:loud
usage|2|--lock-late out of range: '5000' (0..1000)|--lock-late 5000 tune 175.25
usage|2|--lock-late wants a whole number 0..1000: 'x'|--lock-late x tune 175.25
usage|2|--sweep wants FROM:TO:STEP in MHz: '1:2'|scan --sweep 1:2
usage|2|--sweep '5:1:1': FROM above TO|scan --sweep 5:1:1
usage|2|--sweep step 0.0001 MHz is finer than the tuner's granularity 0.0625 MHz|scan --sweep 1:2000:0.0001
usage|2|--sweep step 0.0001 MHz is finer than the tuner's granularity 0.0625 MHz|scan --sweep 1:2000:0.0001 --json
usage|2|--sweep 900.000 MHz..1000.000 MHz lies outside the tuner's range 40.000..847.000 MHz|scan --sweep 900:1000:1
usage|2|--bus-rate wants a clock rate of 1k..3.4M (Hz): 'fast'|tune 175.25 --vcd "$work/x.vcd" --bus-rate fast
usage|2|--band: unknown band 'vhf' (vhf-low, vhf-high, uhf)|scan --band vhf
usage|2|the SECAM_L channel plan has no channels in vhf-low (it has uhf)|scan --band vhf-low --standard SECAM_L
usage|2|unknown video input 'foo' (tuner (0), composite (1), svideo (2))|input foo
usage|2|brightness out of range: '101' (0..100)|picture brightness=101
usage|2|unknown picture control 'bright' (brightness 0..100, contrast 0..100, saturation 0..100, hue -50..50)|picture bright=5
usage|2|picture control 'hue' wants a value: hue=VALUE|picture hue
usage|2|brightness given twice: set it once|session --picture brightness=1 --picture brightness=2
usage|2|--sound: unknown TV sound mode 'loud' (mono, stereo, lang-a, lang-b, lang-c, or several joined by '+')|tune 175.25 --sound loud
usage|2|unknown scenario 'nope' (session, scan-lock-first, |record --scenario nope
# Bad usage: files.
usage|2|$work/std.txt:3: unknown TV standard 'PAL_X'|stations --antenna "$work/std.txt"
usage|2|$work/mhz.txt:2: not a frequency in MHz: 'abc'|stations --antenna "$work/mhz.txt"
usage|2|$work/comments.txt: no stations|stations --antenna "$work/comments.txt"
usage|2|$work/empty.txt: no stations|scan --antenna "$work/empty.txt"
usage|2|$work/crowd.txt:10001: more than 10000 stations on the antenna|stations --antenna "$work/crowd.txt"
usage|2|cannot read antenna file $work: Is a directory|scan --antenna "$work"
usage|2|cannot read antenna file $work/none.txt: No such file or directory|scan --antenna "$work/none.txt"
usage|2|cannot read channel list $work/none.txt: No such file or directory|scan --channels "$work/none.txt"
usage|2|$work/twice.txt:2: channel 'E5' is already on line 1|scan --channels "$work/twice.txt"
usage|2|$work/short.txt:1: a channel needs NAME MHZ STANDARD|scan --channels "$work/short.txt"
usage|2|$work/comments.txt: no channels|scan --channels "$work/comments.txt"
usage|2|no channel 'E9' in $work/list.txt (E5, E8, E25, E39, E57)|tune E9 --channels "$work/list.txt"
usage|2|no channel 'E9' in $work/many.txt (C0, C1, C2, C3, C4, C5, C6, C7, C8, C9, ... 2 more)|tune E9 --channels "$work/many.txt"
out|0|^  E5  *175.250 MHz|scan --channels "$work/bom.txt"
usage|2|$work/name65.txt:1: a channel's name is at most 64 bytes: 'Cxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...' (65 bytes) (see|scan --channels "$work/name65.txt"
usage|2|$work/name1m.txt:1: a line longer than 4096 bytes, beginning 'Cxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' (see|tune C --channels "$work/name1m.txt"
usage|2|$work/nul.txt:2: a NUL byte: not a text file|stations --antenna "$work/nul.txt"
usage|2|cannot read antenna file $work/huge.txt: 2097152 bytes, more than the 1 MiB the bench reads|stations --antenna "$work/huge.txt"
usage</dev/zero|2|cannot read channel list stdin: more than the 1 MiB the bench reads|scan --channels -
usage|2|stdin: no channels|scan --channels -
usage|2|cannot read channel list $work/fifo: not a regular file but a FIFO|scan --channels "$work/fifo"
usage|2|cannot read antenna file $work/fifo: not a regular file but a FIFO|stations --antenna "$work/fifo"
usage|2|cannot read channel list /dev/zero: not a regular file but a character device|scan --channels /dev/zero
usage|2|cannot read recorded timelines $work/fifo: not a regular file but a FIFO|conform --module "$library" --against "$work/fifo"
usage|2|cannot write channel list $work/fifo: No such device or address (no process reads the FIFO)|scan --save "$work/fifo"
usage|2|cannot write capture $work/fifo: No such device or address (no process reads the FIFO)|tune 175.25 --vcd "$work/fifo"
usage|2|cannot write recording $work/fifo: No such device or address (no process reads the FIFO)|record --out "$work/fifo"
out|1|cannot write capture /dev/full: No space left on device|tune 175.25 --vcd /dev/full
out|1|cannot write recording /dev/full: No space left on device|record --scenario session --out /dev/full
out>/dev/full|1|cannot write to stdout: No space left on device|tune 175.25
out>/dev/full|1|cannot write to stdout: No space left on device|scan --json
usage|2|cannot write capture /nonexistent/x.vcd: No such file or directory|tune 175.25 --vcd /nonexistent/x.vcd
usage|2|cannot write channel list $work: Is a directory|scan --save "$work"
usage|2|cannot write recording /nonexistent/x.txt: No such file or directory|record --out /nonexistent/x.txt
usage|2|cannot read recorded timelines $work/none.txt: No such file or directory|conform --module "$library" --against "$work/none.txt"
usage|2|not timelines recorded by tvboard record: $work/bad-rec.txt: line 2: the time is not a whole number of microseconds: 'abc'|conform --module "$library" --against "$work/bad-rec.txt"
usage|2|not timelines recorded by tvboard record: $work/long-rec.txt: line 2: a line longer than 65536 bytes|conform --module "$library" --against "$work/long-rec.txt"
usage|2|cannot read recorded timelines $work/huge-rec.txt: 17825792 bytes, more than the 16 MiB the bench reads|conform --module "$library" --against "$work/huge-rec.txt"
usage|2|$work/one.txt has no scenario 'scan-lock-first' (record it, or choose others with --scenario)|conform --module "$library" --against "$work/one.txt"
json|0|"conforms": true|conform --module "$library" --against "$work/one.txt" --scenario session --json
# Bad usage: modules.
usage|2|cannot load module /nonexistent/libtvboard.so: No such file or directory|--module /nonexistent/libtvboard.so session
usage|2|cannot load module $work/truncated.so: is truncated: a segment it maps ends at byte|--module "$work/truncated.so" caps
usage|2|cannot load module $work/arm.so: is built for 64-bit ARM, this bench runs on|--module "$work/arm.so" caps
usage|2|cannot load module $work/text.so: not a module: neither an ELF shared library nor a Windows image|--module "$work/text.so" tune 175.25
usage|2|cannot load module $work/folder.so: Is a directory|--module "$work/folder.so" caps
usage|2|--module wants the path of a built module, not ''|--module '' caps
usage|2|cannot load module $work/fifo: not a regular file but a FIFO|--module "$work/fifo" caps
usage|2|cannot load module $work/huge.so: 68157440 bytes, more than the 64 MiB the bench takes|--module "$work/huge.so" caps
usage|2|the module's capability record cannot be driven: the VideoOps table is null, the InputOps table is null|--module "$fakes/fake_null_tables.so" caps
usage|2|the module's capability record cannot be driven: TunerOps slot 2 is null|--module "$fakes/fake_null_slot.so" session
usage|2|the module's capability record cannot be driven: the VideoOps table is null|--module "$fakes/fake_null_tables.so" conform
usage|2|cannot load module /nonexistent/libtvboard.so: No such file or directory|--module /nonexistent/libtvboard.so conform
usage@garbage-table|2|cannot be driven: the VideoOps table at 0x5A5A5A50 lies outside the module|--module "$m" caps
usage@size|2|cannot be driven: its size is 4294967295 bytes, a capability record's is|--module "$m" session
usage@tuner-caps|2|tuner caps of mode TV cannot be used: its lowest frequency 847000000 Hz is above its highest 40000000 Hz|--module "$m" tune 175.25
usage@tuner-caps|2|tuner caps of mode tv cannot be used: its lowest frequency 847000000 Hz is above|--module "$m" caps
usage|2|--call-timeout limits the calls of a module loaded with --module|tune 175.25 --call-timeout 1
usage|2|--call-timeout wants seconds, 0.1..3600: '0'|--module "$m" caps --call-timeout 0
# A module that crashes, hangs, exits or prints: exit 1, the call named, the
# timeline up to it, a JSON document ended with the line as its "error".
module@abort:DllInitialize|1|^tvboard: DllInitialize: killed by SIGABRT|--module "$m" caps
module@segv:GetTunerModeCaps|1|^tvboard: GetTunerModeCaps tv: killed by SIGSEGV|--module "$m" caps --json
module@segv:SetTunerProperty|1|^tvboard: SetTunerProperty VideoStandard PAL_B: killed by SIGSEGV|--module "$m" tune 175.25 --json --trace
module@hang:GetTunerProperty|1|^tvboard: GetTunerProperty status: no return after 1 s$|--module "$m" tune 175.25 --call-timeout 1 --json
module@exit:OpenBoard|1|^tvboard: OpenBoard: exited with status 0$|--module "$m" session
module@exit:OpenBoard|1|^tvboard: OpenBoard: exited with status 0$|--module "$m" session --json --raw
module@print:OpenBoard|1|^tvboard: OpenBoard: wrote to stdout, which is the bench's: 'OpenBoard was here.x0A'$|--module "$m" session --json
module@exit:SetAudioSampleRate|1|^tvboard: scenario session: SetAudioSampleRate 48000 Hz: exited with status 0$|--module "$m" record --out "$work/kept.txt"
module@segv:InputQuery|1|InputQuery: killed by SIGSEGV|--module "$m" input --vcd "$work/kept.txt"
# Machine-readable results.
json|0|"schema_version": 2,|standards --json
json|0|"frame_rate": 29.97002997003,|standards --json
json|0|"InitializeSensor"|caps --json
json|0|"locked": true|tune 175.25 --json
json|1|"reason": "1000.000 MHz lies outside|tune 1000 --json
json|0|"afc_step": -2|scan --json
json|0|"offset_hz": 60000|stations --json
json|0|{"time_us":722830,"kind":"transfer","device":"if-demodulator","address":150,"direction":"write","bytes":\[33,192\],"acknowledged":true,"note":"gate open: synthesizer on the bus"}|tune 175.25 --json --raw
json|0|"kind":"register","device":"decoder","address":66,"direction":"read","register":1028,"bytes":\[128,2,0,0\],"acknowledged":true,"dsp":true|tune 175.25 --json --trace
json|0|"audio_mode": "stereo"|session --json
json|0|"input": "composite"|input composite --json
json|0|"control": "hue"|picture --json
json|0|"oscillator_hz": 182000000|tune 175.25 --registers --json
json|0|"receiving_standard": "PAL_B"|tune 175.25 --registers --json
json|0|"synthesizer_hz": 615000000,|tune 615.125 --json
json|0|"set_up_as": "B",|tune 175.25 --standard NTSC_433 --json
json|1|"audio_mode_programmed": \[|tune 759.25 --sound lang-a+lang-c --json
json|0|"timing_compared": false|conform --module "$library" --against "$work/loaded.txt" --scenario session --json
json|0|"timeline":\[|record --json --scenario session
json|0|"conforms": true|conform --module "$library" --scenario session --json
json|0|"answered": false,|detect --json
json|0|"read_back": 128$|set decoder brightness 128 --yes --json
json|0|"after": 145|set synthesizer R4 0x91 --yes --diff --json
EOF

# conform of a module that crashes, hangs or exits in a call of each of the
# five tables fails, naming the scenario and the call; what it was writing
# is left as it was.
# (SCENARIO:CALL:NAMED, NAMED how the scenario names the call.)
for call in session:OpenBoard:OpenBoard session:InitializeSensor:InitializeSensor \
    session:SetAudioSampleRate:SetAudioSampleRate 'inputs:InputQuery:InputOps query' \
    'session:GetTunerProperty:GetTunerProperty status'; do
    scenario=${call%%:*} named=${call##*:} call=${call#*:} call=${call%%:*}
    for what in segv:'killed by SIGSEGV' hang:'no return after 1 s' exit:'exited with status 0'; do
        TVB_FAKE=${what%%:*}:$call "$bench" conform --module "$m" --call-timeout 1 \
            >"$work/out" 2>"$work/err"
        rc=$?
        line="tvboard: scenario $scenario on the build: $named[^:]*: ${what#*:}"
        if [ "$rc" -ne 1 ] || ! tail -n 1 "$work/err" | grep -q "^$line"; then
            fail "conform, ${what%%:*} in $call"
        else
            echo "ok: $rc TVB_FAKE=${what%%:*}:$call tvboard conform: $(tail -n 1 "$work/err")"
        fi
    done
done
if [ "$(cat "$work/kept.txt")" != kept ] || ls -a "$work" | grep -q tvboard-; then
    echo "FAIL: a run the module ended changed $work/kept.txt or left a temporary file"; failed=1
fi

# A progress line while scanning, on a terminal only.
"$bench" scan >"$work/out" 2>"$work/err"
if [ -s "$work/err" ]; then
    echo "FAIL: scan wrote to stderr, which is no terminal"; failed=1
else
    echo "ok: no progress line without a terminal"
fi
if command -v script >/dev/null 2>&1; then
    script -qec "'$bench' scan >/dev/null" /dev/null >"$work/tty" 2>&1
    if grep -q "scan: channel E39 at 615.250 MHz (30 of 58), 3 found so far" "$work/tty"; then
        echo "ok: progress line on a terminal"
    else
        echo "FAIL: no progress line on a terminal"; tail -c 300 "$work/tty"; failed=1
    fi
fi
exit $failed
