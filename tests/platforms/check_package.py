"""The release archives: their contents, their checksums, that they hold
exactly the files the tests ran, and nothing they point at is missing.

Each archive must hold exactly its list of files under one top folder named
like the archive, a SHA256SUMS that covers every other file with its right
sum, and match the .sha256 file CPack wrote beside it. Every file must be
byte for byte the one built and tested (or the source file), so that the
signed tvboard.sys in the Windows archive is the image that went through the
image checks and the conformance runs, and tvboard.exe the bench that ran
it (TVB_WINDOWS_BENCH of the release build). A page an archived file links
to or names (NAME.md), and a file the header names (tvboard.lib, ...) in the
Windows archive, must be in the archive. No file may hold a path of the
build's source or build folders, nor any absolute path but the toolchain's
and the system's under /usr (what `strings` finds, ASCII and UTF-16). In the
unpacked Windows archive, every `osslsigncode verify` command that INSTALL.md,
docs/release.md and the README give with the shipped test CA must pass as written, and
the PDB must be the image's (check_pdb.py).

usage: check_package.py WINDOWS.zip RELEASE_BUILD LINUX.tar.gz LINUX_BUILD I386_BUILD
"""

import base64
import hashlib
import os
import re
import shlex
import subprocess
import sys
import tarfile
import tempfile
import zipfile

import pefile

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def read_archive(path):
    """File name -> bytes, for every file of a .zip or .tar.gz."""
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as z:
            return {i.filename: z.read(i) for i in z.infolist() if not i.is_dir()}
    with tarfile.open(path) as t:
        return {m.name: t.extractfile(m).read() for m in t.getmembers() if m.isfile()}


def cache_entry(build, name):
    """A variable of a build's CMakeCache.txt."""
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    return ""


def printable_runs(data):
    """What strings finds: runs of four or more printable characters, in
    ASCII and in UTF-16 little-endian."""
    for m in re.finditer(rb"[\x20-\x7e]{4,}", data):
        yield m.group().decode("ascii")
    for m in re.finditer(rb"(?:[\x20-\x7e]\x00){4,}", data):
        yield m.group().decode("utf-16-le")


def machine_paths(data, folders):
    """The build's folders, and absolute paths outside /usr, that a file holds.
    The system's own device files (/dev/null, /dev/stdout, /dev/fd/N: what the
    bench and its manual name) are no build machine's. A PEM certificate is
    read as the DER its base64 holds, which is where a path would be."""
    pem = re.fullmatch(rb"\s*-----BEGIN CERTIFICATE-----(.*?)-----END CERTIFICATE-----\s*",
                       data, re.S)
    if pem:
        data = base64.b64decode(b"".join(pem.group(1).split()))
    found = set()
    for run in printable_runs(data):
        for folder in folders:
            # (dlltool and others spell a path with underscores in symbols)
            if folder in run or re.sub(r"[^A-Za-z0-9]", "_", folder) in run:
                found.add(folder)
        # (not a relative path's inner parts, nor a URL's)
        for m in re.finditer(r"(?<![\w.~/-])/(?:[\w.+-]+/)*[\w.+-]+", run):
            path = m.group()
            if path.count("/") > 1 and not path.startswith(("/usr/", "/dev/")):
                found.add(path)
    return sorted(found)


def cited(name, data, files):
    """What a text file of the archive points at that the archive lacks."""
    if not name.endswith((".md", ".h")):
        return []
    text = data.decode("utf-8", "replace")
    folder = os.path.dirname(name)
    missing = []
    for target in re.findall(r"\]\(([^)#\s]+)(?:#[^)]*)?\)", text):
        if re.match(r"^[a-z]+:", target):
            continue
        path = os.path.normpath(os.path.join(folder, target))
        if path not in files:
            missing.append(target)
    for page in re.findall(r"(?<![\w/.-])((?:docs/)?[\w-]+\.md)\b", text):
        if page not in files and os.path.normpath(os.path.join(folder, page)) not in files:
            missing.append(page)
    return sorted(set(missing))


def main(argv):
    if len(argv) != 6:
        print(__doc__.split("\n\n")[-1].strip())
        return 2
    windows, release, linux, linux_build, i386_build = argv[1:]
    failures = 0

    def check(ok, text, fail):
        nonlocal failures
        print(f"ok: {text}" if ok else f"FAIL: {fail}")
        failures += 0 if ok else 1

    common = {"include/tvboard.h": os.path.join(SOURCE, "module/include/tvboard.h"),
              **{f"docs/{page}.md": os.path.join(SOURCE, f"docs/{page}.md")
                 for page in ("host-interface", "board-registers", "bench", "reliability",
                              "release")},
              **{name: os.path.join(SOURCE, name)
                 for name in ("INSTALL.md", "RELEASE-NOTES.md", "LICENSE")}}
    bench = cache_entry(release, "TVB_WINDOWS_BENCH")
    archives = {
        windows: {"tvboard.sys": os.path.join(release, "tvboard.sys"),
                  "tvboard.pdb": os.path.join(release, "tvboard.pdb"),
                  "tvboard.exe": bench,
                  "tvboard-test-ca.cer": os.path.join(release, "test-signature", "test-ca.pem"),
                  "lib/tvboard.lib": os.path.join(release, "tvboard.lib"),
                  "lib/libtvboard.a": os.path.join(release, "libtvboard.a"), **common},
        linux: {"lib/x86_64-linux-gnu/libtvboard.so": os.path.join(linux_build, "libtvboard.so"),
                "lib/i386-linux-gnu/libtvboard.so": os.path.join(i386_build, "libtvboard.so"),
                **common},
    }
    unpacked = {}
    for archive, files in archives.items():
        name = os.path.basename(archive)
        with open(archive, "rb") as f:
            whole = f.read()
        with open(archive + ".sha256", encoding="ascii") as f:
            listed = f.read().split()
        check(listed == [sha256(whole), name], f"{name}: matches {name}.sha256",
              f"{name}: sum {sha256(whole)}, {name}.sha256 says {' '.join(listed)}")

        top = name[:-len(".tar.gz")] if name.endswith(".tar.gz") else name[:-len(".zip")]
        content = read_archive(archive)
        inside = {n[len(top) + 1:] if n.startswith(top + "/") else n: data
                  for n, data in content.items()}
        want = sorted([*files, "SHA256SUMS"])
        check(sorted(inside) == want and all(n.startswith(top + "/") for n in content),
              f"{name}: {' '.join(want)} in {top}/",
              f"{name}: holds {' '.join(sorted(content))}, want {' '.join(want)} in {top}/")

        sums = {}
        for line in inside.get("SHA256SUMS", b"").decode("ascii", "replace").splitlines():
            digest, _, path = line.partition("  ")
            sums[path] = digest
        wrong = [p for p in files if sums.get(p) != sha256(inside.get(p, b""))]
        check(sorted(sums) == sorted(files) and not wrong,
              f"{name}: SHA256SUMS holds the right sum of every file",
              f"{name}: SHA256SUMS lists {' '.join(sorted(sums))}; wrong or missing: "
              + " ".join(wrong))

        differ = []
        for path, built in files.items():
            with open(built, "rb") as f:
                if f.read() != inside.get(path):
                    differ.append(f"{path} (not {built})")
        check(not differ, f"{name}: every file is the one built and tested",
              f"{name}: not as built and tested: " + " ".join(differ))

        lacking = {path: cited(path, data, inside) for path, data in inside.items()}
        if archive == windows:
            header = inside.get("include/tvboard.h", b"").decode("utf-8", "replace")
            names = {os.path.basename(p) for p in inside}
            lacking["include/tvboard.h"] += sorted(
                {n for n in re.findall(r"\b[\w-]+\.(?:def|lib|a|sys|exe|pdb)\b", header)
                 if n not in names})
        lacking = {p: m for p, m in lacking.items() if m}
        check(not lacking, f"{name}: every page and file the archive's files point at is in it",
              f"{name}: points at what it does not hold: "
              + "; ".join(f"{p}: {' '.join(m)}" for p, m in sorted(lacking.items())))

        folders = sorted({os.path.realpath(f) for f in (SOURCE, release, linux_build, i386_build,
                                                       os.path.dirname(os.path.dirname(bench)))
                          if f} | {SOURCE})
        leaks = {p: machine_paths(data, folders) for p, data in inside.items()}
        leaks = {p: m for p, m in leaks.items() if m}
        check(not leaks, f"{name}: no file holds a path of the build machine",
              f"{name}: paths of the build machine: "
              + "; ".join(f"{p}: {' '.join(m)}" for p, m in sorted(leaks.items())))
        notes = inside.get("RELEASE-NOTES.md", b"").decode("utf-8", "replace")
        heading = re.search(r"^## (\S+)", notes, re.M)
        version = top.split("-")[1]
        check(heading and heading.group(1) == version,
              f"{name}: RELEASE-NOTES.md opens with {version}",
              f"{name}: RELEASE-NOTES.md opens with {heading and heading.group(1)}, not {version}")
        unpacked[archive] = inside

    with tempfile.TemporaryDirectory() as tmp:
        for path, data in unpacked[windows].items():
            os.makedirs(os.path.dirname(os.path.join(tmp, path)), exist_ok=True)
            with open(os.path.join(tmp, path), "wb") as f:
                f.write(data)
        image = os.path.join(tmp, "tvboard.sys")
        # The imports INSTALL.md lists are the image's.
        pe = pefile.PE(image)
        imports = sorted(i.name.decode() for d in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
                         for i in d.imports if i.name)
        pe.close()
        install = unpacked[windows].get("INSTALL.md", b"").decode("utf-8", "replace")
        sentence = re.search(r"imports only (.*?)\.\n\n", install, re.S)
        listed = sorted(re.findall(r"`(\w+)`", sentence.group(1))) if sentence else []
        listed = [n for n in listed if not n.endswith(("exe", "dll"))]
        check(listed == imports, f"INSTALL.md lists the image's {len(imports)} imports",
              f"INSTALL.md lists the imports {' '.join(listed)}, the image has "
              f"{' '.join(imports)}")
        with open(os.path.join(SOURCE, "README.md"), "rb") as f:
            readme = f.read()
        commands = sorted({line.strip()
                           for text in (unpacked[windows].get("INSTALL.md", b""),
                                        unpacked[windows].get("docs/release.md", b""), readme)
                           for line in text.decode().splitlines()
                           if line.strip().startswith("osslsigncode verify")
                           and "tvboard-test-ca.cer" in line})
        check(commands, f"the verify command given: {' | '.join(commands)}",
              "INSTALL.md, docs/release.md and the README give no osslsigncode verify with the test CA")
        for command in commands:
            verify = subprocess.run(shlex.split(command), cwd=tmp, capture_output=True, text=True)
            check(verify.returncode == 0 and "Signature verification: ok" in verify.stdout,
                  f"in the unpacked archive, '{command}': signature verified",
                  f"in the unpacked archive, '{command}' failed:\n" + verify.stdout
                  + verify.stderr)
        pdb = subprocess.run(
            [sys.executable, os.path.join(SOURCE, "tests", "platforms", "check_pdb.py"), image,
             os.path.join(tmp, "tvboard.pdb"), os.path.join(release, "tvboard.map")],
            capture_output=True, text=True)
        check(pdb.returncode == 0, "the archive's tvboard.pdb: the image's, with every function",
              "the archive's tvboard.pdb:\n" + pdb.stdout + pdb.stderr)

    print("all checks passed" if failures == 0 else f"{failures} check(s) failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
