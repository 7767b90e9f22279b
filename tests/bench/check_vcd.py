#!/usr/bin/env python3
"""The bench's logic-analyzer capture (tvboard --vcd) read back by sigrok's
I2C protocol decoder must give exactly the bus transfers of the bench's own
timeline (tvboard --raw), for a tune and for a session with its audio DSP
accesses, for the quick writes of detect and a dump across the DSP's window,
at 100 kHz and at 400 kHz. Both sides are brought into one
normalized form, one transaction a line:

    S AW:42 A DW:01 A DW:0E A Sr AR:43 A DR:5A N P

The timeline side is worked out here from the timeline's text, independently
of the bench's waveform code. The dump's header is checked as GTKWave and
PulseView read it, and every idle stretch of the bus between two
transactions must be the waits the timeline has there, plus the same fixed
bus-free time; each transaction must start where the timeline's time stamp
(--timestamps, to the microsecond) puts its host call, since the bus's time
at that rate is on the clock the stamps come from.

usage: check_vcd.py BENCH SIGROK_CLI WORKDIR"""
import os
import re
import subprocess
import sys

REG_WRITE = re.compile(r"^([0-9A-F]{2})\[([0-9A-F]{3,4})\] <- ([0-9A-F]{2})( \(no ack\))?")
REG_READ = re.compile(r"^([0-9A-F]{2})\[([0-9A-F]{3,4})\] -> (?:([0-9A-F]{2})|\(no ack\))")
BUS_WRITE = re.compile(r"^([0-9A-F]{2}) \{([0-9A-F ]*)\}( \(no ack\))?")
BUS_READ = re.compile(r"^([0-9A-F]{2}) -> (?:\{([0-9A-F ]*)\}|\(no ack\))")
WAIT = re.compile(r"^\[(?:sleep |stall )?(\d+) (ms|us)\]")
STAMP = re.compile(r"^ *(\d+)\.(\d{3}) ms  ")


def hex2(v):
    return "%02X" % v


def timeline(lines):
    """The transactions of a --raw --timestamps timeline, with the waits
    before each and its time stamp (us)."""
    out = []
    waited = 0
    for line in lines:
        m = STAMP.match(line)
        if not m:
            continue
        stamp = int(m.group(1)) * 1000 + int(m.group(2))
        line = line[m.end():]
        m = WAIT.match(line)
        if m:
            waited += int(m.group(1)) * (1000 if m.group(2) == "ms" else 1)
            continue
        t = None
        m = REG_WRITE.match(line)
        if m:
            dev, reg = int(m.group(1), 16), int(m.group(2), 16)
            if m.group(4):
                t = ["S", "AW:" + hex2(dev & 0xFE), "N", "P"]
            else:
                t = ["S", "AW:" + hex2(dev & 0xFE), "A", "DW:" + hex2(reg >> 8), "A",
                     "DW:" + hex2(reg & 0xFF), "A", "DW:" + m.group(3), "A", "P"]
        if t is None:
            m = REG_READ.match(line)
            if m:
                dev, reg = int(m.group(1), 16), int(m.group(2), 16)
                if m.group(3) is None:
                    t = ["S", "AW:" + hex2(dev & 0xFE), "N", "P"]
                else:
                    t = ["S", "AW:" + hex2(dev & 0xFE), "A", "DW:" + hex2(reg >> 8), "A",
                         "DW:" + hex2(reg & 0xFF), "A", "Sr", "AR:" + hex2(dev | 1), "A",
                         "DR:" + m.group(3), "N", "P"]
        if t is None:
            m = BUS_READ.match(line)
            if m:
                dev = int(m.group(1), 16)
                if m.group(2) is None:
                    t = ["S", "AR:" + hex2(dev | 1), "N", "P"]
                else:
                    data = m.group(2).split()
                    t = ["S", "AR:" + hex2(dev | 1), "A"]
                    for i, b in enumerate(data):
                        t += ["DR:" + b, "A" if i + 1 < len(data) else "N"]
                    t.append("P")
        if t is None:
            m = BUS_WRITE.match(line)
            if m:
                dev = int(m.group(1), 16)
                if m.group(3):
                    t = ["S", "AW:" + hex2(dev & 0xFE), "N", "P"]
                else:
                    t = ["S", "AW:" + hex2(dev & 0xFE), "A"]
                    for b in m.group(2).split():
                        t += ["DW:" + b, "A"]
                    t.append("P")
        if t is not None:
            out.append((" ".join(t), waited, stamp))
            waited = 0
    return out


def decoded(text):
    """sigrok's annotations, one transaction a line."""
    names = {"Start": "S", "Start repeat": "Sr", "Repeat start": "Sr", "Stop": "P", "ACK": "A", "NACK": "N"}
    prefixes = {"Address write: ": "AW:", "Address read: ": "AR:", "Data write: ": "DW:",
                "Data read: ": "DR:"}
    out, current = [], []
    for line in text.splitlines():
        ann = line.split(": ", 1)[1] if ": " in line else line
        token = names.get(ann)
        for p, short in prefixes.items():
            if ann.startswith(p):
                token = short + ann[len(p):].upper()
        if token is None:
            continue  # "Write", "Read": the direction again
        current.append(token)
        if token == "P":
            out.append(" ".join(current))
            current = []
    if current:
        out.append(" ".join(current) + " (unfinished)")
    return out


def check_header(path):
    """The declarations in the order viewers expect; returns the changes."""
    with open(path, encoding="ascii") as f:
        tokens = f.read().split()
    i = 0
    problems = []

    def section(keyword):
        nonlocal i
        if i >= len(tokens) or tokens[i] != keyword:
            problems.append("expected %s, found %s" % (keyword, tokens[i] if i < len(tokens)
                                                       else "the end"))
            return []
        end = tokens.index("$end", i)
        body = tokens[i + 1:end]
        i = end + 1
        return body

    section("$date")
    section("$version")
    if i < len(tokens) and tokens[i] == "$comment":
        section("$comment")
    scale = section("$timescale")
    if scale not in (["1ns"], ["1", "ns"]):
        problems.append("timescale %s" % scale)
    if section("$scope")[:1] != ["module"]:
        problems.append("scope is not a module")
    wires = {}
    while i < len(tokens) and tokens[i] == "$var":
        v = section("$var")
        if len(v) != 4 or v[0] != "wire" or v[1] != "1":
            problems.append("bad $var %s" % v)
        else:
            wires[v[2]] = v[3]
    if sorted(wires.values()) != ["scl", "sda"]:
        problems.append("wires %s, want scl and sda" % sorted(wires.values()))
    section("$upscope")
    section("$enddefinitions")
    if tokens[i:i + 2] != ["#0", "$dumpvars"]:
        problems.append("no #0 $dumpvars after the definitions")
    i += 1
    initial = section("$dumpvars")
    if sorted(initial) != sorted("1" + k for k in wires):
        problems.append("initial values %s, want both wires high" % initial)
    return problems, wires, tokens[i:]


def idle_gaps(wires, changes, starts=None):
    """Lengths (ns) from each stop to the start that follows it: SDA rising
    while SCL is high is a stop, SDA falling while SCL is high a start (a
    repeated one when no stop came before it). With `starts`, the time of
    every start that is not a repeated one goes there."""
    level = {"scl": 1, "sda": 1}
    now, stopped, gaps = 0, None, []
    idle = True
    for tok in changes:
        if tok.startswith("#"):
            now = int(tok[1:])
            continue
        name, value = wires[tok[1:]], int(tok[0])
        if name == "sda" and level["scl"] and value != level["sda"]:
            if value:
                stopped = now
                idle = True
            else:
                if idle and starts is not None:
                    starts.append(now)
                idle = False
                if stopped is not None:
                    gaps.append(now - stopped)
                    stopped = None
        level[name] = value
    return gaps


def run(bench, sigrok, work, name, args, rate):
    vcd = os.path.join(work, name + ".vcd")
    raw = subprocess.run([bench] + args + ["--raw", "--timestamps", "--vcd", vcd, "--bus-rate",
                                           str(rate)],
                         capture_output=True, text=True, check=False)
    if raw.returncode not in (0, 1) or "-- bus timeline" not in raw.stdout:
        return ["bench failed (%d): %s" % (raw.returncode, raw.stderr.strip())]
    lines = raw.stdout.split("-- bus timeline", 1)[1].splitlines()[1:]
    want = timeline(lines)
    problems, wires, changes = check_header(vcd)
    period = 10 ** 9 // rate
    # sigrok turns the dump into samples: a sample every period/100, idle
    # stretches cut to 2 periods.
    dec = subprocess.run(
        [sigrok, "-i", vcd, "-I", "vcd:downsample=%d:compress=%d" % (period // 100, 2 * period),
         "-P", "i2c:scl=scl:sda=sda:address_format=unshifted", "-A", "i2c=addr-data"],
        capture_output=True, text=True, check=False)
    if dec.returncode != 0:
        return problems + ["sigrok-cli failed: " + dec.stderr.strip()]
    got = decoded(dec.stdout)
    if len(want) < 20:
        problems.append("only %d transactions on the timeline" % len(want))
    for k, (w, g) in enumerate(zip([t for t, _, _ in want], got)):
        if w != g:
            problems.append("transaction %d: timeline %s, sigrok %s" % (k + 1, w, g))
            break
    if len(want) != len(got):
        problems.append("%d transactions on the timeline, %d decoded" % (len(want), len(got)))
    starts = []
    gaps = idle_gaps(wires, changes, starts)
    # (The capture starts a bus-free period before the first event.)
    stamps = [m for m in map(STAMP.match, lines) if m]
    first = int(stamps[0].group(1)) * 1000 + int(stamps[0].group(2)) if stamps else 0
    free = 4 * ((10 ** 9 + 2 * rate) // (4 * rate))
    late = [(k + 1, s, free + (stamp - first) * 1000) for k, (s, (_, _, stamp)) in
            enumerate(zip(starts, want)) if not 0 <= s - free - (stamp - first) * 1000 < 1000]
    if late or len(starts) != len(want):
        problems.append("%d transactions start off their time stamps (number, ns, stamp ns): %s"
                        % (len(late), late[:3]))
    waits = [w * 1000 for _, w, _ in want[1:]]
    if len(gaps) != len(waits):
        problems.append("%d idle stretches for %d transactions" % (len(gaps), len(want)))
    else:
        extra = {g - w for g, w in zip(gaps, waits)}
        if len(extra) != 1 or not 0 < extra.pop() <= 2 * period:
            bad = [(k, g, w) for k, (g, w) in enumerate(zip(gaps, waits)) if g - w != gaps[0]
                   - waits[0]][:3]
            problems.append("idle bus is not the waits plus the bus-free time: %s" % bad)
    print("%s %s at %d Hz: %d transactions, %d of them after waits (%.1f ms)" % (
        "ok:" if not problems else "FAIL:", name, rate, len(want), sum(1 for w in waits if w),
        sum(waits) / 1e6))
    return problems


def main():
    bench, sigrok, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    cases = [
        ("tune", ["tune", "175.25"], 100000),
        ("tune-400k", ["--station", "196.31:PAL_B:dual", "tune", "196.25"], 400000),
        ("session-dsp", ["session"], 100000),
        ("detect", ["detect"], 100000),
        ("dump-dsp", ["dump", "decoder", "--range", "0x3FC-0x407"], 400000),
    ]
    failed = 0
    for name, args, rate in cases:
        problems = run(bench, sigrok, work, name, args, rate)
        for p in problems:
            print("  " + p)
        failed += 1 if problems else 0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
