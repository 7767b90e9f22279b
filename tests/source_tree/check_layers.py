#!/usr/bin/env python3
"""The module's folders are layers that only point down: every #include of a
module source names a folder of a lower layer (or its own), and the three
leaves video/, audio/ and tuner/ never include one another. The emulator
(emu/) stands on its own: it includes no module code, only the shared
register maps, the public header and header-only constants.

usage: check_layers.py SOURCE_DIR"""
import os
import re
import sys

# Rank of each folder; an include must point to a folder of lower rank, or
# to its own folder.
RANK = {
    "include": 0,
    "regmap": 1,
    "frame": 2,
    "decoder": 3,
    "tuner": 4,
    "video": 4,
    "audio": 4,
    "ops": 5,
    "exports": 6,
}
LEAVES = {"video", "audio", "tuner"}
# What the emulator may take from the module's tree: data and declarations
# that need no module code.
EMU_ALLOWED = re.compile(r"^(regmap/|include/|emu/)")

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def includes(path):
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1)


def main():
    root = sys.argv[1]
    failures = 0
    checked = 0
    for folder in list(RANK) + ["emu"]:
        base = os.path.join(root, folder)
        if not os.path.isdir(base):
            continue
        for name in sorted(os.listdir(base)):
            if not name.endswith((".h", ".cpp", ".c")):
                continue
            path = os.path.join(base, name)
            for number, target in includes(path):
                checked += 1
                where = f"{folder}/{name}:{number}: includes {target}"
                to = target.split("/")[0] if "/" in target else folder
                if folder == "emu":
                    if not EMU_ALLOWED.match(target) and "/" in target:
                        print(f"FAIL: {where}: the emulator must not depend on module code")
                        failures += 1
                    continue
                if to not in RANK:
                    continue  # a system header or a file of its own folder
                if to == folder:
                    continue
                if folder in LEAVES and to in LEAVES:
                    print(f"FAIL: {where}: video, audio and tuner never include each other")
                    failures += 1
                elif RANK[to] >= RANK[folder]:
                    print(f"FAIL: {where}: {to}/ is not below {folder}/")
                    failures += 1
    if failures:
        print(f"{failures} include(s) against the layers")
        return 1
    print(f"ok: {checked} includes follow the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
