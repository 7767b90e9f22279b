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
apt-get install -y -q $missing
