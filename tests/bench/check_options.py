#!/usr/bin/env python3
"""Every option of the bench acts or is refused, for every command: an option
a command lists in its --help changes what the command prints or writes
(stdout, stderr, the files it makes), and gives the same before the command
as after it; an option the command does not list is refused in both places
(exit 2, naming the command).

--call-timeout acts on a fake module whose DllInitialize takes half a second.

usage: check_options.py BENCH LIBRARY ANTENNA_FILE SLOW_MODULE"""
import concurrent.futures
import itertools
import os
import re
import shutil
import subprocess
import sys
import tempfile

# What each command runs with, and each option's value and the options it
# needs beside it (in the run without it too).
BASE = {
    "session": [], "standards": [], "tune": ["175.25"], "scan": [], "stations": [],
    "caps": [], "input": ["composite"], "picture": ["hue=10"],
    "conform": ["--module", "LIB", "--scenario", "session"], "record": ["--scenario", "session"],
    "detect": [], "dump": ["demodulator"], "get": ["decoder", "0x10A"],
    "set": ["decoder", "0x10A", "0x80", "--yes"],
}
SAMPLE = {
    "--standard": ["PAL_G"], "--station": ["176:PAL_B"], "--antenna": ["ANTENNA"],
    "--lock-late": ["30"], "--no-lock": [], "--channels": ["LIST"], "--sweep": ["175:176:1"],
    "--band": ["uhf"], "--save": ["saved.txt"], "--input": ["composite"],
    "--picture": ["hue=10"], "--sound": ["mono"], "--trace": [], "--raw": [],
    "--timestamps": [], "--vcd": ["bus.vcd"], "--bus-rate": ["400k"], "--registers": [],
    "--module": ["LIB"], "--json": [], "--against": ["RECORDED"], "--scenario": ["picture"],
    "--out": ["out.txt"], "--diff": [], "--range": ["0x10-0x1f"], "--yes": [],
    "--call-timeout": ["0.1"],
}
NEEDS = {"--timestamps": ["--raw"], "--bus-rate": ["--vcd", "bus.vcd"],
         "--call-timeout": ["--module", "SLOW"]}
# Where the command's run must differ from BASE: a quick channel list with a
# built module (which waits for real), no --module in the run without it.
OVERRIDE = {
    ("scan", "--module"): ["--channels", "LIST"],
    ("conform", "--module"): ["--scenario", "session"],
    ("tune", "--channels"): ["E5"],
    ("set", "--yes"): ["decoder", "0x10A", "0x80"],
    ("conform", "--call-timeout"): ["--scenario", "session"],
}


FOLDERS = itertools.count()


def run(bench, work, args, paths):
    """Exit status, output and the files made, in a fresh folder."""
    folder = os.path.join(work, "run-%d" % next(FOLDERS))
    os.mkdir(folder)
    args = [paths.get(a, a) for a in args]
    p = subprocess.run([bench] + args, cwd=folder, capture_output=True, text=True,
                       errors="replace", check=False, timeout=300,
                       env=dict(os.environ, SOURCE_DATE_EPOCH="0", TVB_FAKE="slow:DllInitialize"))
    files = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            files[name] = f.read()
    shutil.rmtree(folder, ignore_errors=True)
    # (Each run has its own folder: where it was is no difference.)
    text = (p.stdout + "\0" + p.stderr).replace(folder, "RUN")
    if "LIB" in args or paths["LIB"] in args:
        # Real time: times and their ratios differ from run to run, in
        # their digits, in how many there are and so in the blanks that pad
        # them into their columns (a loaded machine takes a second where an
        # idle one takes half).
        text = re.sub(r" *[0-9]+(\.[0-9]+)?", "#", text)
        files = {k: re.sub(rb" *[0-9]+(\.[0-9]+)?", b"#", v) for k, v in files.items()}
    return p.returncode, text, files


def options_of(bench, command):
    help_text = subprocess.run([bench, command, "--help"], capture_output=True, text=True,
                               check=True).stdout
    return set(re.findall(r"^\s+(--[a-z-]+)", help_text, re.M)) - {"--help"}


def main():
    bench, library, antenna, slow = [os.path.abspath(a) for a in sys.argv[1:5]]
    work = tempfile.mkdtemp()
    paths = {"LIB": library, "ANTENNA": antenna, "SLOW": slow, "LIST": os.path.join(work, "list.txt"),
             "RECORDED": os.path.join(work, "recorded.txt")}
    with open(paths["LIST"], "w", encoding="utf-8") as f:
        f.write("E5 175.25 PAL_B\nE8 196.3125 PAL_B\n")
    subprocess.run([bench, "record", "--scenario", "session", "--out", paths["RECORDED"]],
                   check=True)
    # The runs are independent (each in its own folder) and most of a run
    # is starting the bench or waiting for real: three at a time.
    pool = concurrent.futures.ThreadPoolExecutor(max_workers=3)
    cases = []
    for command, base in BASE.items():
        listed = options_of(bench, command)
        for option, value in SAMPLE.items():
            needs = NEEDS.get(option, []) if option in listed else []
            before = [option] + value + needs + [command]
            args = OVERRIDE.get((command, option), base)
            after = [command] + args + [option] + value + needs
            runs = [after, before + args] + ([[command] + args + needs] if option in listed else [])
            cases.append((command, option, value, option in listed,
                          [pool.submit(run, bench, work, r, paths) for r in runs]))
    failed = 0
    for command, option, value, listed, runs in cases:
        got_after, got_before = runs[0].result(), runs[1].result()
        problem = None
        if listed:
            if got_after == runs[2].result():
                problem = "changes nothing"
            elif got_before != got_after:
                problem = "acts differently before the command"
        elif got_after[0] != 2 or got_before[0] != 2 or \
                "%s does not take %s" % (command, option) not in got_after[1] + got_before[1]:
            problem = "is not refused (exit %d, %d)" % (got_after[0], got_before[0])
        if problem:
            print("FAIL: %s %s %s: %s" % (command, option, " ".join(value), problem))
            failed += 1
    pool.shutdown()
    print("%d commands and %d options: %d failed" % (len(BASE), len(SAMPLE), failed))
    shutil.rmtree(work, ignore_errors=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
