#!/usr/bin/env python3
"""Every bench example of the pages named (the bench's manual, the README)
runs as written: each indented command line that starts with
scripts/run-bench.sh, build/default/bench/tvboard or tvboard, page by page in
order, from a folder that looks like the source tree (harness/bench/antennas,
build/default/libtvboard.so). It must end without a signal, with exit status
0 unless the page shows its output ('$ tvboard ...' and the lines after it),
which must then be exactly that; the JSON document shown after an example
command must be the one it prints. The Windows examples (wine) are left to
the Windows build's tests.

usage: check_readme.py BENCH LIBRARY SOURCE_TREE PAGE..."""
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile

# (Not the synopsis "tvboard [OPTIONS] ...", nor output lines "tvboard: ...".)
COMMAND = re.compile(r"(scripts/run-bench\.sh|build/default/bench/tvboard|tvboard)( (?!\[)|$)")


def examples(text):
    """(line, command, expected output or None, expected JSON or None) in
    order."""
    out = []
    lines = text.splitlines()
    for i, line in enumerate(lines):
        shown = line.startswith("    $ ")
        command = line[6:] if shown else line[4:]
        if not line.startswith("    ") or not COMMAND.match(command):
            continue
        expected = None
        if shown:
            expected = []
            for after in lines[i + 1:]:
                if not after.startswith("    ") or after.startswith("    $ "):
                    break
                expected.append(after[4:])
        out.append((i + 1, command, expected, None))
    # "For example `tvboard ... --json`:" and the ```json block after it.
    for m in re.finditer(r"`(tvboard [^`]*--json)`:\s*```json\n(.*?)```", text, re.S):
        line = text.count("\n", 0, m.start()) + 1
        out.append((line, " ".join(m.group(1).split()), None, json.loads(m.group(2))))
    return sorted(out, key=lambda case: case[0])


def main():
    if len(sys.argv) < 5:
        print(__doc__.split("\n\n")[-1].strip())
        return 2
    bench, library, source = sys.argv[1:4]
    bench = os.path.abspath(bench)
    cases = []
    for page in sys.argv[4:]:
        with open(page, encoding="utf-8") as f:
            name = os.path.relpath(page, source)
            cases += [("%s:%d" % (name, line), command, expected, document)
                      for line, command, expected, document in examples(f.read())]
    work = tempfile.mkdtemp()
    os.makedirs(os.path.join(work, "build/default/bench"))
    os.symlink(os.path.join(source, "harness"), os.path.join(work, "harness"))
    os.symlink(os.path.abspath(library), os.path.join(work, "build/default/libtvboard.so"))
    env = dict(os.environ, SOURCE_DATE_EPOCH="0")
    failed = 0
    for where, command, expected, document in cases:
        words = shlex.split(command)
        words = [bench] + (words[1:] or ["session", "--trace"])
        run = subprocess.run(words, cwd=work, env=env, capture_output=True, text=True,
                             check=False, timeout=300)
        got = (run.stdout + run.stderr).splitlines()
        problem = None
        if run.returncode < 0:
            problem = "ended by signal %d" % -run.returncode
        elif document is not None:
            if json.loads(run.stdout) != document:
                problem = "prints another JSON document:\n" + run.stdout
        elif expected is not None:
            if got != expected:
                problem = "prints\n  %s\nnot\n  %s" % ("\n  ".join(got), "\n  ".join(expected))
        elif run.returncode != 0:
            problem = "exit status %d: %s" % (run.returncode, "\n".join(got[-3:]))
        print(("FAIL: " if problem else "ok: ") + where + ": " + command +
              ("\n  " + problem if problem else ""))
        failed += 1 if problem else 0
    print("%d examples, %d failed" % (len(cases), failed))
    return 1 if failed or len(cases) < 10 else 0


if __name__ == "__main__":
    sys.exit(main())
