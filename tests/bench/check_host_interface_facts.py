#!/usr/bin/env python3
"""docs/host-interface.md against the bench's recording of the reference.

Every line of the reference of the form

    - **Facts** (SCENARIO: "CALL"): WHAT IT DID
    - **Facts** (SCENARIO: "CALL" #N): WHAT IT DID

names a scenario of `tvboard record` and a host call of it (the text of its
"host:" note; #N for its N-th call of that name) and says what that call did
on the emulated board: the host's bus calls by device and direction (with
the audio DSP's registers and the polls of its status register), the
module's waits and its debug messages. Each must be what the recording
shows, and every section of an export or table slot ("### `Name` (N
arguments)") must have at least one. With TVB_UPDATE_EXPECTED=1 in the
environment the lines are rewritten from the recording instead.

The sections of the host's own table ("### Host slot K: `Name` (N
arguments)") must name the slots of TVB_HOST_OPS in order, with their
argument counts, and every constant of the header the reference quotes with
its value ("`TVB_NAME` (value)") must have that value.

usage: check_host_interface_facts.py BENCH HEADER DOC
"""
import json
import os
import re
import subprocess
import sys

FACTS = re.compile(r'^- \*\*Facts\*\* \(([\w-]+): "([^"]+)"(?: #(\d+))?\): (.*)$')
SLOT_SECTION = re.compile(r"^### `([\w.]+)` \((\d+) arguments?\)$")
HOST_SECTION = re.compile(r"^### Host slot (\d+): `(\w+)` \((\d+) arguments?\)$")
QUOTED = re.compile(r"`(TVB_[A-Z0-9_]+)`\s+\((-?0x[0-9A-Fa-f]+|-?\d+)[):,]")


def define(header, name):
    m = re.search(r"^#define " + name + r" (0x[0-9A-Fa-f]+|\d+)u?\b", header, re.M)
    if m is None:
        sys.exit(f"FAIL: no {name} in the header")
    return int(m.group(1), 0)


def host_slots(header):
    """(slot, name, arguments) of TVB_HOST_OPS, in order."""
    m = re.search(r"typedef struct TVB_HOST_OPS \{(.*?)\} TVB_HOST_OPS;", header, re.S)
    if m is None:
        sys.exit("FAIL: no TVB_HOST_OPS in the header")
    slots = []
    for k, (fn, member) in enumerate(re.findall(r"^\s*(TVB_\w+_FN)\s+(\w+);", m.group(1), re.M)):
        t = re.search(r"\(\s*TVB_API\s*\*\s*" + fn + r"\s*\)\s*\(([^;]*?)\)\s*;", header, re.S)
        if t is None:
            sys.exit(f"FAIL: no typedef {fn} in the header")
        params = t.group(1).strip()
        slots.append((k, member, 0 if params in ("", "void") else params.count(",") + 1))
    return slots


def calls(recording):
    """{(scenario, call): [events of each call of that name, in order]}."""
    out = {}
    for scenario in recording["scenarios"]:
        current = None
        for e in scenario["timeline"]:
            if e["kind"] == "note":
                note = e["note"]
                if note.startswith("host: "):
                    current = []
                    out.setdefault((scenario["name"], note[len("host: "):]), []).append(current)
                else:
                    current = None
            elif current is not None:
                current.append(e)
    return out


def counted(n, one, many=None):
    return f"{n} {one if n == 1 else (many or one + 's')}"


def facts(events, dsp_first, dsp_last, dsp_status):
    """What one call did, in the reference's words."""
    n = {}

    def add(key):
        n[key] = n.get(key, 0) + 1

    wait_us = 0
    for e in events:
        kind = e["kind"]
        if kind == "register":
            reg = e["register"]
            add("42 " + e["direction"])
            if reg == dsp_status:
                add("42 poll")
            elif dsp_first <= reg <= dsp_last:
                add("42 dsp " + e["direction"])
        elif kind == "transfer":
            add(f"{e['address']:02X} {e['direction']}")
        elif kind == "pins":
            add("pins " + e["direction"])
        elif kind == "wait":
            add("wait")
            wait_us += e["duration_us"]
        elif kind == "print" and e["text"] == "<ORVELSTRM.SYS> ":
            add("message")
        elif kind == "forbidden":
            add("forbidden")
    bus = []
    decoder = []
    if n.get("42 write"):
        dsp = n.get("42 dsp write", 0)
        decoder.append(counted(n["42 write"], "write") + (f" ({dsp} to the DSP)" if dsp else ""))
    if n.get("42 read"):
        inner = []
        if n.get("42 poll"):
            inner.append(f"{n['42 poll']} polls of 0x{dsp_status:X}")
        if n.get("42 dsp read"):
            inner.append(f"{n['42 dsp read']} of the DSP")
        decoder.append(counted(n["42 read"], "read") + (f" ({', '.join(inner)})" if inner else ""))
    if decoder:
        bus.append("42: " + ", ".join(decoder))
    for device in ("96", "C2"):
        parts = [counted(n[f"{device} {d}"], d) for d in ("write", "read") if n.get(f"{device} {d}")]
        if parts:
            bus.append(f"{device}: " + ", ".join(parts))
    pins = [counted(n[f"pins {d}"], d) for d in ("write", "read") if n.get(f"pins {d}")]
    if pins:
        bus.append("pins: " + ", ".join(pins))
    if n.get("forbidden"):
        bus.append(counted(n["forbidden"], "call") + " of slot 4 or 5")
    out = ["; ".join(bus) if bus else "no bus traffic"]
    if n.get("wait"):
        ms = wait_us / 1000
        out.append(counted(n["wait"], "wait") + ", " + (f"{ms:g}" if ms == int(ms) else f"{ms:.3f}")
                   + " ms")
    else:
        out.append("no waits")
    out.append(counted(n["message"], "debug message") if n.get("message") else "no debug messages")
    return "; ".join(out) + "."


def main():
    if len(sys.argv) != 4:
        print(__doc__.split("\n\n")[-1].strip())
        return 2
    bench, header_path, doc_path = sys.argv[1:]
    header = open(header_path, encoding="utf-8").read()
    lines = open(doc_path, encoding="utf-8").read().split("\n")
    limits = [define(header, name) for name in
              ("TVB_DSP_FIRST_REGISTER", "TVB_DSP_LAST_REGISTER", "TVB_DSP_STATUS_REGISTER")]
    done = subprocess.run([bench, "record", "--json"], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"FAIL: {bench} record --json: exit {done.returncode}: {done.stderr.strip()}")
    recorded = calls(json.loads(done.stdout))

    failures = []
    wanted_host = host_slots(header)
    got_host = []
    section = None  # the slot section we are in, and whether it has facts
    sections = []
    checked = 0
    for number, line in enumerate(lines, 1):
        if line.startswith("#"):
            m = SLOT_SECTION.match(line)
            section = [m.group(1), number, 0] if m else None
            if section:
                sections.append(section)
            h = HOST_SECTION.match(line)
            if h:
                got_host.append((int(h.group(1)), h.group(2), int(h.group(3))))
            continue
        m = FACTS.match(line)
        if not m:
            continue
        scenario, call, nth, said = m.group(1), m.group(2), int(m.group(3) or 1), m.group(4)
        where = f"{os.path.basename(doc_path)}:{number}"
        found = recorded.get((scenario, call), [])
        if len(found) < nth:
            failures.append(f"{where}: scenario {scenario} has no call #{nth} \"{call}\" "
                            f"({len(found)} of that name)")
            continue
        if section:
            section[2] += 1
        checked += 1
        shown = facts(found[nth - 1], *limits)
        if said != shown:
            if os.environ.get("TVB_UPDATE_EXPECTED") == "1":
                lines[number - 1] = line[:len(line) - len(said)] + shown
            else:
                failures.append(f"{where}: {scenario} \"{call}\": the reference says\n    {said}\n"
                                f"  the recording shows\n    {shown}")
    text = "\n".join(lines)
    for name, value in QUOTED.findall(text):
        m = re.search(r"^#define " + name + r" \(?(-?0x[0-9A-Fa-f]+|-?\d+)u?\)?", header, re.M)
        if m is None or int(m.group(1), 0) != int(value, 0):
            failures.append(f"the reference quotes {name} as {value}, the header has "
                            f"{m.group(1) if m else 'no such constant'}")
    for name, number, count in sections:
        if count == 0:
            failures.append(f"{os.path.basename(doc_path)}:{number}: section {name} has no "
                            "Facts line")
    if got_host != wanted_host:
        failures.append(f"the host's table: the header has {wanted_host}, the reference's "
                        f"sections {got_host}")
    if os.environ.get("TVB_UPDATE_EXPECTED") == "1":
        with open(doc_path + ".part", "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        os.replace(doc_path + ".part", doc_path)
        failures = [f for f in failures if "the reference says" not in f]
    for f in failures:
        print("FAIL: " + f)
    if failures:
        return 1
    print(f"ok: {checked} facts of {len(sections)} sections as recorded, "
          f"{len(got_host)} host slots as declared")
    return 0


if __name__ == "__main__":
    sys.exit(main())
