"""The release archives: their contents, their checksums, and that they hold
exactly the files the tests ran.

Each archive must hold exactly its list of files under one top folder named
like the archive, a SHA256SUMS that covers every other file with its right
sum, and match the .sha256 file CPack wrote beside it. Every file must be
byte for byte the one built and tested (or the source file), so that the
signed tvboard.sys in the Windows archive is the image that went through the
image checks and the conformance runs. On the copies taken out of the
archive, the signature is verified against the build's test CA
(osslsigncode) and the PDB against the image (check_pdb.py).

usage: check_package.py WINDOWS.zip RELEASE_BUILD LINUX.tar.gz LINUX_BUILD I386_BUILD
"""

import hashlib
import os
import subprocess
import sys
import tarfile
import tempfile
import zipfile

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
              "docs/host-interface.md": os.path.join(SOURCE, "docs/host-interface.md")}
    archives = {
        windows: {"tvboard.sys": os.path.join(release, "tvboard.sys"),
                  "tvboard.pdb": os.path.join(release, "tvboard.pdb"),
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
        unpacked[archive] = inside

    with tempfile.TemporaryDirectory() as tmp:
        for path in ("tvboard.sys", "tvboard.pdb"):
            with open(os.path.join(tmp, path), "wb") as f:
                f.write(unpacked[windows].get(path, b""))
        image = os.path.join(tmp, "tvboard.sys")
        verify = subprocess.run(
            [os.environ.get("OSSLSIGNCODE", "osslsigncode"), "verify", "-CAfile",
             os.path.join(release, "test-signature", "test-ca.pem"), "-in", image],
            capture_output=True, text=True)
        check(verify.returncode == 0 and "Signature verification: ok" in verify.stdout,
              "the archive's tvboard.sys: signature verified against the test CA",
              "the archive's tvboard.sys: osslsigncode verify failed:\n" + verify.stdout
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
