#!/usr/bin/env python3
"""The bench's memory does not grow with the length of a run: the peak
resident memory of a 10 000-step sweep, its timeline condensed and written
out as it goes (--trace), stays within 20 % of a 100-step one.

usage: check_memory.py BENCH"""
import os
import subprocess
import sys


def peak_kib(bench, sweep):
    """The peak resident memory of one run, in KiB (Linux)."""
    with open(os.devnull, "wb") as null:
        p = subprocess.Popen([bench, "scan", "--sweep", sweep, "--trace"], stdout=null,
                             stderr=null)
        _, status, usage = os.wait4(p.pid, 0)
    if not os.WIFEXITED(status) or os.WEXITSTATUS(status) not in (0, 1):
        sys.exit("the sweep %s failed (status %d)" % (sweep, status))
    return usage.ru_maxrss


def main():
    bench = sys.argv[1]
    short = peak_kib(bench, "100:106.1875:0.0625")  # 100 frequencies
    long = peak_kib(bench, "100:724.9375:0.0625")  # 10 000
    print("peak resident memory: 100 steps %d KiB, 10 000 steps %d KiB" % (short, long))
    return 0 if long <= short * 1.2 else 1


if __name__ == "__main__":
    sys.exit(main())
