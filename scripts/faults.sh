#!/bin/sh
# Puts each deliberate fault of tests/faults.txt into the module in turn,
# rebuilds the default preset, runs its tests and takes the fault out again:
# a fault is CAUGHT when some test fails (or BUILD when it does not even
# compile), MISSED when every test still passes, STALE when its text no
# longer occurs exactly once where it should. Takes minutes; not part of
# scripts/test-all.sh, which runs only --check (seconds), so a stale entry
# fails the test command the day the code under it moves.
#
# usage: scripts/faults.sh [--strict] [--check] [--file FAULTS] [--timeout SECONDS]
#                          [--exclude REGEX] [ID...]
#   ID...      only these faults (default: all)
#   --strict   exit 1 when a fault is missed or stale
#   --check    only check that every fault still applies (no build, no tests);
#              exit 1 when one is stale
#   --file     another fault list (default: tests/faults.txt)
#   --timeout  per-test limit for ctest in seconds (default: 20; every test
#              takes about a second at most), so a fault that makes a test
#              loop cannot hang the run
#   --exclude  tests that do not count (ctest -E REGEX), e.g. to see which
#              faults only a checked-in timeline catches
# Exit 0 after a run (missed faults are a report, not an error), 1 with
# --strict and a missed or stale fault or with --check and a stale one, 2
# when the script itself could not do its job (bad list, unknown ID, tests
# failing without any fault, a file it could not restore). Build and test
# output of each fault is kept in build/faults/ID.log.
set -eu
cd "$(dirname "$0")/.."

strict=0
check=0
list=tests/faults.txt
timeout=20
exclude=""
while [ $# -gt 0 ]; do
    case $1 in
    --strict) strict=1 ;;
    --check) check=1 ;;
    --file) list=$2; shift ;;
    --timeout) timeout=$2; shift ;;
    --exclude) exclude=$2; shift ;;
    -h | --help) sed -n '2,/^set -eu/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "faults: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
    shift
done
[ -f "$list" ] || { echo "faults: $list not found" >&2; exit 2; }
case $timeout in '' | *[!0-9]*) echo "faults: --timeout wants whole seconds" >&2; exit 2 ;; esac

logs=build/faults
mkdir -p "$logs"
work=$(mktemp -d)
current=""  # the source file mutated right now, if any
child=""    # the build or test run going on right now, if any

restore() {
    if [ -n "$current" ]; then
        cat "$work/original" >"$current"
        current=""
    fi
}
# shellcheck disable=SC2317 # called by the EXIT trap
cleanup() {
    status=$?
    [ -z "$child" ] || kill -TERM "-$child" 2>/dev/null || true
    restore
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# --- the list -----------------------------------------------------------
# Entries: id TAB file[:line] TAB from TAB to TAB description [TAB check];
# '#' comments and blank lines are skipped. Checked whole before anything is
# mutated. The check is "tests" (the default preset's tests; the default) or
# "image" (the shipped tvboard.sys rebuilt with the fault and every kept fuzz
# input replayed on it against the reference, in the 32-bit build).
awk -F'\t' '
    function complain(text) { printf "faults: %s line %d: %s\n", FILENAME, FNR, text > "/dev/stderr"; bad = 1 }
    /^#/ || /^[ \t]*$/ { next }
    (NF != 5 && NF != 6) || $1 == "" || $2 == "" || $3 == "" || $5 == "" {
        complain("want 5 or 6 tab-separated fields (id, file, from, to, description[, check]), found " NF)
        next
    }
    NF == 6 && $6 != "tests" && $6 != "image" { complain($1 ": check is tests or image, not " $6) }
    $3 == $4 { complain($1 " changes nothing") }
    $1 in seen { complain("id " $1 " used twice") }
    { seen[$1] = 1; print $1 }
    END { exit bad }' "$list" >"$work/ids" || exit 2
if [ $# -gt 0 ]; then
    : >"$work/chosen"
    for id in "$@"; do
        grep -qxF -- "$id" "$work/ids" || { echo "faults: no fault $id in $list" >&2; exit 2; }
        echo "$id" >>"$work/chosen"
    done
else
    cp "$work/ids" "$work/chosen"
fi

# The fields of one entry, each on its own line of its own file, so that no
# text of the list passes through the shell.
field() { # field ID N
    awk -F'\t' -v id="$1" -v n="$2" '!/^#/ && $1 == id { print $n; exit }' "$list"
}

# Applies the entry to its file: prints the mutated file on stdout, or exits
# 3 with the number of occurrences when it is not exactly one.
mutate() { # mutate ID FILE LINE (LINE 0: anywhere in the file)
    FROM=$(field "$1" 3) TO=$(field "$1" 4) awk -v line="$3" '
        {
            text = $0; out = ""
            if (line == 0 || FNR == line) {
                while ((i = index(text, ENVIRON["FROM"])) > 0) {
                    count++
                    out = out substr(text, 1, i - 1) ENVIRON["TO"]
                    text = substr(text, i + length(ENVIRON["FROM"]))
                }
            }
            print out text
        }
        END { if (count != 1) { print count + 0 > "/dev/stderr"; exit 3 } }' "$2"
}

# Build and tests run in the background, in a process group of their own,
# and are waited for: an interruption stops the whole group (a test a fault
# made loop included) and takes the fault out at once.
in_background() { # in_background LOG COMMAND...
    log=$1
    shift
    setsid "$@" >>"$log" 2>&1 &
    child=$!
    rc=0
    wait "$child" || rc=$?
    child=""
    return $rc
}
build() { in_background "$1" cmake --build --preset default; }
run_tests() {
    in_background "$1" ctest --preset default --timeout "$timeout" --stop-on-failure \
        ${exclude:+--exclude-regex "$exclude"}
}
# An image fault: the shipped image built with it, every kept input on it.
# The shipped image is named here once: its preset and target, and the file
# they make. (The 32-bit loader holds any image it is given to the same
# kernel rules, so another shipped image changes only these three.)
image_preset=msvc
image_target=tvboard_sys
image=build/$image_preset/tvboard.sys
build_image() { in_background "$1" cmake --build --preset "$image_preset" --target "$image_target"; }
replay_image() {
    in_background "$1" build/i386/fuzz/tvboard_fuzz_replay --image "$image" harness/fuzz/corpus \
        harness/fuzz/campaign harness/fuzz/regressions
}
first_failure() { # the name of the first failed test in a log
    awk '/The following tests FAILED:/ { on = 1; next }
         on && NF { sub(/^[ \t]*[0-9]+ - /, ""); print; exit }' "$1"
}

# --- without any fault, everything must pass ----------------------------
if [ $check -eq 0 ]; then
    echo "faults: building and testing the unchanged tree"
    cmake --preset default >/dev/null
    : >"$logs/baseline.log"
    if ! build "$logs/baseline.log" || ! run_tests "$logs/baseline.log"; then
        echo "faults: the unchanged tree does not build or pass its tests; see $logs/baseline.log" >&2
        exit 2
    fi
    while read -r id; do
        [ "$(field "$id" 6)" = image ] || continue
        echo "faults: building the unchanged image and replaying every kept input on it"
        cmake --preset i386 >/dev/null && cmake --preset "$image_preset" >/dev/null
        if ! in_background "$logs/baseline.log" cmake --build --preset i386 \
            --target tvboard_fuzz_replay || ! build_image "$logs/baseline.log" ||
            ! replay_image "$logs/baseline.log"; then
            echo "faults: the unchanged image does not build or replay clean; see $logs/baseline.log" >&2
            exit 2
        fi
        break
    done <"$work/chosen"
fi

total=0
caught=0
builds=0
stale=0
missed=""
stale_ids=""
while read -r id; do
    total=$((total + 1))
    target=$(field "$id" 2)
    description=$(field "$id" 5)
    file=${target%%:*}
    line=0
    [ "$file" = "$target" ] || line=${target#*:}
    log="$logs/$id.log"
    if [ ! -f "$file" ]; then
        printf 'STALE   %-24s %s not found\n' "$id" "$file"
        stale=$((stale + 1)); stale_ids="$stale_ids $id"
        continue
    fi
    if ! mutate "$id" "$file" "$line" >"$work/mutated" 2>"$work/count"; then
        printf 'STALE   %-24s %s: the text occurs %s times%s, not once\n' "$id" "$target" \
            "$(cat "$work/count")" "$([ "$line" -eq 0 ] || echo " on line $line")"
        stale=$((stale + 1)); stale_ids="$stale_ids $id"
        continue
    fi
    if [ $check -eq 1 ]; then
        printf 'APPLIES %-24s %s\n' "$id" "$target"
        continue
    fi

    was_clean=0
    git diff --quiet -- "$file" && was_clean=1
    : >"$log"
    cp "$file" "$work/original"
    current=$file
    cat "$work/mutated" >"$file"
    # One ladder for both kinds: the build that takes the fault, then what
    # must notice it.
    if [ "$(field "$id" 6)" = image ]; then
        set -- build_image replay_image "every input replays the same"
    else
        set -- build run_tests "every test passes"
    fi
    if ! "$1" "$log"; then
        verdict=BUILD
        builds=$((builds + 1))
        caught=$((caught + 1))
        detail="does not compile"
    elif ! "$2" "$log"; then
        verdict=CAUGHT
        caught=$((caught + 1))
        if [ "$2" = replay_image ]; then
            detail="by the replay on the image: $(grep -m1 '^FINDING' "$log")"
        else
            detail="by $(first_failure "$log")"
        fi
    else
        verdict=MISSED
        missed="$missed $id"
        detail="$3: $description"
    fi
    restore
    if ! cmp -s "$file" "$work/original" ||
        { [ $was_clean -eq 1 ] && ! git diff --quiet -- "$file"; }; then
        echo "faults: $file was not restored" >&2
        exit 2
    fi
    printf '%-7s %-24s %s\n' "$verdict" "$id" "$detail"
done <"$work/chosen"

if [ $check -eq 1 ]; then
    echo "$((total - stale)) of $total apply ($stale stale)"
else
    # Leave the builds as the sources are.
    build "$logs/after.log" ||
        { echo "faults: the restored tree does not build; see $logs/after.log" >&2; exit 2; }
    if [ -f "$image" ]; then
        build_image "$logs/after.log" ||
            { echo "faults: the restored image does not build; see $logs/after.log" >&2; exit 2; }
    fi
    echo "caught $caught of $total ($stale stale, $builds build failures)"
fi
[ -z "$missed" ] || echo "missed:$missed"
[ -z "$stale_ids" ] || echo "stale:$stale_ids"
if [ $strict -eq 1 ] && [ -n "$missed$stale_ids" ]; then
    exit 1
fi
if [ $check -eq 1 ] && [ -n "$stale_ids" ]; then
    exit 1
fi
exit 0
