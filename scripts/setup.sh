#!/bin/sh
# Installs what building and testing tvboard needs on a Debian machine.
# As root, missing packages are installed with apt-get; otherwise the script
# names them and stops. Wine's 32-bit part (wine32, which runs tvboard.sys)
# needs Debian's i386 architecture: as root it is added when missing.
set -eu
# python3-pefile reads tvboard.sys for its checks; clang-tidy and
# clang-format are what scripts/tidy.sh and the formatting rule use; the
# bench's command line is CLI11 (libcli11-dev, header-only) and its JSON
# documents nlohmann's JSON (nlohmann-json3-dev, header-only); sigrok-cli's I2C
# decoder reads its logic-analyzer captures back in the tests, and Google
# Benchmark (libbenchmark-dev) measures the module for docs/performance.md;
# clang with libFuzzer (libclang-rt-14-dev) builds the fuzz target, and llvm's
# llvm-cov and llvm-profdata measure coverage. clang in MSVC mode and lld's
# lld-link build the C host against tvboard.lib, which llvm's llvm-dlltool
# makes and llvm-readobj reads back; clang and lld also build the shipped
# tvboard.sys in MSVC mode and its PDB, which llvm-pdbutil reads back and
# whose MSVC-decorated names llvm-undname reads. openssl makes the
# throw-away certificate osslsigncode signs the shipped image with.
packages="cmake ninja-build g++ g++-multilib googletest libgtest-dev binutils \
g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686 python3-pefile \
clang-tidy clang-format wine wine32:i386 libcli11-dev nlohmann-json3-dev sigrok-cli \
libbenchmark-dev clang libclang-rt-14-dev llvm lld openssl osslsigncode"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing Debian packages:$missing" >&2
    dpkg --print-foreign-architectures | grep -qx i386 ||
        echo "setup: wine32 needs the i386 architecture: sudo dpkg --add-architecture i386" >&2
    echo "setup: run as root, or: sudo apt-get update && sudo apt-get install$missing" >&2
    exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding Debian's i386 architecture (for wine32, which runs the 32-bit driver)"
    dpkg --add-architecture i386
fi
echo "setup: installing$missing"
export DEBIAN_FRONTEND=noninteractive
# A mirror being synced serves an index that does not match its release
# file for a while: try again, and then install from the lists there are
# (apt-get install names what it cannot find).
tries=0
until apt-get update -q; do
    tries=$((tries + 1))
    if [ "$tries" -ge 3 ]; then
        echo "setup: apt-get update failed $tries times; installing from the package lists there are" >&2
        break
    fi
    sleep 20
done
# shellcheck disable=SC2086
apt-get install -y -q $missing && exit 0

# Wine's 32-bit part needs the i386 build of each shared library at exactly
# the version of the amd64 one. When the i386 index of the security updates
# is the one that did not download (as above), apt knows only older i386
# builds and refuses. The builds of the amd64 candidate (the installed
# version when it is the newest) are in the archive's pool: fetch the ones
# apt names, and install them with the rest and the amd64 libraries brought
# to that version, a few rounds, as each round names the next libraries down.
debs=$(mktemp -d)
trap 'rm -rf "$debs"' EXIT
upgrades=""
fetch_i386() { # PACKAGE: the i386 build of the amd64 candidate
    installed=$(dpkg-query -W -f='${Version}' "$1:amd64" 2>/dev/null) || return 0
    [ -n "$installed" ] || return 0
    version=$(apt-cache policy "$1:amd64" </dev/null | sed -n 's/^ *Candidate: //p')
    [ -n "$version" ] && [ "$version" != "(none)" ] || version=$installed
    candidate=$(apt-cache policy "$1:i386" </dev/null | sed -n 's/^ *Candidate: //p')
    if [ "$version" != "$installed" ]; then
        case " $upgrades " in *" $1:amd64 "*) ;; *) upgrades="$upgrades $1:amd64" ;; esac
    fi
    [ "$version" != "$candidate" ] || return 0
    source=$(dpkg-query -W -f='${source:Package}' "$1:amd64")
    case $source in lib?*) prefix=$(echo "$source" | cut -c1-4) ;; *) prefix=$(echo "$source" | cut -c1) ;; esac
    file="$1_${version#*:}_i386.deb"
    [ -f "$debs/$file" ] && return 0
    for pool in http://deb.debian.org/debian-security/pool/updates/main \
        http://deb.debian.org/debian/pool/main; do
        if curl -fsSL -o "$debs/$file" "$pool/$prefix/$source/$file" 2>/dev/null; then
            echo "setup: fetched $file from $pool"
            return 0
        fi
    done
    rm -f "$debs/$file"
    echo "setup: $file is in neither pool" >&2
}
command -v curl >/dev/null 2>&1 || apt-get install -y -q curl
rounds=0
while [ "$rounds" -lt 8 ]; do
    rounds=$((rounds + 1))
    # shellcheck disable=SC2046,SC2086
    if apt-get install -s $missing $upgrades $(find "$debs" -name '*.deb') >"$debs/plan" 2>&1; then
        break
    fi
    before="$(find "$debs" -name '*.deb' | wc -l) $upgrades"
    # shellcheck disable=SC2013
    for name in $(grep -o '[a-z0-9][a-z0-9.+-]*:i386' "$debs/plan" | sed 's/:i386$//' | sort -u); do
        fetch_i386 "$name"
    done
    [ "$(find "$debs" -name '*.deb' | wc -l) $upgrades" != "$before" ] || break
done
# shellcheck disable=SC2046,SC2086
apt-get install -y -q $(find "$debs" -name '*.deb') $upgrades $missing
