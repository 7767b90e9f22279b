"""The import library for the WDK's linker, and what hosts linked against it bind.

tvboard.lib must be a COFF short import library for i386 (what `lib /def:`
writes and link.exe and lld-link read) whose one export is imported from
tvboard.sys by its stdcall name _GetBoardModuleCaps@16, undecorated at load
time to the GetBoardModuleCaps the image exports. Each host must import
GetBoardModuleCaps from tvboard.sys and nothing but the kernel32 functions it
prints and times with: no C runtime. Read with llvm-readobj (LLVM_READOBJ,
default llvm-readobj) and pefile (Debian: python3-pefile).

usage: check_host_imports.py tvboard.lib HOST.exe...
"""

import os
import re
import subprocess
import sys

import pefile

WANT_LIBRARY = {"File": "tvboard.sys", "Format": "COFF-import-file", "Type": "code",
                "Name type": "undecorate"}
WANT_SYMBOLS = sorted(["__imp__GetBoardModuleCaps@16", "_GetBoardModuleCaps@16"])
WANT_IMPORTS = {
    "tvboard.sys": ["GetBoardModuleCaps"],
    "kernel32.dll": ["ExitProcess", "GetStdHandle", "QueryPerformanceCounter",
                     "QueryPerformanceFrequency", "WriteFile"],
}


def main(argv):
    if len(argv) < 3:
        print(__doc__.split("\n\n")[-1].strip())
        return 2
    failures = 0

    def check(ok, text, fail):
        nonlocal failures
        print(f"ok: {text}" if ok else f"FAIL: {fail}")
        failures += 0 if ok else 1

    tool = os.environ.get("LLVM_READOBJ", "llvm-readobj")
    out = subprocess.run([tool, argv[1]], check=True, capture_output=True, text=True).stdout
    # The member that imports the function, and the import descriptor objects
    # beside it, which carry the machine type.
    members = out.split("\n\n")
    member = next((m for m in members if "COFF-import-file" in m), "")
    fields = dict(re.findall(r"^(File|Format|Type|Name type): (.*)$", member, re.M))
    symbols = sorted(re.findall(r"^Symbol: (.*)$", member, re.M))
    arches = {a for m in members for a in re.findall(r"^Arch: (.*)$", m, re.M)}
    check(fields == WANT_LIBRARY and symbols == WANT_SYMBOLS and arches == {"i386"},
          f"{os.path.basename(argv[1])}: i386 short import of {' '.join(symbols)} "
          "from tvboard.sys, name undecorated",
          f"{argv[1]}: {fields} {symbols} {arches}, want {WANT_LIBRARY} {WANT_SYMBOLS} i386")

    for host in argv[2:]:
        pe = pefile.PE(host)
        imports = {d.dll.decode().lower(): sorted(i.name.decode() for i in d.imports)
                   for d in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
        listed = "; ".join(f"{dll}: {' '.join(names)}" for dll, names in sorted(imports.items()))
        check(imports == WANT_IMPORTS, f"{os.path.basename(host)} imports {listed}",
              f"{host} imports {listed}; want only {WANT_IMPORTS}")

    print("all checks passed" if failures == 0 else f"{failures} check(s) failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
