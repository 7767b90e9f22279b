#!/bin/sh
# shellcheck disable=SC2015 # "pass" always succeeds: "A && pass || fail" is if-then-else
# tvboard.sys as the Windows kernel loader and the host streaming driver see
# it, checked on this machine: a native-subsystem DLL with DriverEntry as its
# entry, exactly the three exports, imports only from the kernel and the HAL,
# a correct image checksum, no timestamp, base relocations for every pointer
# the host follows, no runtime hooks (constructors, TLS, stack probes,
# exceptions, library calls), and every slot of the five operation tables
# pointing at a stdcall routine that removes exactly the arguments the host
# pushes for that slot.
#
# usage: check_sys.sh tvboard.sys tvboard-symbols.sys
# The second image is the same link with its symbol table kept; it is only
# used to name addresses, after checking that it loads the same bytes.
set -eu
sys=$1
symbols=$2
OBJDUMP=${OBJDUMP:-i686-w64-mingw32-objdump}
NM=${NM:-i686-w64-mingw32-nm}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
hex() { printf '0x%08x' "$1"; }

# Little-endian integers straight from the file, independent of the host.
u16() { od -An -v -tu1 -j "$2" -N2 "$1" | awk '{ print $1 + 256 * $2 }'; }
u32() { od -An -v -tu1 -j "$2" -N4 "$1" | awk '{ print $1 + 256 * ($2 + 256 * ($3 + 256 * $4)) }'; }

# The PE image checksum: the file as 16-bit little-endian words, with the
# checksum field itself read as zero, summed with the carry folded back in at
# every step, then the file length added.
pe_checksum() {
    size=$(wc -c <"$1")
    od -An -v -tu1 "$1" | awk -v skip="$2" -v size="$size" '
        {
            for (i = 1; i <= NF; i++) {
                b = (pos >= skip && pos < skip + 4) ? 0 : $i
                if (pos % 2 == 0) {
                    lo = b
                } else {
                    sum += lo + 256 * b
                    sum = sum % 65536 + int(sum / 65536)
                }
                pos++
            }
        }
        END {
            if (pos % 2 == 1) { sum += lo; sum = sum % 65536 + int(sum / 65536) }
            sum = sum % 65536 + int(sum / 65536)
            printf "%d\n", (sum + size) % 4294967296
        }'
}

for f in "$sys" "$symbols"; do
    [ -f "$f" ] || { echo "FAIL: $f not found"; exit 1; }
done

# --- headers ------------------------------------------------------------
pe=$(u32 "$sys" 60)
opt=$((pe + 24))
if [ "$(od -An -c -j "$pe" -N2 "$sys" | tr -d ' ')" = "PE" ] && [ "$(u16 "$sys" $((pe + 4)))" -eq 332 ] &&
    [ "$(u16 "$sys" "$opt")" -eq 267 ]; then
    pass "PE32 image for i386"
else
    fail "not a PE32 image for i386"
fi
characteristics=$(u16 "$sys" $((pe + 22)))
[ $((characteristics & 0x2000)) -ne 0 ] && pass "DLL" || fail "not marked as a DLL"
subsystem=$(u16 "$sys" $((opt + 68)))
[ "$subsystem" -eq 1 ] && pass "subsystem native" || fail "subsystem $subsystem, not native (1)"
stamp=$(u32 "$sys" $((pe + 8)))
[ "$stamp" -eq 0 ] && pass "no timestamp in the file header" || fail "file header timestamp $(hex "$stamp")"
base=$(u32 "$sys" $((opt + 28)))
entry=$((base + $(u32 "$sys" $((opt + 16)))))
directory() { u32 "$sys" $((opt + 96 + 8 * $1 + $2)); } # entry, 0 = address, 4 = size

stored=$(u32 "$sys" $((opt + 64)))
computed=$(pe_checksum "$sys" $((opt + 64)))
if [ "$stored" -eq 0 ]; then
    fail "image checksum is zero"
elif [ "$stored" -ne "$computed" ]; then
    fail "image checksum $(hex "$stored"), the image sums to $(hex "$computed")"
else
    pass "image checksum $(hex "$stored") matches the image"
fi

[ "$(directory 9 4)" -eq 0 ] && pass "no TLS directory" || fail "image has a TLS directory"
if [ "$(directory 5 0)" -ne 0 ] && [ "$(directory 5 4)" -ne 0 ]; then
    pass "base relocations present"
else
    fail "no base relocations: the kernel loads drivers at any address"
fi

# --- sections -----------------------------------------------------------
# name vma fileoffset size flags, one line each
"$OBJDUMP" -h "$sys" | awk '
    $1 ~ /^[0-9]+$/ && NF >= 7 { name = $2; size = $3; vma = $4; off = $6; next }
    name != "" { print name, vma, off, size, $0; name = "" }' >"$work/sections"
unexpected=$(awk '$1 !~ /^\.(text|data|rdata|bss|edata|idata|reloc)$/ { print $1 }' "$work/sections")
[ -z "$unexpected" ] && pass "sections: $(awk '{ printf "%s ", $1 }' "$work/sections")" ||
    fail "unexpected sections (runtime or unwind data?): $(echo "$unexpected" | tr '\n' ' ')"

# The symbols image must load exactly what tvboard.sys loads.
"$OBJDUMP" -h "$sys" | sed -n '/^Sections:/,$p' >"$work/h1"
"$OBJDUMP" -h "$symbols" | sed -n '/^Sections:/,$p' >"$work/h2"
"$OBJDUMP" -s "$sys" | sed 1,2d >"$work/s1"
"$OBJDUMP" -s "$symbols" | sed 1,2d >"$work/s2"
if cmp -s "$work/h1" "$work/h2" && cmp -s "$work/s1" "$work/s2" &&
    [ "$(u32 "$symbols" $(($(u32 "$symbols" 60) + 24 + 16)))" -eq $((entry - base)) ]; then
    pass "symbols image has the same sections and contents"
else
    fail "$symbols does not match $sys; the checks below cannot name addresses"
    exit 1
fi

# --- symbols ------------------------------------------------------------
"$NM" --defined-only "$symbols" | awk '{ print $1, $2, $3 }' >"$work/symbols"
address_of() { # the address of a named symbol, in decimal
    a=$(awk -v n="$1" '$3 == n { print $1; exit }' "$work/symbols")
    [ -n "$a" ] && echo $((0x$a)) || echo -1
}
stdcall_bytes_at() { # the @N of the stdcall routines at an address; "" if none
    awk -v a="$(printf '%08x' "$1")" '$1 == a && $2 ~ /^[Tt]$/ && $3 ~ /@[0-9]+$/ {
        sub(/.*@/, "", $3); print $3 }' "$work/symbols" | sort -u
}
names_at() {
    awk -v a="$(printf '%08x' "$1")" '$1 == a && $2 ~ /^[Tt]$/ { printf "%s ", $3 }' "$work/symbols"
}

forbidden=$(awk '$3 ~ /^_+(chkstk|chkstk_ms|alloca|stack_chk_fail|stack_chk_guard|gxx_personality|cxa_|Unwind_|register_frame_info|deregister_frame_info|tls_used|_tls_index|DllMain|DllMainCRTStartup|mingw_|pei386_runtime_relocator)/ ||
                 $3 ~ /^__ZT[ISV]/ || $3 ~ /^_(memcpy|memset|memmove|memcmp|strlen|malloc|free|printf)$/ { print $3 }' "$work/symbols")
[ -z "$forbidden" ] && pass "no runtime, stack-probe, exception, RTTI or library symbols" ||
    fail "linked in: $(echo "$forbidden" | tr '\n' ' ')"

# The image's constructor list holds only its -1 and 0 ends: no code runs
# before DllInitialize.
ctors=$(address_of ___CTOR_LIST__)
dtors=$(address_of ___DTOR_LIST__)
[ "$ctors" -ge 0 ] && [ $((dtors - ctors)) -eq 8 ] && pass "no static constructors" ||
    fail "static constructors present ($(( (dtors - ctors) / 4 - 2 )) entries)"
[ "$(address_of ___RUNTIME_PSEUDO_RELOC_LIST__)" -eq "$(address_of ___RUNTIME_PSEUDO_RELOC_LIST_END__)" ] &&
    pass "no pseudo-relocations (data imported through code)" || fail "pseudo-relocations need a runtime"

[ "$entry" -eq "$(address_of _DriverEntry@8)" ] && pass "entry point is DriverEntry (stdcall, 2 arguments)" ||
    fail "entry point $(hex "$entry") is not _DriverEntry@8"

# --- exports ------------------------------------------------------------
"$OBJDUMP" -p "$sys" >"$work/p"
awk '/^Export Address Table --/ { on = 1; next } on && /Export RVA/ { gsub(/[][]/, " "); print $1, $4 }
     /^\[Ordinal\/Name Pointer\] Table/ { on = 0 }' "$work/p" >"$work/eat" # index rva
awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { on = 0 }
     on { gsub(/[][]/, " "); print $1, $2 }' "$work/p" >"$work/names" # index name
exports=$(awk '{ print $2 }' "$work/names" | sort | tr '\n' ' ')
[ "$exports" = "DllInitialize DllUnload GetBoardModuleCaps " ] && pass "exports: $exports" ||
    fail "exports are '$exports', want exactly DllInitialize DllUnload GetBoardModuleCaps"
export_stamp=$(awk '/^Time\/Date stamp/ { print $3; exit }' "$work/p")
[ "$export_stamp" = "0" ] && pass "no timestamp in the export directory" ||
    fail "export directory timestamp $export_stamp"
for e in DllInitialize:_DllInitialize@4 DllUnload:_DllUnload@0 GetBoardModuleCaps:_GetBoardModuleCaps@16; do
    name=${e%%:*}
    want=${e#*:}
    index=$(awk -v n="$name" '$2 == n { print $1 }' "$work/names")
    rva=$(awk -v i="$index" '$1 == i { print $2 }' "$work/eat")
    if [ -n "$rva" ] && [ $((base + 0x$rva)) -eq "$(address_of "$want")" ]; then
        pass "export $name is $want"
    else
        fail "export $name does not lead to $want"
    fi
done

# --- imports ------------------------------------------------------------
awk '/DLL Name:/ { dll = $3; next }
     dll != "" && /^\t[0-9a-f]+\t/ { print dll "!" ($3 == "" ? "(ordinal " $2 ")" : $3) }
     /^There is an export table/ { dll = "" }' "$work/p" >"$work/imports"
allowed="ntoskrnl.exe!ExAllocatePoolWithTag ntoskrnl.exe!ExFreePool ntoskrnl.exe!DbgPrint
ntoskrnl.exe!KeInitializeEvent ntoskrnl.exe!KeWaitForSingleObject ntoskrnl.exe!KeDelayExecutionThread
HAL.dll!KeGetCurrentIrql HAL.dll!KeStallExecutionProcessor"
stray=$(echo "$allowed" | tr ' ' '\n' | awk 'NR == FNR { ok[$0] = 1; next } !($0 in ok)' - "$work/imports")
[ -s "$work/imports" ] && [ -z "$stray" ] && pass "imports: $(tr '\n' ' ' <"$work/imports")" ||
    fail "imports beyond the kernel services: $(echo "$stray" | tr '\n' ' ')"

# --- operation tables and capability record -----------------------------
awk '/\[[0-9a-f]+\] HIGHLOW/ { match($0, /\[[0-9a-f]+\]/); print substr($0, RSTART + 1, RLENGTH - 2) }' \
    "$work/p" >"$work/relocs"
# Sections with decimal numbers: name vma fileoffset size flags.
while read -r name vma off size flags; do
    echo "$name $((0x$vma)) $((0x$off)) $((0x$size)) $flags"
done <"$work/sections" >"$work/sdec"
word_at() { # the 32-bit word tvboard.sys loads at an address
    off=$(awk -v va="$1" '$5 ~ /CONTENTS/ && va >= $2 + 0 && va + 4 <= $2 + $4 { print $3 + va - $2; exit }' \
        "$work/sdec")
    [ -n "$off" ] && u32 "$sys" "$off" || echo -1
}
has_reloc() { grep -qx "$(printf '%x' $(($1 - base)))" "$work/relocs"; }

# Arguments the host pushes for each slot, in slot order.
check_table() {
    table=$1
    shift
    at=$(address_of "_$table")
    if [ "$at" -lt 0 ]; then
        fail "$table not found"
        return
    fi
    slot=0
    bad=0
    for args in "$@"; do
        va=$((at + 4 * slot))
        target=$(word_at "$va")
        got=$(stdcall_bytes_at "$target")
        if ! has_reloc "$va"; then
            fail "$table slot $slot has no base relocation"
            bad=1
        elif [ "$got" != $((4 * args)) ]; then
            fail "$table slot $slot: want a stdcall routine of $args arguments (@$((4 * args))), found $(names_at "$target")"
            bad=1
        fi
        slot=$((slot + 1))
    done
    if [ $bad -eq 0 ]; then
        pass "$table: $# slots, argument counts $*"
    fi
}
check_table BoardOps 3 2
check_table VideoOps 2 2 4 3 21 2 20 2 5 5 3 3
check_table AudioOps 2 4 3 2
check_table InputOps 2 2 2 3 3
check_table TunerOps 4 3 3

caps=$(address_of _BoardModuleCapsRecord)
want="36 4349 56832 1"
for t in BoardOps VideoOps AudioOps InputOps TunerOps; do want="$want $(address_of "_$t")"; done
got=""
relocated=1
for i in 0 1 2 3 4 5 6 7 8; do
    got="$got $(word_at $((caps + 4 * i)))"
    [ $i -lt 4 ] || has_reloc $((caps + 4 * i)) || relocated=0
done
[ "$got" = " $want" ] && [ $relocated -eq 1 ] &&
    pass "capability record: 36, 0x10FD, 0xDE00, 1 and the five tables" ||
    fail "capability record reads$got, want $want (relocated: $relocated)"

size=$(wc -c <"$sys")
note=""
[ "$size" -lt 32768 ] || note=" (over the 32 KiB goal)"
echo "size: $sys is $size bytes$note"
if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
