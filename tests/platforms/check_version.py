"""The version resources of the Windows images, and the bench's --version.

Every image must carry a version resource with the project version as its
fixed file and product version, "VERSION (commit COMMIT)" as its file and
product version text, a description, its own file name as original file
name, tvboard as product name, and the copyright line of LICENSE and its
holder as copyright and company; and `tvboard --version`, where the build
has the bench, must print the same text after the program's name. The public
header's version macros (TVBOARD_VERSION_MAJOR, _MINOR, _PATCH) must name
the same version. Read with pefile (Debian: python3-pefile).

usage: check_version.py VERSION COMMIT IMAGE... [-- COMMAND FOR tvboard --version]
"""

import os
import re
import subprocess
import sys

import pefile

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def strings(pe):
    found = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                found.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return found


def main(argv):
    split = argv.index("--") if "--" in argv else len(argv)
    if split < 4:
        print(__doc__.split("\n\n")[-1].strip())
        return 2
    version, commit, images, command = argv[1], argv[2], argv[3:split], argv[split + 1:]
    text = f"{version} (commit {commit})"
    words = [int(p) for p in (version.split(".") + ["0", "0", "0"])[:4]]
    failures = 0

    with open(os.path.join(SOURCE, "LICENSE"), encoding="utf-8") as f:
        copyright_line = next((line.strip() for line in f if line.startswith("Copyright ")), "")
    holder = re.sub(r"^Copyright \(c\) \d+ ", "", copyright_line)
    with open(os.path.join(SOURCE, "module", "include", "tvboard.h"), encoding="utf-8") as f:
        header = f.read()
    macros = [re.search(rf"^#define TVBOARD_VERSION_{part} (\d+)$", header, re.M)
              for part in ("MAJOR", "MINOR", "PATCH")]
    declared = [int(m.group(1)) if m else None for m in macros]
    if declared == words[:3]:
        print(f"ok: tvboard.h declares version {version}")
    else:
        print(f"FAIL: tvboard.h declares version {declared}, want {words[:3]}")
        failures += 1

    for image in images:
        pe = pefile.PE(image)
        fixed = getattr(pe, "VS_FIXEDFILEINFO", [None])[0]
        got = strings(pe)
        want = {"FileVersion": text, "ProductVersion": text, "ProductName": "tvboard",
                "OriginalFilename": os.path.basename(image), "CompanyName": holder,
                "LegalCopyright": copyright_line}
        wrong = {k: got.get(k) for k in want if got.get(k) != want[k]}
        if fixed is None:
            wrong["VS_FIXEDFILEINFO"] = None
        else:
            numbers = [fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                       fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF]
            product = [fixed.ProductVersionMS >> 16, fixed.ProductVersionMS & 0xFFFF,
                       fixed.ProductVersionLS >> 16, fixed.ProductVersionLS & 0xFFFF]
            if numbers != words or product != words:
                wrong["fixed versions"] = f"{numbers} {product}"
        if not got.get("FileDescription"):
            wrong["FileDescription"] = None
        name = os.path.basename(image)
        if wrong:
            print(f"FAIL: {name}: {wrong}, want {want} and {words}")
            failures += 1
        else:
            print(f"ok: {name}: {text}, '{got['FileDescription']}'")

    if command:
        printed = subprocess.run(command + ["--version"], capture_output=True, text=True).stdout
        printed = printed.strip()
        if printed == f"tvboard {text}":
            print(f"ok: tvboard --version prints '{printed}'")
        else:
            print(f"FAIL: tvboard --version prints '{printed}', want 'tvboard {text}'")
            failures += 1
    print("all checks passed" if failures == 0 else f"{failures} check(s) failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
