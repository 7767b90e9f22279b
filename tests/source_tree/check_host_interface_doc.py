#!/usr/bin/env python3
"""docs/host-interface.md against include/tvboard.h: the reference has one
section per export and per slot of the five operation tables, in table
order, named and counted as the header declares the exports and lists the
slots.

usage: check_host_interface_doc.py HEADER DOC
"""
import re
import sys

import header_slots

EXPORTS = {"DllInitialize": "TVB_DLL_INITIALIZE_FN", "DllUnload": "TVB_DLL_UNLOAD_FN",
           "GetBoardModuleCaps": "TVB_GET_BOARD_MODULE_CAPS_FN"}


def arguments(header, fn_type):
    """The number of arguments of a function pointer typedef."""
    m = re.search(r"\(\s*TVB_API\s*\*\s*" + fn_type + r"\s*\)\s*\(([^;]*?)\)\s*;", header, re.S)
    if m is None:
        sys.exit(f"FAIL: no typedef {fn_type} in the header")
    params = m.group(1).strip()
    return 0 if params in ("", "void") else params.count(",") + 1


def header_sections(header):
    wanted = [(name, arguments(header, fn)) for name, fn in EXPORTS.items()]
    for table, slots in header_slots.tables(header):
        wanted += [(f"{table}.{s.member}", s.args) for s in slots]
    return wanted


def doc_sections(doc):
    return [(name, int(n)) for name, n in
            re.findall(r"^### `([\w.]+)` \((\d+) arguments?\)$", doc, re.M)]


def main():
    header = open(sys.argv[1], encoding="utf-8").read()
    doc = open(sys.argv[2], encoding="utf-8").read()
    wanted = header_sections(header)
    got = doc_sections(doc)
    failures = 0
    for i in range(max(len(wanted), len(got))):
        w = wanted[i] if i < len(wanted) else None
        g = got[i] if i < len(got) else None
        if w != g:
            print(f"FAIL: section {i + 1}: the header has {w}, the reference {g}")
            failures += 1
    if failures:
        sys.exit(1)
    print(f"ok: {len(got)} exports and slots, named and counted as in the header")


main()
