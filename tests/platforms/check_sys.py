"""tvboard.sys as the Windows kernel loader and the host streaming driver see it.

Checked on this machine: a native-subsystem DLL with DriverEntry as its entry,
exactly the three exports at ordinals from 1 without an empty slot, imports
only from the kernel and the HAL, a correct image checksum, no timestamp (or,
from a reproducible link, a hash of the image in its place), base relocations
for every pointer the host follows, no runtime hooks (constructors, TLS,
stack probes, exceptions, library calls), and every slot of the five
operation tables pointing at a stdcall routine that removes exactly the
arguments the host pushes for that slot, by its name and by its return
instructions.

usage: check_sys.py [--header tvboard.h] tvboard.sys tvboard-symbols.sys
       check_sys.py [--header tvboard.h] tvboard.sys --map tvboard.map

The names of addresses come from the same link: from GNU ld, a second image
with its symbol table kept, used after checking that it loads the same bytes;
from lld, which keeps no symbol table beside a PDB, its link map (written with
--no-demangle or /demangle:no, so names keep their stdcall decoration; the
MSVC-mode image's C++ names are MSVC-decorated, their calling convention and
arguments read with llvm-undname, LLVM_UNDNAME). With a map, "no static
constructors" means no constructor section was linked in, and the link itself
refuses pseudo-relocations (--disable-runtime-pseudo-reloc). The image is read
with pefile (Debian: python3-pefile); the one binutils call, objdump's
disassembly (OBJDUMP, default i686-w64-mingw32-objdump), runs in the C locale,
so nothing here depends on the language of the machine. The tables and the
argument count of each slot are those the public header lists (--header,
by default the one of this source tree).
"""

import os
import re
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "source_tree"))
import header_slots  # noqa: E402  (beside the source-tree checks)

try:
    import pefile
except ImportError:
    print("FAIL: the Python module pefile is missing (Debian package python3-pefile, "
          "which scripts/setup.sh installs)")
    sys.exit(1)

IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
IMAGE_FILE_DLL = 0x2000
SUBSYSTEM_NATIVE = 1
DIRECTORY_RESOURCE = 2
DIRECTORY_BASERELOC = 5
DIRECTORY_DEBUG = 6
DIRECTORY_TLS = 9
DEBUG_TYPE_REPRO = 16
RELOCATION_HIGHLOW = 3
SECTION_CODE = 0x20

ALLOWED_SECTIONS = re.compile(r"^\.(text|data|rdata|bss|edata|idata|rsrc|reloc)$")
CONSTRUCTOR_SECTIONS = re.compile(r":\((\.ctors|\.dtors|\.init_array|\.fini_array|\.CRT\$X)")
FORBIDDEN_SYMBOLS = re.compile(
    r"^_+(chkstk|chkstk_ms|alloca|stack_chk_fail|stack_chk_guard|gxx_personality|cxa_|Unwind_|"
    r"register_frame_info|deregister_frame_info|tls_used|_tls_index|DllMain|DllMainCRTStartup|"
    r"mingw_|pei386_runtime_relocator)"
    r"|^__ZT[ISV]|^\?\?_[R7]|^_(memcpy|memset|memmove|memcmp|strlen|malloc|free|printf)$"
    r"|^__(security_cookie|security_check_cookie|guard_|CxxFrameHandler|RTC_|fltused|_tls)")
ALLOWED_IMPORTS = {
    "ntoskrnl.exe!ExAllocatePoolWithTag", "ntoskrnl.exe!ExFreePool", "ntoskrnl.exe!DbgPrint",
    "ntoskrnl.exe!KeInitializeEvent", "ntoskrnl.exe!KeWaitForSingleObject",
    "ntoskrnl.exe!KeDelayExecutionThread", "HAL.dll!KeGetCurrentIrql",
    "HAL.dll!KeStallExecutionProcessor",
}
EXPORTS = {"DllInitialize": "_DllInitialize@4", "DllUnload": "_DllUnload@0",
           "GetBoardModuleCaps": "_GetBoardModuleCaps@16"}
HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "module",
                      "include", "tvboard.h")
CAPABILITY_WORDS = [36, 0x10FD, 0xDE00, 1]


class Checks:
    def __init__(self):
        self.failures = 0

    def check(self, condition, ok, fail):
        if condition:
            print(f"ok: {ok}")
        else:
            self.fail(fail)
        return condition

    def fail(self, text):
        print(f"FAIL: {text}")
        self.failures += 1


def hexa(value):
    return f"0x{value:08x}"


class Symbol:
    def __init__(self, name, address, code):
        self.name = name
        self.address = address
        self.code = code  # defined in a code section (nm's T or t)


def read_symbols(pe, data):
    """The COFF symbol table the symbols image kept, with load addresses."""
    header = pe.FILE_HEADER
    table = header.PointerToSymbolTable
    count = header.NumberOfSymbols
    strings = table + 18 * count
    base = pe.OPTIONAL_HEADER.ImageBase
    symbols = []
    i = 0
    while i < count:
        raw, value, section, _, _, aux = struct.unpack_from("<8sIhHBB", data, table + 18 * i)
        if raw[:4] == b"\0\0\0\0":
            start = strings + struct.unpack_from("<I", raw, 4)[0]
            name = data[start:data.index(b"\0", start)].decode("ascii", "replace")
        else:
            name = raw.rstrip(b"\0").decode("ascii", "replace")
        if section > 0:  # defined in a section (not absolute, debug or undefined)
            s = pe.sections[section - 1]
            symbols.append(Symbol(name, base + s.VirtualAddress + value,
                                  bool(s.Characteristics & SECTION_CODE)))
        i += 1 + aux
    return symbols


def read_map(pe, path):
    """The symbols of lld's link map, with load addresses, and its input sections."""
    base = pe.OPTIONAL_HEADER.ImageBase
    symbols, inputs = [], []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            # address, size, alignment, then the output section (column 24),
            # an input section (32) or a symbol (40)
            m = re.match(r"^([0-9a-f]{8}) [0-9a-f]{8} +\d+ ( *)(\S+)$", line.rstrip("\n"))
            if not m:
                continue
            depth, name = len(m.group(2)), m.group(3)
            if depth == 8:
                inputs.append(name)
            elif depth == 16:
                rva = int(m.group(1), 16)
                code = any(s.VirtualAddress <= rva < s.VirtualAddress + s.Misc_VirtualSize
                           and s.Characteristics & SECTION_CODE for s in pe.sections)
                symbols.append(Symbol(name, base + rva, code))
    return symbols, inputs


def msvc_stdcall_bytes(names):
    """MSVC-decorated name -> the argument bytes a __stdcall routine removes
    (None for any other convention), from llvm-undname's demangling."""
    names = sorted({n for n in names if n.startswith("?")})
    if not names:
        return {}
    tool = os.environ.get("LLVM_UNDNAME", "llvm-undname")
    out = subprocess.run([tool], input="\n".join(names) + "\n", check=True, capture_output=True,
                         text=True).stdout
    found = {}
    for name in names:
        m = re.search(r"^" + re.escape(name) + r"\n(.*)$", out, re.M)
        what = m.group(1) if m else ""
        call = re.search(r"__stdcall [^(]*\((.*)\)$", what)
        if not call:
            found[name] = None
            continue
        parameters = [p.strip() for p in split_parameters(call.group(1))]
        wide = re.compile(r"__int64|\bdouble\b|long long")
        found[name] = sum(8 if wide.search(p) and "*" not in p else 4
                          for p in parameters if p and p != "void")
    return found


def split_parameters(text):
    """A parameter list at its top-level commas."""
    depth, start, parts = 0, 0, []
    for i, c in enumerate(text):
        if c in "(<":
            depth += 1
        elif c in ")>":
            depth -= 1
        elif c == "," and depth == 0:
            parts.append(text[start:i])
            start = i + 1
    parts.append(text[start:])
    return parts


def section_key(s):
    return (s.Name, s.VirtualAddress, s.Misc_VirtualSize, s.SizeOfRawData, s.PointerToRawData,
            s.Characteristics)


def returns_by_address(objdump, path):
    """Every return instruction of the image's code: address -> bytes it removes."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("LC_") and k != "LANGUAGE"}
    env["LC_ALL"] = "C"
    out = subprocess.run([objdump, "-d", "--no-show-raw-insn", path], env=env, check=True,
                         capture_output=True, text=True).stdout
    returns = {}
    for line in out.splitlines():
        m = re.match(r"^\s*([0-9a-f]+):\s+(?:(?:repz|rep|bnd)\s+)?ret[lw]?\b\s*(\$0x[0-9a-f]+)?",
                     line)
        if m:
            returns[int(m.group(1), 16)] = int(m.group(2)[1:], 16) if m.group(2) else 0
    return returns


def main(argv):
    header = HEADER
    if len(argv) > 2 and argv[1] == "--header":
        header = argv[2]
        argv = argv[:1] + argv[3:]
    if len(argv) == 4 and argv[2] == "--map":
        sys_path, symbols_path, map_path = argv[1], None, argv[3]
    elif len(argv) == 3:
        sys_path, symbols_path, map_path = argv[1], argv[2], None
    else:
        print(__doc__.split("\n\n")[1])
        return 2
    objdump = os.environ.get("OBJDUMP", "i686-w64-mingw32-objdump")
    checks = Checks()
    check = checks.check

    for path in (header, sys_path, symbols_path or map_path):
        if not os.path.isfile(path):
            print(f"FAIL: {path} not found")
            return 1
    # Arguments the host pushes for each slot, in slot order.
    with open(header, encoding="utf-8") as f:
        listed = header_slots.tables(f.read())
    tables = [(table, [s.args for s in slots]) for table, slots in listed]
    with open(sys_path, "rb") as f:
        data = f.read()
    try:
        pe = pefile.PE(data=data)
        if symbols_path:
            with open(symbols_path, "rb") as f:
                symbols_data = f.read()
            symbols_pe = pefile.PE(data=symbols_data)
    except pefile.PEFormatError as e:
        print(f"FAIL: not a PE image: {e}")
        return 1

    # --- headers ------------------------------------------------------------
    fh = pe.FILE_HEADER
    opt = pe.OPTIONAL_HEADER
    check(fh.Machine == IMAGE_FILE_MACHINE_I386 and opt.Magic == PE32_MAGIC,
          "PE32 image for i386", "not a PE32 image for i386")
    check(fh.Characteristics & IMAGE_FILE_DLL, "DLL", "not marked as a DLL")
    check(opt.Subsystem == SUBSYSTEM_NATIVE, "subsystem native",
          f"subsystem {opt.Subsystem}, not native (1)")
    directories = opt.DATA_DIRECTORY
    pe.parse_data_directories(directories=[DIRECTORY_RESOURCE, DIRECTORY_DEBUG])
    debug_entries = getattr(pe, "DIRECTORY_ENTRY_DEBUG", [])
    # A reproducible link (/Brepro) writes a hash of the image where the
    # time would go, and says so with a REPRO debug entry.
    repro = any(d.struct.Type == DEBUG_TYPE_REPRO for d in debug_entries)
    stamp_ok = (lambda t: t in (0, fh.TimeDateStamp)) if repro else (lambda t: t == 0)
    check(repro or fh.TimeDateStamp == 0,
          "no timestamp in the file header" if not repro else
          f"file header stamp {hexa(fh.TimeDateStamp)}: a hash of the image (reproducible link)",
          f"file header timestamp {hexa(fh.TimeDateStamp)}")
    base = opt.ImageBase
    entry = base + opt.AddressOfEntryPoint

    stored = opt.CheckSum
    computed = pe.generate_checksum()
    if stored == 0:
        checks.fail("image checksum is zero")
    else:
        check(stored == computed, f"image checksum {hexa(stored)} matches the image",
              f"image checksum {hexa(stored)}, the image sums to {hexa(computed)}")

    stamps = [d.struct.TimeDateStamp for d in debug_entries]
    if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        stamps.append(pe.DIRECTORY_ENTRY_RESOURCE.struct.TimeDateStamp)
    check(all(map(stamp_ok, stamps)), "no timestamp in the debug and resource directories",
          "timestamps in the debug or resource directory: " + " ".join(map(hexa, stamps)))
    check(directories[DIRECTORY_TLS].Size == 0, "no TLS directory", "image has a TLS directory")
    check(directories[DIRECTORY_BASERELOC].VirtualAddress != 0 and
          directories[DIRECTORY_BASERELOC].Size != 0, "base relocations present",
          "no base relocations: the kernel loads drivers at any address")

    # --- sections -----------------------------------------------------------
    names = [s.Name.rstrip(b"\0").decode("ascii", "replace") for s in pe.sections]
    unexpected = [n for n in names if not ALLOWED_SECTIONS.match(n)]
    check(not unexpected, "sections: " + "".join(n + " " for n in names),
          "unexpected sections (runtime or unwind data?): " + " ".join(unexpected))

    if symbols_path:
        # The symbols image must load exactly what tvboard.sys loads.
        same = ([section_key(s) for s in pe.sections] ==
                [section_key(s) for s in symbols_pe.sections]
                and all(a.get_data() == b.get_data()
                        for a, b in zip(pe.sections, symbols_pe.sections))
                and symbols_pe.OPTIONAL_HEADER.AddressOfEntryPoint == opt.AddressOfEntryPoint
                and symbols_pe.OPTIONAL_HEADER.ImageBase == base)
        if not check(same, "symbols image has the same sections and contents",
                     f"{symbols_path} does not match {sys_path}; "
                     "the checks below cannot name addresses"):
            return 1
        symbols, inputs = read_symbols(symbols_pe, symbols_data), None
    else:
        symbols, inputs = read_map(pe, map_path)
        if not check(symbols, f"{len(symbols)} symbols in the link map",
                     f"no symbols in {map_path}"):
            return 1

    # --- symbols ------------------------------------------------------------

    def address_of(name):
        return next((s.address for s in symbols if s.name == name), -1)

    def global_address(name):  # a global of the module: _name, or ?name@@3... in C++
        return next((s.address for s in symbols
                     if s.name == "_" + name or s.name.startswith(f"?{name}@@3")), -1)

    msvc_bytes = msvc_stdcall_bytes(s.name for s in symbols if s.code)

    def stdcall_bytes(name):  # the @N of a stdcall name, or what its MSVC decoration says
        if name.startswith("?"):
            return msvc_bytes.get(name)
        m = re.search(r"@(\d+)$", name)
        return int(m.group(1)) if m else None

    def stdcall_bytes_at(address):  # the argument bytes of the stdcall routines at an address
        return sorted({n for s in symbols if s.address == address and s.code
                       for n in [stdcall_bytes(s.name)] if n is not None})

    def names_at(address):  # the routines there, without section symbols
        return "".join(s.name + " " for s in symbols
                       if s.address == address and s.code and not s.name.startswith("."))

    forbidden = [s.name for s in symbols if FORBIDDEN_SYMBOLS.search(s.name)]
    check(not forbidden, "no runtime, stack-probe, exception, RTTI or library symbols",
          "linked in: " + " ".join(forbidden))

    # No code runs before DllInitialize: GNU ld's constructor list holds only
    # its -1 and 0 ends; lld linked no constructor section at all.
    if inputs is None:
        ctors = address_of("___CTOR_LIST__")
        dtors = address_of("___DTOR_LIST__")
        check(ctors >= 0 and dtors - ctors == 8, "no static constructors",
              f"static constructors present ({(dtors - ctors) // 4 - 2} entries)")
        check(address_of("___RUNTIME_PSEUDO_RELOC_LIST__") ==
              address_of("___RUNTIME_PSEUDO_RELOC_LIST_END__"),
              "no pseudo-relocations (data imported through code)",
              "pseudo-relocations need a runtime")
    else:
        found = [i for i in inputs if CONSTRUCTOR_SECTIONS.search(i)]
        check(not found, "no static constructors (no constructor sections linked)",
              "constructor sections linked in: " + " ".join(found))
    check(entry == address_of("_DriverEntry@8"),
          "entry point is DriverEntry (stdcall, 2 arguments)",
          f"entry point {hexa(entry)} is not _DriverEntry@8")

    # What a routine's return instructions remove from the stack: the
    # returns between its address and the next symbol's.
    returns = returns_by_address(objdump, sys_path)
    starts = sorted({s.address for s in symbols if s.code})
    code_end = max(base + s.VirtualAddress + s.Misc_VirtualSize for s in pe.sections
                   if s.Characteristics & SECTION_CODE)

    def popped_by(address):
        end = next((a for a in starts if a > address), code_end)
        return sorted({n for a, n in returns.items() if address <= a < end})

    # --- exports ------------------------------------------------------------
    export_dir = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    exported = export_dir.symbols if export_dir else []
    export_names = sorted((e.name or b"(no name)").decode("ascii", "replace") for e in exported)
    listed = "".join(n + " " for n in export_names)
    check(export_names == sorted(EXPORTS), f"exports: {listed}",
          f"exports are '{listed}', want exactly DllInitialize DllUnload GetBoardModuleCaps")
    stamp = export_dir.struct.TimeDateStamp if export_dir else -1
    check(stamp_ok(stamp), "no timestamp in the export directory",
          f"export directory timestamp {stamp}")
    # Ordinals from 1, one per export: a host or a loader that imports by
    # ordinal finds no empty entry.
    ordinals = sorted(e.ordinal for e in exported)
    base_ordinal = export_dir.struct.Base if export_dir else -1
    slots = export_dir.struct.NumberOfFunctions if export_dir else -1
    check(base_ordinal == 1 and slots == len(exported) and ordinals == list(range(1, slots + 1))
          and all(e.address for e in exported),
          f"export ordinals 1..{slots}, no empty entry",
          f"export ordinals from {base_ordinal}, {slots} entries for {len(exported)} exports "
          f"(ordinals {ordinals})")
    for name, want in EXPORTS.items():
        rva = next((e.address for e in exported if e.name == name.encode()), None)
        check(rva is not None and base + rva == address_of(want), f"export {name} is {want}",
              f"export {name} does not lead to {want}")

    # The loader's entries remove their arguments too.
    for name in [*EXPORTS.values(), "_DriverEntry@8"]:
        want = int(name.rsplit("@", 1)[1])
        popped = popped_by(address_of(name))
        check(popped == [want], f"{name} removes its {want} argument bytes on return",
              f"{name} returns removing {popped} bytes, want {want}")

    # --- imports ------------------------------------------------------------
    imports = []
    for dll in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        for imp in dll.imports:
            what = imp.name.decode("ascii", "replace") if imp.name else f"(ordinal {imp.ordinal})"
            imports.append(dll.dll.decode("ascii", "replace") + "!" + what)
    stray = [i for i in imports if i not in ALLOWED_IMPORTS]
    check(imports and not stray, "imports: " + "".join(i + " " for i in imports),
          "imports beyond the kernel services: " + " ".join(stray))

    # --- operation tables and capability record -----------------------------
    relocated = {e.rva for block in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", [])
                 for e in block.entries if e.type == RELOCATION_HIGHLOW}

    def word_at(address):  # the 32-bit word tvboard.sys loads at an address
        rva = address - base
        for s in pe.sections:
            size = min(s.Misc_VirtualSize, s.SizeOfRawData)
            if s.VirtualAddress <= rva and rva + 4 <= s.VirtualAddress + size:
                return struct.unpack("<I", s.get_data(rva, 4))[0]
        return -1

    def has_reloc(address):
        return address - base in relocated

    for table, slots in tables:
        at = global_address(table)
        if at < 0:
            checks.fail(f"{table} not found")
            continue
        bad = False
        for slot, args in enumerate(slots):
            va = at + 4 * slot
            target = word_at(va)
            got = stdcall_bytes_at(target)
            popped = popped_by(target)
            if not has_reloc(va):
                checks.fail(f"{table} slot {slot} has no base relocation")
                bad = True
            elif got != [4 * args]:
                checks.fail(f"{table} slot {slot}: want a stdcall routine of {args} arguments "
                            f"(@{4 * args}), found {names_at(target)}")
                bad = True
            elif popped != [4 * args]:
                checks.fail(f"{table} slot {slot}: {names_at(target)}returns removing {popped} "
                            f"bytes, want {4 * args}")
                bad = True
        if not bad:
            print(f"ok: {table}: {len(slots)} slots, argument counts "
                  + " ".join(str(a) for a in slots))

    caps = global_address("BoardModuleCaps")
    want = CAPABILITY_WORDS + [global_address(t) for t, _ in tables]
    got = [word_at(caps + 4 * i) for i in range(len(want))]
    all_relocated = all(has_reloc(caps + 4 * i)
                        for i in range(len(CAPABILITY_WORDS), len(want)))
    check(caps >= 0 and got == want and all_relocated,
          "capability record: 36, 0x10FD, 0xDE00, 1 and the five tables",
          f"capability record reads {' '.join(map(str, got))}, want {' '.join(map(str, want))} "
          f"(relocated: {int(all_relocated)})")

    size = len(data)
    note = "" if size < 32768 else " (over the 32 KiB goal)"
    print(f"size: {sys_path} is {size} bytes{note}")
    if checks.failures:
        print(f"{checks.failures} check(s) failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
