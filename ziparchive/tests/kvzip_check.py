#!/usr/bin/env python3
"""kvzip as a user meets it: a file that is no archive, a damaged one and an AES member make
it exit non-zero with a report; stored folders come out, empty ones and those without the
folder attribute (as Java tools write them) included; "-s" packs alike whatever order the
files were made in.
Usage: kvzip_check.py KVZIP. Prints 'N passed, N failed'."""
import os
import subprocess
import sys
import tempfile
import zipfile


def kvzip(*args):
    return subprocess.run([KVZIP, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)


def case_not_an_archive(work):
    path = os.path.join(work, "notes.zip")
    with open(path, "wb") as f:
        f.write(b"just some text, no archive at all\n" * 20)
    r = kvzip("t", path)
    return [] if r.returncode == 1 and b"Bad file header" in r.stderr else [f"t exited {r.returncode}: {r.stderr!r}"]


def case_damaged_directory(work):
    path = os.path.join(work, "damaged.zip")
    with zipfile.ZipFile(path, "w") as z:
        for n in ("one.txt", "two.txt", "three.txt"):
            z.writestr(n, n * 10)
    data = bytearray(open(path, "rb").read())
    second = data.index(b"PK\x01\x02", data.index(b"PK\x01\x02") + 4)
    data[second + 2] = 0x7F
    open(path, "wb").write(bytes(data))
    out = os.path.join(work, "damaged")
    r = kvzip("x", path, out)
    problems = [] if r.returncode == 1 and b"1 of 3 entries" in r.stderr else [f"x exited {r.returncode}: {r.stderr!r}"]
    if not os.path.isfile(os.path.join(out, "one.txt")):
        problems.append("the member before the damage did not come out")
    return problems


def case_aes_member(work):
    path = os.path.join(work, "aes.zip")
    info = zipfile.ZipInfo("secret.txt")
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(info, b"x" * 40)
    data = bytearray(open(path, "rb").read())
    for sig, method_at in ((b"PK\x03\x04", 8), (b"PK\x01\x02", 10)):
        at = data.index(sig)
        data[at + method_at - 2] |= 1  # encrypted
        data[at + method_at:at + method_at + 2] = (99).to_bytes(2, "little")
    open(path, "wb").write(bytes(data))
    r = kvzip("-pguess", "t", path)
    if r.returncode == 1 and b"Unsupported compression method" in r.stderr and b"OnGetPassword" not in r.stderr:
        return []
    return [f"t exited {r.returncode}: {r.stderr!r}"]


def case_folders(work):
    path = os.path.join(work, "folders.zip")
    with zipfile.ZipFile(path, "w") as z:
        for name, attrs in (("Empty/", 0), ("Java/", 0), ("Dos/", 0x10)):
            info = zipfile.ZipInfo(name)
            info.external_attr = attrs
            z.writestr(info, b"")
        z.writestr("Java/in.txt", b"in")
    out = os.path.join(work, "folders")
    r = kvzip("x", path, out)
    problems = [] if r.returncode == 0 else [f"x exited {r.returncode}: {r.stderr!r}"]
    for d in ("Empty", "Java", "Dos"):
        if not os.path.isdir(os.path.join(out, d)):
            problems.append(f"folder {d} not made")
    if open(os.path.join(out, "Java", "in.txt"), "rb").read() != b"in":
        problems.append("Java/in.txt differs")
    return problems


def case_name_order(work):
    """Two copies of one tree, made in opposite orders with the same file times, pack to the
    same bytes with -s, members in name order; -s is refused for anything but packing."""
    files = ["b.txt", "C.txt", "sub/z.bin", "a.txt", "sub/deep/x.txt", "sub/y.txt", "\xc0.txt"]
    archives = []
    for copy, order in (("one", files), ("two", list(reversed(files)))):
        root = os.path.join(work, "order", copy).encode()
        for name in order:
            path = os.path.join(root, name.encode("latin-1"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(name.encode("latin-1") * 50)
            os.utime(path, (1700000000, 1700000000))
        archive = os.path.join(work, f"order-{copy}.zip")
        r = kvzip("-s", "a", archive, root)
        if r.returncode != 0:
            return [f"-s a exited {r.returncode}: {r.stderr!r}"]
        archives.append(open(archive, "rb").read())
    problems = [] if archives[0] == archives[1] else ["the two copies packed differently"]
    with zipfile.ZipFile(os.path.join(work, "order-one.zip")) as z:
        names = [i.filename for i in z.infolist()]
    # \xc0 (cp1251 A) is stored in the OEM code page: 0x80, read by zipfile as cp437.
    expected = ["C.txt", "a.txt", "b.txt", "sub/deep/x.txt", "sub/y.txt", "sub/z.bin", "\xc7.txt"]
    if names != expected:
        problems.append(f"members {names}")
    if kvzip("-s", "t", os.path.join(work, "order-one.zip")).returncode != 2:
        problems.append("-s t was not refused")
    return problems


if __name__ == "__main__":
    KVZIP = os.path.abspath(sys.argv[1])
    passed = failed = 0
    with tempfile.TemporaryDirectory() as work:
        for case in (case_not_an_archive, case_damaged_directory, case_aes_member, case_folders,
                     case_name_order):
            problems = case(work)
            if problems:
                failed += 1
                print("FAIL", case.__name__, "; ".join(problems))
            else:
                passed += 1
                print("ok  ", case.__name__)
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
