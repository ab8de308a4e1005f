#!/usr/bin/env python3
"""Extracts archives made at test time by other ZIP writers (Info-ZIP zip, 7-Zip, Python's
zipfile) with kvzip and compares every file's bytes with the source tree.
Usage: interop_check.py KVZIP. Prints 'N passed, N failed'; a missing tool skips its cases."""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import zipfile


def make_tree(root):
    rnd = random.Random(7)
    files = {
        "readme": b"no dot in the name\r\n",
        "empty.txt": b"",
        "theme.ini": b"[theme]\r\nname=test\r\n" * 50,
        "random.bin": bytes(rnd.getrandbits(8) for _ in range(70000)),
        "Bitmaps/logo.bmp": b"BM" + bytes((i * 7) % 251 for i in range(300000)),
        "Bitmaps/deep/words.txt": b" ".join(rnd.choice([b"logon", b"screen", b"bitmap", b"ui"]) for _ in range(200000)),
    }
    for rel, data in files.items():
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    return files


def run(cmd, cwd=None, **kw):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)


def builders(src, work):
    zip_ok = shutil.which("zip") is not None
    sevenz = shutil.which("7z")
    cases = []
    if zip_ok:
        cases.append(("zip deflate", lambda a: run(["zip", "-qr", a, "."], cwd=src)))
        cases.append(("zip stored", lambda a: run(["zip", "-qr0", a, "."], cwd=src)))

        def with_comment(a):
            run(["zip", "-qr", a, "."], cwd=src)
            return run(["zip", "-qz", a], input=b"An archive comment that holds PK\x05\x06 inside it\n" * 10)
        cases.append(("zip comment", with_comment))

        def streamed(a):  # written to a pipe: sizes follow the data (data descriptors)
            with open(a, "wb") as out:
                return subprocess.run(["zip", "-qr", "-", "."], cwd=src, stdout=out)
        cases.append(("zip streamed", streamed))
        # Encrypted with the traditional scheme; kvzip gets the password as -psecret.
        cases.append(("zip encrypted", lambda a: run(["zip", "-qr", "-P", "secret", a, "."], cwd=src)))
    if sevenz:
        cases.append(("7z deflate64", lambda a: run([sevenz, "a", "-tzip", "-mm=Deflate64", "-mx=9", a, "."], cwd=src)))
        cases.append(("7z deflate", lambda a: run([sevenz, "a", "-tzip", "-mm=Deflate", a, "."], cwd=src)))

    def python(a, method, zip64=False, comment=b""):
        with zipfile.ZipFile(a, "w", method) as z:
            z.comment = comment
            for root, dirs, files in os.walk(src):
                for f in sorted(files):
                    full = os.path.join(root, f)
                    name = os.path.relpath(full, src).replace(os.sep, "/")
                    with open(full, "rb") as fi, z.open(zipfile.ZipInfo(name, (2004, 1, 2, 3, 4, 6)), "w",
                                                        force_zip64=zip64) as fo:
                        fo.write(fi.read())
    cases.append(("python deflate", lambda a: python(a, zipfile.ZIP_DEFLATED)))
    cases.append(("python stored", lambda a: python(a, zipfile.ZIP_STORED, comment=b"x" * 40000)))
    cases.append(("python zip64", lambda a: python(a, zipfile.ZIP_DEFLATED, zip64=True)))
    return cases


def main():
    kvzip = os.path.abspath(sys.argv[1])
    passed = failed = 0
    with tempfile.TemporaryDirectory() as work:
        src = os.path.join(work, "src")
        files = make_tree(src)
        for n, (label, build) in enumerate(builders(src, work)):
            archive = os.path.join(work, f"a{n}.zip")
            build(archive)
            out = os.path.join(work, f"out{n}")
            problems = []
            pw = ["-psecret"] if "encrypted" in label else []
            t = run([kvzip] + pw + ["t", archive])
            if t.returncode != 0:
                problems.append(f"kvzip t: {t.stderr.decode(errors='replace')[:300]}")
            x = run([kvzip] + pw + ["x", archive, out])
            if pw and run([kvzip, "-pwrong", "t", archive]).returncode == 0:
                problems.append("a wrong password was accepted")
            if x.returncode != 0:
                problems.append(f"kvzip x: {x.stderr.decode(errors='replace')[:300]}")
            for rel, data in files.items():
                path = os.path.join(out, rel)
                if not os.path.isfile(path):
                    problems.append(f"{rel} missing")
                elif open(path, "rb").read() != data:
                    problems.append(f"{rel} differs")
            if problems:
                failed += 1
                print("FAIL", label, "; ".join(problems))
            else:
                passed += 1
                print("ok  ", label)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
