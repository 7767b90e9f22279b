#!/bin/sh
# libtvboard.so shows exactly the module's three exports and nothing else.
set -eu
got=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
want=$(printf '%s\n' DllInitialize DllUnload GetBoardModuleCaps)
if [ "$got" != "$want" ]; then
    echo "exports of $1 differ:"; echo "$got"; exit 1
fi
echo "exports: $(echo $got)"
