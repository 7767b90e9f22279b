"""Writes the checksum of a PE image into its optional header, in place.

usage: pe_checksum.py IMAGE

Windows refuses a kernel driver whose checksum does not match. The sum covers
the whole file, an Authenticode signature included, and the signature's
digest leaves the checksum field out: so it is written after linking and again
after signing. Read and summed with pefile (Debian: python3-pefile).
"""
import struct
import sys

import pefile


def main(argv):
    if len(argv) != 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    pe = pefile.PE(argv[1], fast_load=True)
    offset = pe.OPTIONAL_HEADER.get_field_absolute_offset("CheckSum")
    checksum = pe.generate_checksum()
    pe.close()
    with open(argv[1], "r+b") as f:
        f.seek(offset)
        f.write(struct.pack("<I", checksum))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
