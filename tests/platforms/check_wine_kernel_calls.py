#!/usr/bin/env python3
"""Runs a command that drives tvboard.sys under Wine with Wine's ntoskrnl
debug channel on, and holds each kernel call of the process that loaded the
image, as the channel shows it, to the kernel's rules that the in-process
loader holds the image to (harness/virtual_time/windows_kernel.h), where the
channel shows the argument:

  KeInitializeEvent       type NotificationEvent (0) or SynchronizationEvent
                          (1); not signalled (state 0), or the wait that
                          relies on it ends at once
  KeWaitForSingleObject   (traced as KeWaitForMultipleObjects with one
                          object) reason Executive (0), KernelMode (0): the
                          event lies on the stack; not alertable; a time-out
  KeDelayExecutionThread  KernelMode (0), not alertable, an interval
  ExAllocatePoolWithTag   NonPagedPool (0), not zero bytes
  ExFreePool              a block allocated and not freed yet; every block
                          freed by the end

The channel does not show the time-out's or the interval's value (only
where it lies), the pool tag, or the format of a debug print; Wine's
KeGetCurrentIrql always answers PASSIVE_LEVEL, so no call is made at a
raised level there and no busy-wait stalls. Those rules are held on the
in-process loader only.

The command's output passes through; each broken rule is one line on
stderr. Exit status: the command's when it failed, 1 when a rule was broken
or the channel showed no wait at all (nothing would have been checked),
else 0.

usage: check_wine_kernel_calls.py COMMAND..."""
import os
import re
import subprocess
import sys

# "pid:tid:class:ntoskrnl:function message", with WINEDEBUG's +pid.
TRACE = re.compile(r"^([0-9a-f]+):[0-9a-f]+:(trace|fixme|warn|err):ntoskrnl:(\w+) ?(.*)$")
LOADED = 'loading L"tvboard.sys"'
NULL = "00000000"

RULES = {
    "KeInitializeEvent": re.compile(r"event (\w+), type (\d+), state (\d+)"),
    "KeWaitForMultipleObjects": re.compile(
        r"count (\d+), objs \w+, wait_type \d+, reason (\d+), mode (-?\d+), "
        r"alertable (\d+), timeout (\w+)"),
    "KeDelayExecutionThread": re.compile(r"mode (-?\d+), alertable (\d+), timeout (\w+)"),
    "ExAllocatePoolWithTag": re.compile(r"(\d+) pool (\d+) -> (\w+)"),
    "ExFreePoolWithTag": re.compile(r"(\w+)"),
}


def broken(call, match, live):
    """The rules the traced call breaks, in words."""
    found = []
    if call == "KeInitializeEvent":
        _, kind, state = match.groups()
        if kind not in ("0", "1"):
            found.append(f"event type {kind}, neither NotificationEvent (0) nor "
                         "SynchronizationEvent (1)")
        if state != "0":
            found.append("the event starts signalled: the wait that relies on it ends at once")
    elif call == "KeWaitForMultipleObjects":
        count, reason, mode, alertable, timeout = match.groups()
        if count != "1":
            found.append(f"{count} objects, where the module waits on one event")
        if reason != "0":
            found.append(f"wait reason {reason}, not Executive (0)")
        if mode != "0":
            found.append(f"wait mode {mode}, not KernelMode (0): the kernel may page the "
                         "stack, where the event lies, out")
        if alertable != "0":
            found.append("alertable: the kernel may end the wait before its time")
        if timeout == NULL:
            found.append("no time-out: waits forever on an event nobody signals")
    elif call == "KeDelayExecutionThread":
        mode, alertable, timeout = match.groups()
        if mode != "0":
            found.append(f"wait mode {mode}, not KernelMode (0)")
        if alertable != "0":
            found.append("alertable: the kernel may end the delay before its time")
        if timeout == NULL:
            found.append("no interval")
    elif call == "ExAllocatePoolWithTag":
        size, pool, block = match.groups()
        if pool != "0":
            found.append(f"pool type {pool}, not NonPagedPool (0)")
        if size == "0":
            found.append("a block of 0 bytes")
        if block != NULL:
            live.add(block)
    elif call == "ExFreePoolWithTag":
        block = match.group(1)
        if block not in live:
            found.append("a block not allocated, or freed already")
        live.discard(block)
    return found


def main():
    if len(sys.argv) < 2:
        print(__doc__.split("usage: ")[1], file=sys.stderr)
        return 2
    env = dict(os.environ, WINEDEBUG="+pid,+ntoskrnl")
    run = subprocess.run(sys.argv[1:], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                         text=True, errors="replace", check=False)
    sys.stdout.write(run.stdout)
    image_pid = None
    calls = waits = 0
    live = set()
    problems = []
    for line in run.stderr.splitlines():
        m = TRACE.match(line)
        if not m:
            print(line, file=sys.stderr)
            continue
        pid, _, call, message = m.groups()
        if image_pid is None:
            if LOADED in message:
                image_pid = pid
            continue
        if pid != image_pid or call not in RULES:
            continue
        args = RULES[call].match(message)
        if not args:
            problems.append(f"{call} {message}: not as this check reads Wine's trace")
            continue
        calls += 1
        waits += call in ("KeWaitForMultipleObjects", "KeDelayExecutionThread")
        problems += [f"{call}({message.rstrip('.')}): {rule}" for rule in broken(call, args, live)]
    problems += [f"ExAllocatePoolWithTag: block {block} never freed" for block in sorted(live)]
    for p in problems:
        print(f"wine: {p}", file=sys.stderr)
    print(f"wine: {calls} kernel calls of tvboard.sys traced and checked, "
          f"{len(problems)} broke a rule")
    if run.returncode != 0:
        return run.returncode
    if image_pid is None or waits == 0:
        print("wine: the ntoskrnl channel showed no wait of tvboard.sys: nothing was checked",
              file=sys.stderr)
        return 1
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
