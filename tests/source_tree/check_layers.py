#!/usr/bin/env python3
"""The module's folders (module/) are layers that only point down: every
#include of a module source names a folder of a lower layer (or its own),
and the three leaves video/, audio/ and tuner/ never include one another;
no module source includes the harness. The emulator (harness/emu/) stands on
its own: it includes no module code, only the shared register maps and the
public header. Above them the rest of the harness: the virtual-time kernel
services implement the module's kernel-services interface; the host driver
reaches the module only through its exports and the kernel services it runs
on; the bench, the fuzz harness and the performance benchmark go through the
host driver, and of the module's own headers see only the load-state list.
The harness's text helpers (harness/text/) include nothing of the harness.
Outside the host driver, only the tests of the exports themselves call the
exports.

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
# What each part of the harness may include, and the folders it may not.
HARNESS = {
    "text": ["text"],
    "virtual_time": ["include", "text", "virtual_time", "frame/kernel_services.h"],
    "host_driver": ["include", "emu", "host_driver", "text", "virtual_time",
                    "frame/kernel_services.h", "frame/module_state.h"],
    "bench": ["include", "regmap", "emu", "host_driver", "bench", "text", "virtual_time"],
    "fuzz": ["include", "regmap", "emu", "host_driver", "bench", "fuzz", "text", "virtual_time",
             "frame/module_state.h"],
    "perf": ["include", "emu", "host_driver", "bench", "perf", "text", "virtual_time",
             "frame/module_state.h"],
}
# A call of an export, and where one may stand.
EXPORT_CALL = re.compile(r"(?<![\w.>:])(DllInitialize|DllUnload|GetBoardModuleCaps)\s*\(")
EXPORT_CALLERS = ("module/exports/", "module/include/", "harness/host_driver/",
                  "tests/module/frame/", "tests/platforms/")

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def includes(path):
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1)


def sources(base):
    """The C and C++ sources below a folder."""
    for folder, dirs, files in os.walk(base):
        dirs[:] = [d for d in dirs if d != "build" and not d.startswith(".")]
        for name in sorted(files):
            if name.endswith((".h", ".cpp", ".c")):
                yield os.path.join(folder, name)


def main():
    root = sys.argv[1]
    failures = 0
    checked = 0
    for folder in list(RANK) + ["emu"]:
        base = os.path.join(root, "harness" if folder == "emu" else "module", folder)
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
                if to in HARNESS or to == "emu":
                    print(f"FAIL: {where}: the module must not depend on the harness")
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
    for folder, allowed in HARNESS.items():
        for path in sources(os.path.join(root, "harness", folder)):
            for number, target in includes(path):
                checked += 1
                if "/" in target and not any(
                        target == a or target.startswith(a + "/") for a in allowed):
                    print(f"FAIL: {os.path.relpath(path, root)}:{number}: includes {target}, "
                          f"which {folder}/ may not")
                    failures += 1
    for path in sources(root):
        rel = os.path.relpath(path, root)
        if rel.startswith(EXPORT_CALLERS) or rel.startswith("build"):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                code = line.split("//")[0]
                m = EXPORT_CALL.search(code)
                # (a definition, as a stand-in module has, is no call)
                if m and '"' not in code[:m.start()] and "TVB_API" not in code[:m.start()]:
                    print(f"FAIL: {rel}:{number}: calls {m.group(1)}; only the host driver "
                          "does, and the tests of the exports")
                    failures += 1
    if failures:
        print(f"{failures} include(s) or call(s) against the layers")
        return 1
    print(f"ok: {checked} includes follow the layers; only the host driver calls the exports")
    return 0


if __name__ == "__main__":
    sys.exit(main())
