#!/usr/bin/env python3
"""kvzip as a user meets it: a file that is no archive, a damaged one and an AES member make
it exit non-zero with a report; stored folders come out, empty ones and those without the
folder attribute (as Java tools write them) included; "-s" packs alike whatever order the
files were made in. A table of what the user reads: a password missing, names refused and
shown with what is unprintable escaped, the listing, archives cut short, files whose names
differ in case, an update meeting a member's name, names the code pages lack and empty folders
packed and extracted again, a pipe, a member named like its archive, what t refuses, and what an
interrupted or killed run leaves (nothing, or one temporary file the next run removes).
Usage: kvzip_check.py KVZIP. Prints 'N passed, N failed'."""
import os
import signal
import warnings
import stat
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib


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


def encrypted_archive(path, password, members):
    """Stored members under the traditional encryption (its 12-byte header checked by the
    CRC's high byte)."""
    def update(keys, b):
        crc = lambda c, x: (zlib.crc32(bytes([x]), c ^ 0xFFFFFFFF) ^ 0xFFFFFFFF) & 0xFFFFFFFF
        keys[0] = crc(keys[0], b)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = crc(keys[2], keys[1] >> 24)

    local, central = b"", b""
    for name, data in members:
        keys = [0x12345678, 0x23456789, 0x34567890]
        for c in password:
            update(keys, c)
        crc = zlib.crc32(data)
        packed = bytearray()
        for b in bytes(11) + bytes([crc >> 24]) + data:
            t = (keys[2] | 2) & 0xFFFF
            packed.append(b ^ (((t * (t ^ 1)) >> 8) & 0xFF))
            update(keys, b)
        head = struct.pack("<HHHIIIIHH", 20, 1, 0, 0x3A4B5C6D, crc, len(packed), len(data), len(name), 0)
        central += b"PK\x01\x02" + struct.pack("<H", 20) + head + struct.pack("<HHHII", 0, 0, 1, 0x20, len(local))
        central += name.encode()
        local += b"PK\x03\x04" + head + name.encode() + bytes(packed)
    end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, len(members), len(members), len(central), len(local), 0)
    with open(path, "wb") as f:
        f.write(local + central + end)


def sound_archive(path, names=("one.txt", "two.txt", "sub/three.txt")):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for n in names:
            z.writestr(n, (n * 40).encode())
        z.comment = b"comment"


def refused_names(path):
    with zipfile.ZipFile(path, "w") as z:
        for n in ("nul\0byte.txt", "CON", "dir./x.txt", "../up.txt", "sub/ok.txt"):
            info = zipfile.ZipInfo("x")
            info.filename = n  # zipfile would cut the name at the NUL
            z.writestr(info, b"x")


def cut(path, at_directory_plus):
    sound_archive(path)
    data = open(path, "rb").read()
    data = data[:data.index(b"PK\x01\x02") + at_directory_plus]
    open(path, "wb").write(data)


def files(root, tree):
    for name, content in tree.items():
        p = os.path.join(root, name)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, "wb") as f:
            f.write(content)


def pack_interrupted(work, how):
    """Packs a big file and stops the run part way: SIGINT, or SIGKILL and a second run."""
    src = os.path.join(work, "src")
    os.makedirs(src)
    with open(os.path.join(src, "big.bin"), "wb") as f:
        f.write(os.urandom(40 << 20))
    archive = os.path.join(work, "out.zip")
    tmp = os.path.join(work, "tmp")
    os.makedirs(tmp)
    env = dict(os.environ, TMPDIR=tmp)
    p = subprocess.Popen([KVZIP, "a", archive, src], env=env, stderr=subprocess.PIPE)
    for _ in range(200):  # until the temporary archive has grown a little
        time.sleep(0.02)
        if os.path.exists(archive + ".~kv") and os.path.getsize(archive + ".~kv") > 0:
            break
    p.send_signal(signal.SIGINT if how == "int" else signal.SIGKILL)
    rc = p.wait()
    problems = [] if os.listdir(tmp) == [] else [f"left in TMPDIR: {os.listdir(tmp)}"]
    if how == "int":
        if rc != 130:
            problems.append(f"exit {rc} after SIGINT")
        if os.path.exists(archive + ".~kv"):
            problems.append("SIGINT left the temporary archive")
    else:
        if not os.path.exists(archive + ".~kv"):
            problems.append("no temporary archive beside the target to see")
        r = kvzip("a", archive, src)
        if r.returncode != 0 or os.path.exists(archive + ".~kv"):
            problems.append(f"the next run (exit {r.returncode}) did not take the leftover over")
    return problems


def extract_over_leftovers(work):
    """The one name a replacing run writes under first is removed beside its file, and said;
    nothing else of that form is touched (earlier versions removed "NAME.~kvN" too)."""
    out = os.path.join(work, "out")
    files(out, {"one.txt": b"old", "one.txt.~kv": b"killed", "two.txt": b"old", "two.txt.~kv3": b"the user's",
                "alone.~kv": b"not ours"})
    sound_archive(os.path.join(work, "a.zip"))
    r = kvzip("x", os.path.join(work, "a.zip"), out)
    left = sorted(os.listdir(out))
    problems = []
    if r.returncode != 0 or left != ["alone.~kv", "one.txt", "sub", "two.txt", "two.txt.~kv3"]:
        problems.append(f"exit {r.returncode}, folder holds {left}")
    if b"one.txt.~kv: Leftover of an interrupted extraction removed" not in r.stderr:
        problems.append(f"the removal was not said: {r.stderr!r}")
    return problems


def extract_interrupted(work):
    """SIGINT or SIGTERM while a member is written: nothing of it stays under any name, a file
    it replaces stays as it was, exit 130. The run is frozen as soon as its output appears, so
    that the signal always comes part way."""
    archive = os.path.join(work, "big.zip")
    with zipfile.ZipFile(archive, "w") as z:
        z.writestr("big.bin", os.urandom(48 << 20))
    problems = []
    for sig, replacing in ((signal.SIGINT, False), (signal.SIGTERM, True)):
        out = os.path.join(work, f"out-{sig.name}")
        os.makedirs(out)
        if replacing:
            files(out, {"big.bin": b"OLD"})
        target = os.path.join(out, "big.bin.~kv" if replacing else "big.bin")
        p = subprocess.Popen([KVZIP, "x", archive, out], stderr=subprocess.PIPE)
        while p.poll() is None and not (os.path.exists(target) and os.path.getsize(target) > 0):
            time.sleep(0.001)
        p.send_signal(signal.SIGSTOP)
        caught = p.poll() is None and os.path.getsize(target) < (48 << 20)
        p.send_signal(sig)
        p.send_signal(signal.SIGCONT)
        rc = p.wait()
        if not caught:
            continue  # ended before the signal: nothing to see (a fast disk)
        left = {n: open(os.path.join(out, n), "rb").read()[:3] for n in os.listdir(out)}
        expected = {"big.bin": b"OLD"} if replacing else {}
        if rc != 130 or left != expected:
            problems.append(f"{sig.name}: exit {rc}, folder holds {sorted(left)}")
    return problems


def umask_mode(work):
    src = os.path.join(work, "src")
    files(src, {"a.txt": b"a"})
    old = os.umask(0o022)
    try:
        r = kvzip("a", os.path.join(work, "new.zip"), src)
    finally:
        os.umask(old)
    mode = stat.S_IMODE(os.stat(os.path.join(work, "new.zip")).st_mode)
    return [] if r.returncode == 0 and mode == 0o644 else [f"exit {r.returncode}, mode {oct(mode)}"]


def listed_names(archive):
    with zipfile.ZipFile(archive) as z:
        return sorted((i.filename, zlib.crc32(z.read(i))) for i in z.infolist())


def self_archive(path):
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("first.txt", b"1")
        z.writestr(os.path.basename(path), b"REPLACED")
        z.writestr("last.txt", b"2")


def duplicates(path):
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("a.txt", b"first")
        z.writestr(zipfile.ZipInfo("a.txt"), b"second")  # zipfile warns, and writes it


# title, setup (returns kvzip's arguments), exit code, words stderr must hold, words it must
# not hold, a check afterwards (returns problems), words stdout must hold.
TABLE = [
    ("no password", lambda w: encrypted_archive(w + "/e.zip", b"right", [("s.txt", b"secret")]) or ["t", w + "/e.zip"],
     1, [b"s.txt: wrong password or none given; use -p"], [b"OnGetPassword", b"Required event"], None, []),
    ("right password", lambda w: encrypted_archive(w + "/e.zip", b"right", [("s.txt", b"secret")]) or ["-pright", "t", w + "/e.zip"],
     0, [], [], None, []),
    ("names refused, each for its reason", lambda w: refused_names(w + "/r.zip") or ["x", w + "/r.zip", w + "/out"],
     1, [b"nul\\x00byte.txt: Stored name refused - the name holds a NUL byte", b'"CON" names a device',
         b'"dir." ends in a dot or a space', b'"../up.txt: Stored name refused - ".." leads outside'.lstrip(b'"')],
     [b"..\\up"], lambda w: [] if os.path.isfile(w + "/out/sub/ok.txt") else ["sub/ok.txt missing"], []),
    ("listing", lambda w: sound_archive(w + "/s.zip") or ["l", w + "/s.zip"],
     0, [], [], None, [b"Deflated", b"sub/three.txt", b"3 members"]),
    ("listing a cut archive", lambda w: cut(w + "/c.zip", 4) or ["l", w + "/c.zip"],
     1, [b"/c.zip: Bad file header - no end record", b"the members are read from their local headers"], [b"\\c.zip"],
     None, [b"sub/three.txt"]),
    ("testing an archive cut in its end record", lambda w: cut(w + "/c.zip", 3 * 46 + 40 + 5) or ["t", w + "/c.zip"],
     1, [b"no end record: the central directory is missing or damaged"], [], None, []),
    ("extracting a cut archive", lambda w: cut(w + "/c.zip", 10) or ["x", w + "/c.zip", w + "/out"],
     1, [b"read from their local headers"], [],
     lambda w: [] if open(w + "/out/sub/three.txt", "rb").read() == b"sub/three.txt" * 40 else ["data lost"], []),
    ("packing names apart by case", lambda w: files(w + "/src", {"README.TXT": b"1", "Readme.txt": b"22", "readme.txt": b"333"})
     or ["a", w + "/p.zip", w + "/src"], 0, [], [],
     lambda w: [] if len(listed_names(w + "/p.zip")) == 3 else [f"members {listed_names(w + '/p.zip')}"], []),
    ("an update meets a member's name", lambda w: (sound_archive(w + "/u.zip", ("one.txt",)),
                                                    files(w + "/src", {"one.txt": b"other", "new.txt": b"new"})) and
     ["a", w + "/u.zip", w + "/src"],
     1, [b"one.txt: the archive has a member of this name already; it is kept and the file is not added"],
     [b"OnRenameDupeFile", b"OnReplaceFile", b"Required event"],
     lambda w: [] if [n for n, _ in listed_names(w + "/u.zip")] == ["new.txt", "one.txt"] else ["members"], []),
    # Faults: names packed through the code pages came back as other names ("é" and "ë" both
    # as "\xC3?"), and empty folders were left out; both in silence.
    ("packing names the code pages lack, and empty folders",
     lambda w: (files(w + "/src", {"\u00e9.txt": b"1", "\u00eb.txt": b"2", "\u041f\u0440\u0438\u0432\u0435\u0442.txt": b"3",
                                   "empty/.keep": b""}), os.remove(w + "/src/empty/.keep"), os.makedirs(w + "/src/d/e"))
     and ["a", w + "/p.zip", w + "/src"], 0, [], [],
     lambda w: [] if (kvzip("x", w + "/p.zip", w + "/out").returncode == 0 and
                      sorted(os.listdir(w + "/out")) == sorted(["\u00e9.txt", "\u00eb.txt", "\u041f\u0440\u0438\u0432\u0435\u0442.txt", "empty", "d"])
                      and os.listdir(w + "/out/d") == ["e"] and open(w + "/out/\u00eb.txt", "rb").read() == b"2")
     else [f"came back as {sorted(os.listdir(w + '/out'))}"], []),
    # Fault: a pipe was read as far as it went and called "not a ZIP archive".
    ("a pipe for an archive", lambda w: os.mkfifo(w + "/fifo") or ["t", w + "/fifo"],
     1, [b"Error opening file - not a seekable disk file"], [b"not a ZIP archive"], None, []),
    # Fault: a member named like the archive, extracted beside it, replaced it.
    ("extracting a member named like the archive", lambda w: self_archive(w + "/self.zip") or ["x", w + "/self.zip", w],
     1, [b"the archive being read has that name; it is not written over"], [],
     lambda w: [] if zipfile.ZipFile(w + "/self.zip").read("last.txt") == b"2" and os.path.isfile(w + "/last.txt")
     else ["the archive was written over"], []),
    # Fault: t passed what x refuses.
    ("testing what x refuses", lambda w: duplicates(w + "/d.zip") or ["t", w + "/d.zip"],
     1, [b"a.txt: Error writing to file - a.txt: an earlier member has that name; the first one is kept (25136)"],
     [], None, []),
]


def run_table(work):
    problems = []
    for n, (title, setup, code, must, mustnot, after, out) in enumerate(TABLE):
        w = os.path.join(work, f"case{n}")
        os.makedirs(w)
        r = kvzip(*setup(w))
        wrong = []
        if r.returncode != code:
            wrong.append(f"exit {r.returncode}")
        wrong += [f"no {m!r}" for m in must if m not in r.stderr]
        wrong += [f"says {m!r}" for m in mustnot if m in r.stderr]
        wrong += [f"lists no {m!r}" for m in out if m not in r.stdout]
        if after:
            wrong += after(w)
        if wrong:
            problems.append(f"{title}: {'; '.join(wrong)} ({r.stderr[:300]!r})")
    for title, case in (("SIGINT while packing", lambda w: pack_interrupted(w, "int")),
                        ("a pack killed, then run again", lambda w: pack_interrupted(w, "kill")),
                        ("extracting over what a killed run left", extract_over_leftovers),
                        ("SIGINT or SIGTERM while extracting", extract_interrupted),
                        ("a new archive's rights", umask_mode)):
        w = os.path.join(work, title.replace(" ", "_").replace(",", ""))
        os.makedirs(w)
        problems += [f"{title}: {p}" for p in case(w)]
    return problems


if __name__ == "__main__":
    warnings.simplefilter("ignore")  # zipfile's about the duplicate name made on purpose
    KVZIP = os.path.abspath(sys.argv[1])
    passed = failed = 0
    with tempfile.TemporaryDirectory() as work:
        for case in (case_not_an_archive, case_damaged_directory, case_aes_member, case_folders,
                     case_name_order, run_table):
            problems = case(work)
            if problems:
                failed += 1
                print("FAIL", case.__name__, "; ".join(problems))
            else:
                passed += 1
                print("ok  ", case.__name__)
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
