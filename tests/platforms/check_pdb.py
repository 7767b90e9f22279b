"""tvboard.pdb as a Windows debugger finds and reads it for tvboard.sys.

Checked: the image's debug directory names the PDB by its file name alone
(a debugger looks it up on its symbol path or beside the image) with the GUID
and age the PDB carries; the PDB holds a procedure, with its name and code
range, at the address of every function the module's own objects put into
the image (the link map says which those are; library code such as the
compiler's helpers and the import thunks has no debug information), and frame
data for each, which a debugger needs to walk the stack through frames
without a frame pointer; and public names as a Windows debugger demangles
them: C++ names MSVC-decorated (?...), none in the Itanium scheme (_Z...) of
the GNU tools, which it does not read. The PDB is read with llvm-pdbutil (LLVM_PDBUTIL,
default llvm-pdbutil), the image with pefile (Debian: python3-pefile).

usage: check_pdb.py tvboard.sys tvboard.pdb tvboard.map
"""

import os
import re
import subprocess
import sys
import uuid

import pefile

DEBUG_TYPE_CODEVIEW = 2


def pdbutil(*args):
    tool = os.environ.get("LLVM_PDBUTIL", "llvm-pdbutil")
    return subprocess.run([tool, "dump", *args], check=True, capture_output=True,
                          text=True).stdout


def module_functions(map_path):
    """RVA -> names of the symbols in code the module's objects contributed."""
    functions, section = {}, None
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.match(r"^([0-9a-f]{8}) [0-9a-f]{8} +\d+ ( *)(\S+)$", line.rstrip("\n"))
            if not m:
                continue
            if len(m.group(2)) == 8:  # an input section: object:(section)
                section = m.group(3)
            elif len(m.group(2)) == 16 and re.search(r"\.obj:\(\.text", section or ""):
                functions.setdefault(int(m.group(1), 16), set()).add(m.group(3))
    return functions


def main(argv):
    if len(argv) != 4:
        print(__doc__.split("\n\n")[-1].strip())
        return 2
    image, pdb, map_path = argv[1:]
    failures = 0

    def check(ok, text, fail):
        nonlocal failures
        print(f"ok: {text}" if ok else f"FAIL: {fail}")
        failures += 0 if ok else 1

    pe = pefile.PE(image)
    records = [d.entry for d in getattr(pe, "DIRECTORY_ENTRY_DEBUG", [])
               if d.struct.Type == DEBUG_TYPE_CODEVIEW and d.entry is not None]
    if not records:
        print(f"FAIL: {image} has no CodeView record in its debug directory")
        return 1
    cv = records[0]
    name = cv.PdbFileName.rstrip(b"\0").decode("ascii", "replace")
    at = cv.get_file_offset() + 4  # the GUID follows the signature "RSDS"
    guid = str(uuid.UUID(bytes_le=bytes(pe.__data__[at:at + 16]))).upper()
    check(name == os.path.basename(pdb), f"the image names {name}",
          f"the image names '{name}', not {os.path.basename(pdb)}")

    summary = pdbutil("--summary", pdb)
    pdb_guid = re.search(r"GUID: \{([0-9A-F-]+)\}", summary)
    pdb_age = re.search(r"Age: (\d+)", summary)
    check(pdb_guid and pdb_age and pdb_guid.group(1) == guid and int(pdb_age.group(1)) == cv.Age,
          f"the PDB is the image's: GUID {guid}, age {cv.Age}",
          f"the image wants GUID {guid} age {cv.Age}, the PDB has "
          f"{pdb_guid and pdb_guid.group(1)} age {pdb_age and pdb_age.group(1)}")

    procedures, pending = {}, None
    for line in pdbutil("--symbols", pdb).splitlines():
        m = re.search(r"S_[GL]PROC32 \[size = \d+\] `(.*)`", line)
        if m:
            pending = m.group(1)
            continue
        m = re.search(r"addr = (\d+):(\d+)", line)
        if m and pending is not None:
            section = pe.sections[int(m.group(1)) - 1]
            procedures[section.VirtualAddress + int(m.group(2))] = pending
            pending = None
    functions = module_functions(map_path)
    missing = ["/".join(sorted(names)) for rva, names in sorted(functions.items())
               if rva not in procedures]
    check(functions and not missing,
          f"the PDB has all {len(functions)} functions of the module's objects",
          f"{len(missing)} of {len(functions)} functions missing from the PDB: "
          + " ".join(missing))

    frames = {int(m.group(1), 16)
              for m in re.finditer(r"^([0-9A-F]{8}) \|", pdbutil("--fpo", pdb), re.M)}
    no_frames = [procedures[rva] for rva in sorted(procedures) if rva not in frames]
    check(procedures and not no_frames, "frame data for every procedure",
          "no frame data for: " + " ".join(no_frames) if procedures else "no procedures")

    publics = re.findall(r"S_PUB32 \[size = \d+\] `(.*)`", pdbutil("--publics", pdb))
    itanium = [n for n in publics if re.match(r"^_*Z", n)]
    decorated = [n for n in publics if n.startswith("?")]
    check(decorated and not itanium,
          f"{len(publics)} public names, the {len(decorated)} of C++ MSVC-decorated",
          f"public names in the Itanium scheme: {' '.join(itanium)}" if itanium else
          "no MSVC-decorated public names")

    print("all checks passed" if failures == 0 else f"{failures} check(s) failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
