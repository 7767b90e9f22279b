#!/usr/bin/env python3
"""Every writable global of the module is in the load-state list of
module/frame/module_state.h, which is what a test restores and what
docs/maintaining.md promises: the symbols the module's objects define in
writable data (nm types d, D, b, B) are compared with the names the list
declares. Kernel-services
objects (kernel_*) keep their own platform state and are not the module's.

usage: check_load_state.py NM ARCHIVE module_state.h"""
import re
import subprocess
import sys


def listed_names(header):
    with open(header, encoding="utf-8") as f:
        text = f.read()
    # X(type, name, value at load) entries of the list macro (not comments).
    code = "\n".join(line.split("//")[0] for line in text.splitlines())
    return set(re.findall(r"\bX\([^,]+,\s*([A-Za-z_][A-Za-z0-9_]*)\s*,", code))


# Sections the program may write. Constant tables that hold pointers live in
# .data.rel.ro: written once by the loader's relocations, read-only after.
WRITABLE = re.compile(r"^\.(data|bss)(\.|$)")
READ_ONLY_AFTER_RELOCATION = re.compile(r"^\.data\.rel\.ro(\.|$)")


def writable_symbols(nm, archive):
    out = subprocess.run([nm, "-C", "--defined-only", "--format=sysv", archive], check=True,
                         capture_output=True, text=True, env={"LC_ALL": "C"}).stdout
    symbols = {}
    member = None
    for line in out.splitlines():
        # GNU nm names a member "Symbols from lib.a[x.o]:", LLVM's (with
        # clang) "Symbols from x.o:".
        m = re.match(r"^Symbols from (?:.*\[(.*)\]|([^\[\]]*)):$", line)
        if m:
            member = m.group(1) or m.group(2)
            continue
        fields = [f.strip() for f in line.split("|")]
        if len(fields) != 7 or member is None or member.startswith("kernel_"):
            continue
        name, section = fields[0], fields[6]
        if WRITABLE.match(section) and not READ_ONLY_AFTER_RELOCATION.match(section):
            symbols.setdefault(name, member)
    return symbols


def main():
    nm, archive, header = sys.argv[1:4]
    listed = listed_names(header)
    symbols = writable_symbols(nm, archive)
    failures = 0
    for name, member in sorted(symbols.items()):
        if name not in listed:
            print(f"FAIL: {name} ({member}) is writable module state missing from the "
                  "load-state list")
            failures += 1
    for name in sorted(listed - set(symbols)):
        print(f"FAIL: {name} is in the load-state list but no object defines it")
        failures += 1
    if failures:
        return 1
    print(f"ok: {len(symbols)} writable globals, all in the load-state list")
    return 0


if __name__ == "__main__":
    sys.exit(main())
