"""The five operation tables as include/tvboard.h lists them: TVB_OPS_TABLES
in the capability record's order, and each table's slot list, one OP or STUB
entry a slot. For the checks that read the header instead of compiling it.

tables(header) gives [(table, [Slot, ...]), ...]; a list that is not what the
header's own comment describes (an entry of another table, slots out of
order, a count that is not a number) stops the caller with a message naming
the entry."""
import re
import sys


class Slot:
    def __init__(self, table, slot, member, args, stub):
        self.table = table
        self.slot = slot
        self.member = member
        self.args = args
        self.stub = stub


def macro(header, name):
    """The body of a #define, its continued lines joined, comments left out."""
    m = re.search(r"^#define " + name + r"\([^)]*\)((?:.*\\\n)*.*)$", header, re.M)
    if m is None:
        sys.exit(f"FAIL: no macro {name} in the header")
    return re.sub(r"/\*.*?\*/", " ", m.group(1).replace("\\\n", " "), flags=re.S)


def tables(header):
    found = []
    for table, _, slots in re.findall(r"TABLE\(\s*(\w+),\s*(\w+),\s*(\w+)\s*\)",
                                      macro(header, "TVB_OPS_TABLES")):
        entries = []
        for kind, fields in re.findall(r"\b(OP|STUB)\(([^()]*)\)", macro(header, slots)):
            f = [x.strip() for x in fields.split(",")]
            count = f[4] if kind == "OP" else f[3]
            where = f"{slots}: {kind}({fields.strip()})"
            if len(f) != (6 if kind == "OP" else 5) or not count.isdigit():
                sys.exit(f"FAIL: {where}: not an entry of the form the header describes")
            if f[0] != table or f[1] != str(len(entries)):
                sys.exit(f"FAIL: {where}: want {table} slot {len(entries)}")
            entries.append(Slot(table, len(entries), f[2], int(count), kind == "STUB"))
        if not entries:
            sys.exit(f"FAIL: {slots} lists no slots")
        found.append((table, entries))
    if not found:
        sys.exit("FAIL: TVB_OPS_TABLES names no tables")
    return found
