"""Starts a PE image's export ordinals at 1, in place.

usage: pe_export_ordinals.py IMAGE

lld-link 14 writes every export table with ordinal base 0 and an empty
first entry, so a DLL whose exports take ordinals 1 to N lists N + 1 entries,
the first leading nowhere. This drops that entry: the address table starts
one entry later, the base becomes 1 and the name-to-ordinal table counts
from there. An image whose table has no such entry is left as it is. Run
after the link and before the checksum and signature, which cover these
bytes. Read with pefile (Debian: python3-pefile).
"""
import struct
import sys

import pefile

DIRECTORY_EXPORT = 0


def main(argv):
    if len(argv) != 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    pe = pefile.PE(argv[1], fast_load=True)
    pe.parse_data_directories(directories=[DIRECTORY_EXPORT])
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    if exports is None:
        pe.close()
        return 0
    d = exports.struct
    first = pe.get_dword_at_rva(d.AddressOfFunctions)
    if d.Base != 0 or d.NumberOfFunctions == 0 or first != 0:
        pe.close()
        return 0
    ordinals = [pe.get_word_at_rva(d.AddressOfNameOrdinals + 2 * i)
                for i in range(d.NumberOfNames)]
    if 0 in ordinals:
        print(f"{argv[1]}: a name leads to the empty entry 0", file=sys.stderr)
        pe.close()
        return 1
    directory = d.get_file_offset()
    ordinal_table = pe.get_offset_from_rva(d.AddressOfNameOrdinals)
    pe.close()
    with open(argv[1], "r+b") as f:
        # Base, NumberOfFunctions and AddressOfFunctions lie at offsets 16,
        # 20 and 28 of the export directory.
        f.seek(directory + 16)
        f.write(struct.pack("<II", 1, d.NumberOfFunctions - 1))
        f.seek(directory + 28)
        f.write(struct.pack("<I", d.AddressOfFunctions + 4))
        f.seek(ordinal_table)
        f.write(struct.pack(f"<{len(ordinals)}H", *(o - 1 for o in ordinals)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
