#!/usr/bin/env python3
"""Writes docs/performance.md from the results scripts/performance.sh
collected: the benchmark's JSON, the conformance runs' JSON of each build,
and tvboard.sys itself.

usage: performance_table.py RESULTS_DIR TVBOARD_SYS"""
import json
import math
import os
import sys

import pefile


def median(bench, name, field="cpu_time"):
    for b in bench["benchmarks"]:
        if b["name"] == name + "_median" or (b["name"] == name and "aggregate_name" not in b):
            return b[field], b
    raise KeyError(name)


def ns(b, value):
    unit = b.get("time_unit", "ns")
    return value * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[unit]


def fmt_us(us):
    if us >= 1000:
        return "%.1f ms" % (us / 1000)
    return "%.1f µs" % us


def fmt_ns(v):
    if v >= 1000:
        return "%.2f µs" % (v / 1000)
    return "%.0f ns" % v


def share(cpu_ns, bus_us, waits_us):
    """The module's share of the total, in percent, to two significant digits."""
    total = cpu_ns / 1000 + bus_us + waits_us
    if total <= 0 or cpu_ns <= 0:
        return "-"
    pct = 100 * cpu_ns / 1000 / total
    decimals = max(0, 1 - math.floor(math.log10(pct)))
    return "%.*f %%" % (decimals, pct)


def main():
    results, sys_path = sys.argv[1:3]
    with open(os.path.join(results, "benchmark.json")) as f:
        bench = json.load(f)
    per_call_ns, hb = median(bench, "HostCall")
    per_call_ns = ns(hb, per_call_ns) / hb["calls"]
    setup_ns, sb = median(bench, "CycleSetUp/InitializeSensor, first")
    setup_ns = ns(sb, setup_ns)

    ctx = bench["context"]
    out = []
    w = out.append
    w("# Performance")
    w("")
    w("What the board module costs a host on top of what the hardware needs. Regenerate")
    w("this page with:")
    w("")
    w("    scripts/performance.sh")
    w("")
    w("It builds the presets `perf` (64-bit, optimized), `default`, `i386` and `mingw`,")
    w("runs the benchmark (`build/perf/perf/tvboard_benchmark`, Google Benchmark) and")
    w("the conformance run of a whole session on each build, and writes this file.")
    w("Measured on %s: %d CPUs at %s MHz, %s." % (
        ctx.get("host_name", "?"), ctx.get("num_cpus", 0), ctx.get("mhz_per_cpu", "?"),
        ctx.get("date", "?")))
    w("")
    w("## Per operation")
    w("")
    w("| operation | host calls | bytes on the bus | required waits | bus time 100 kHz "
      "| bus time 400 kHz | module CPU time | share at 100 kHz | share at 400 kHz |")
    w("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    rows = []
    for b in bench["benchmarks"]:
        name = b["name"]
        if not name.startswith("Module/") or not name.endswith("_median"):
            continue
        op = name[len("Module/"):-len("_median")]
        ops = b["ops"]
        measured = ns(b, b["cpu_time"])
        if op == "InitializeSensor, first":
            measured -= setup_ns
        own = measured / ops - b["host_calls"] * per_call_ns
        rows.append(op)
        w("| %s | %.0f | %.0f | %s | %s | %s | %s | %s | %s |" % (
            op, b["host_calls"], b["bus_bytes"], fmt_us(b["waits_us"]),
            fmt_us(b["bus_us_100k"]), fmt_us(b["bus_us_400k"]), fmt_ns(own),
            share(own, b["bus_us_100k"], b["waits_us"]),
            share(own, b["bus_us_400k"], b["waits_us"])))
    w("")
    w("- *host calls*: calls of the host's bus and pin operations; *bytes on the bus*: "
      "every byte of their two-wire transactions, address bytes included (the mapping "
      "of `harness/emu/i2c_transfers.h`: a decoder register write is 4 bytes, a read 5).")
    w("- *required waits*: the `SleepMs`/`DelayMs` waits the operation asks for.")
    w("- *bus time*: the transactions at that clock rate, 9 clocks a byte, start, "
      "repeated start and stop, and one clock period of free bus before each.")
    w("- *module CPU time*: the median of %d runs, minus the replaying host's cost of "
      "%.1f ns a call times the host calls (see Method)." % (
          bench["benchmarks"][0].get("repetitions", 1), per_call_ns))
    w("- *share*: module CPU time / (module CPU time + bus time + required waits).")
    w("")
    w("## Whole session, each build")
    w("")
    w("`tvboard conform --module BUILD --scenario session` on each build: the time the "
      "host calls of a whole session took (load, open, InitializeSensor, standards, "
      "tune, lock, TV sound, sample rate, close), against the waits the sequence "
      "requires. The ratio is what real waits and everything else add; 1.0 would be "
      "waits exactly as long as required and nothing else.")
    w("")
    w("| build | calls took | waits required | ratio |")
    w("|---|---:|---:|---:|")
    for label, file in (("libtvboard.so, x86-64", "conform-x86_64.json"),
                        ("libtvboard.so, i386", "conform-i386.json"),
                        ("tvboard.sys under Wine", "conform-sys.json")):
        with open(os.path.join(results, file)) as f:
            c = json.load(f)
        w("| %s | %s | %s | %.3f |" % (label, fmt_us(c["took_us"]), fmt_us(c["required_us"]),
                                      c["ratio"]))
    w("")
    pe = pefile.PE(sys_path)
    w("## tvboard.sys")
    w("")
    w("| | bytes |")
    w("|---|---:|")
    w("| file | %d |" % os.path.getsize(sys_path))
    for s in pe.sections:
        name = s.Name.rstrip(b"\0").decode("ascii", "replace")
        kind = "code" if s.Characteristics & 0x20 else "data"
        w("| section `%s` (%s), in memory / in the file | %d / %d |" % (
            name, kind, s.Misc_VirtualSize, s.SizeOfRawData))
    w("")
    w("## Method")
    w("")
    w("The benchmark runs the module's own sources, compiled as for the tests but "
      "optimized (`-O2`), on kernel services that do the minimum (`harness/virtual_time/kernel_virtual.cpp`): "
      "a wait only adds its length to a counter, a debug print is counted and not "
      "formatted (formatting the text is the kernel's `DbgPrint`, not the module), the "
      "pool is the C heap.")
    w("")
    w("Each operation is first run once against the emulated board (`harness/emu/`), which gives "
      "its host calls with their answers, the bytes on the bus and the waits. Then the "
      "module runs the same operation again and again against a host that only replays "
      "those answers (`harness/perf/replay_host.cpp`: per call, one array step and a comparison "
      "of kind, device and register with the recording, and the recorded byte handed "
      "back), so none of the emulated board's or the timeline's work is counted. A run "
      "in which the module made a call other than the recorded ones fails. Operations "
      "whose repetition would take another path (a frequency already tuned is skipped) "
      "are measured as a cycle that brings the module back to where it started (tune "
      "A, tune B; brightness 40, 60; input 1, 0) and divided by its length. "
      "*InitializeSensor, first* restores the module's load state before each call; "
      "that restore (%.0f ns) is measured alone and subtracted." % setup_ns)
    w("")
    w("What remains of the replaying host is measured alone (`HostCall`: %.1f ns a "
      "call, through the table as the module calls it) and subtracted for each host "
      "call; the module's own share of making a call (its arguments, the indirect "
      "call) stays in the module's time." % per_call_ns)
    w("")
    w("The whole-session ratio is measured differently: the built modules really wait "
      "(user-mode services, or Wine's kernel), and the host is the bench's emulated "
      "board, so it includes everything a host would add.")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
