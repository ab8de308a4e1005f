#!/usr/bin/env python3
"""Writes the small seed corpora of the reader's fuzz targets into seeds/<target>/.
Archives come from Python's zipfile (and 7z for Deflate64 when present) and from records put
together here, so that the seeds carry every structure the reader handles: each record kind
and both reading modes, every extra field it parses or skips (Zip64 included), data
descriptors with and without signature (32- and 64-bit), each method, names flagged UTF-8,
names it must refuse, and one archive for each damage it must report. The legacy decoders
get short streams built here by hand."""
import io
import os
import struct
import random
import shutil
import subprocess
import tempfile
import zipfile
import zlib

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds")
rnd = random.Random(11)


def put(target, name, data):
    d = os.path.join(here, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def archive(method, members, comment=b""):
    b = io.BytesIO()
    with zipfile.ZipFile(b, "w", method) as z:
        z.comment = comment
        for name, data in members:
            z.writestr(name, data)
    return b.getvalue()


text = b"logon screen theme " * 40
put("extract", "deflate.zip", archive(zipfile.ZIP_DEFLATED, [("theme.ini", text), ("dir/a.bmp", b"BM" + bytes(200))]))
put("extract", "stored.zip", archive(zipfile.ZIP_STORED, [("readme", b"hello"), ("../up.txt", b"x")], b"comment"))
put("extract", "empty.zip", archive(zipfile.ZIP_STORED, []))
sevenz = shutil.which("7z")
if sevenz:
    with tempfile.TemporaryDirectory() as t:
        with open(os.path.join(t, "f.txt"), "wb") as f:
            f.write(text)
        subprocess.run([sevenz, "a", "-tzip", "-mm=Deflate64", os.path.join(t, "d.zip"), os.path.join(t, "f.txt")],
                       stdout=subprocess.DEVNULL, check=True)
        put("extract", "deflate64.zip", open(os.path.join(t, "d.zip"), "rb").read())


def raw(data, level):
    c = zlib.compressobj(level, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


put("inflate", "fixed", raw(b"abcabcabcabc hello hello", 9))
put("inflate", "dynamic", raw(text + bytes(rnd.getrandbits(8) for _ in range(300)), 9))
put("inflate", "stored", raw(bytes(100), 0))


class Bits:
    def __init__(self):
        self.acc, self.n, self.out = 0, 0, bytearray()

    def put(self, v, k):
        for i in range(k):
            self.acc |= ((v >> i) & 1) << self.n
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc, self.n = 0, 0

    def done(self):
        if self.n:
            self.out.append(self.acc)
        return bytes(self.out)


b = Bits()
for c in b"ABABABA":
    b.put(c, 9)
b.put(256, 9)
b.put(1, 9)
b.put(257, 10)
put("unshrink", "lzw", b"\x00" + b.done())

b = Bits()
for _ in range(256):
    b.put(0, 6)  # empty follower sets
for c in b"reduce me \x90\x05\x03 done":
    b.put(c, 8)
for factor in range(4):
    put("unreduce", f"factor{factor + 1}", bytes([factor]) + b.done())

tree64 = bytes([3]) + bytes([0xF5] * 4)       # 64 codes of 6 bits
tree256 = bytes([15]) + bytes([0xF7] * 16)    # 256 codes of 8 bits
body = bytes(rnd.getrandbits(8) for _ in range(64))
put("explode", "two-trees", bytes([0]) + tree64 + tree64 + body)
put("explode", "three-trees-8k", bytes([6]) + tree256 + tree64 + tree64 + body)


# ---- archives put together record by record -------------------------------------------------
def u16(v):
    return struct.pack("<H", v & 0xFFFF)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def u64(v):
    return struct.pack("<Q", v & 0xFFFFFFFFFFFFFFFF)


def extra_item(ident, data):
    return u16(ident) + u16(len(data)) + data


ZIP64 = lambda *values: extra_item(0x0001, b"".join(u64(v) for v in values))
EXTRAS = (extra_item(0x5455, b"\x03" + u32(1100000000) + u32(1100000000))  # UT times
          + extra_item(0x7875, b"\x01\x04" + u32(1000) + b"\x04" + u32(1000))  # ux owner
          + extra_item(0x000A, bytes(4) + u16(1) + u16(24) + bytes(24))  # NTFS times
          + extra_item(0x7075, b"\x01" + u32(0) + "Тема.bmp".encode()))  # Unicode path


class Member:
    def __init__(self, name, data, method=8, flags=0, packed=None, extra=b"", local_extra=None, attrs=0x20,
                 descriptor=None, zip64=False):
        self.name = name if isinstance(name, bytes) else name.encode("utf-8")
        self.data, self.method, self.flags, self.attrs = data, method, flags, attrs
        if packed is None:
            packed = raw(data, 6) if method == 8 else data
        self.packed, self.extra = packed, extra
        self.local_extra = extra if local_extra is None else local_extra
        self.descriptor, self.zip64 = descriptor, zip64  # descriptor: None, "sig" or "nosig"
        self.crc = zlib.crc32(data)


def build(members, comment=b"", prefix=b"", central=True, zip64_end=False):
    out, cd = bytearray(prefix), bytearray()
    for m in members:
        offset = len(out) - len(prefix)
        streamed = m.descriptor is not None
        big = 0xFFFFFFFF if m.zip64 else None
        lcrc = 0 if streamed else m.crc
        lc = big if big else (0 if streamed else len(m.packed))
        lu = big if big else (0 if streamed else len(m.data))
        lextra = m.local_extra + (ZIP64(0 if streamed else len(m.data), 0 if streamed else len(m.packed)) if m.zip64 else b"")
        out += u32(0x04034B50) + u16(45 if m.zip64 else 20) + u16(m.flags | (8 if streamed else 0)) + u16(m.method)
        out += u32(0x3A4B5C6D) + u32(lcrc) + u32(lc) + u32(lu) + u16(len(m.name)) + u16(len(lextra)) + m.name + lextra
        out += m.packed
        if streamed:
            sizes = (u64(len(m.packed)) + u64(len(m.data))) if m.zip64 else (u32(len(m.packed)) + u32(len(m.data)))
            out += (u32(0x08074B50) if m.descriptor == "sig" else b"") + u32(m.crc) + sizes
        cextra = m.extra + (ZIP64(len(m.data), len(m.packed), offset) if m.zip64 else b"")
        cd += u32(0x02014B50) + u16(45 if m.zip64 else 20) + u16(45 if m.zip64 else 20)
        cd += u16(m.flags | (8 if streamed else 0)) + u16(m.method) + u32(0x3A4B5C6D) + u32(m.crc)
        cd += u32(big or len(m.packed)) + u32(big or len(m.data)) + u16(len(m.name)) + u16(len(cextra)) + u16(0)
        cd += u16(0) + u16(1) + u32(m.attrs) + u32(big or offset) + m.name + cextra
    if not central:
        return bytes(out)
    start = len(out) - len(prefix)
    out += cd
    if zip64_end:
        end64 = len(out) - len(prefix)
        out += u32(0x06064B50) + u64(44) + u16(45) + u16(45) + u32(0) + u32(0) + u64(len(members)) * 2
        out += u64(len(cd)) + u64(start)
        out += u32(0x07064B50) + u32(0) + u64(end64) + u32(1)
    count = 0xFFFF if zip64_end else len(members)
    out += u32(0x06054B50) + u16(0) + u16(0) + u16(count) + u16(count) + u32(0xFFFFFFFF if zip64_end else len(cd))
    out += u32(0xFFFFFFFF if zip64_end else start) + u16(len(comment)) + comment
    return bytes(out)


def encrypt(data, password, check):
    """The traditional PKWARE encryption: a 12-byte header whose last byte is `check`."""
    keys = [0x12345678, 0x23456789, 0x34567890]
    crc = lambda c, b: (zlib.crc32(bytes([b]), c ^ 0xFFFFFFFF) ^ 0xFFFFFFFF) & 0xFFFFFFFF

    def update(b):
        keys[0] = crc(keys[0], b)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = crc(keys[2], keys[1] >> 24)

    for c in password:
        update(c)
    out = bytearray()
    for b in bytes(11) + bytes([check]) + data:
        t = (keys[2] | 2) & 0xFFFF
        out.append(b ^ (((t * (t ^ 1)) >> 8) & 0xFF))
        update(b)
    return bytes(out)


shrunk = open(os.path.join(here, "unshrink", "lzw"), "rb").read()[1:]
reduced = open(os.path.join(here, "unreduce", "factor1"), "rb").read()[1:]
imploded = open(os.path.join(here, "explode", "two-trees"), "rb").read()[1:]
theme = "Тема.bmp"
every_method = [
    Member("stored.txt", b"stored", method=0),
    Member("deflated.txt", text),
    Member("shrunk.txt", b"ABABABA", method=1, packed=shrunk),
    Member("reduced.txt", b"reduce me", method=2, packed=reduced),
    Member("imploded.txt", b"?", method=6, packed=imploded),
    Member("deflate64.txt", text, method=9, packed=raw(text, 6)),
    Member("bzip2.txt", b"x", method=12, packed=b"BZh91AY&SY"),
    Member("aes.txt", b"x", method=99, flags=1, packed=bytes(28), extra=extra_item(0x9901, b"\x02\x00AE\x03\x08\x00")),
    Member("secret.txt", text, method=8, flags=1,
           packed=encrypt(raw(text, 6), b"test", zlib.crc32(text) >> 24)),
]
for target in ("extract", "zip_update"):
    put(target, "every-method.zip", build(every_method))
    put(target, "extras-and-names.zip", build([
        Member(theme, b"utf-8 name", flags=0x800, extra=EXTRAS),
        Member(b"\x80\xa1\xa2.txt", b"oem name", extra=EXTRAS),
        Member("Folder/", b"", method=0, attrs=0x10), Member("Java/", b"", method=0, attrs=0),
        Member("Folder/in.txt", b"in"), Member("CON", b"device"), Member("dir./x", b"dot"),
        Member("../up.txt", b"up"), Member("C:/drive.txt", b"drive")], comment=b"comment"))
    put(target, "descriptors.zip", build([
        Member("sig.txt", text, descriptor="sig"), Member("nosig.txt", text, descriptor="nosig"),
        Member("zip64.txt", text, descriptor="sig", zip64=True), Member("stored-dd.txt", b"stored", method=0, descriptor="sig")]))
    put(target, "zip64.zip", build([Member("a.txt", text, zip64=True), Member("b.txt", b"b", method=0, zip64=True)],
                                   zip64_end=True))
    put(target, "sfx-prefix.zip", build([Member("a.txt", text)], prefix=b"MZ" + bytes(62)))
# Local-header mode: no directory (a stream cut short), and a comment too long to search.
streamed = build([Member("sig.txt", text, descriptor="sig"), Member("nosig.txt", text, descriptor="nosig"),
                  Member("stored-dd.txt", b"stored", method=0, descriptor="sig")], central=False)
put("extract", "streamed-no-directory.zip", streamed)
put("extract", "streamed-cut.zip", streamed[:-30])
put("extract", "long-comment.zip", build([Member("a.txt", text)], comment=b"c" * 33000))
# One archive for each damage the reader reports.
wrap = u32(0x04034B50) + u16(45) + u16(0) + u16(0) + u32(0) + u32(0) + u32(0xFFFFFFFF) + u32(0xFFFFFFFF)
wrap += u16(1) + u16(20) + b"a" + ZIP64(5, (1 << 64) - 51) + b"hello"
put("extract", "fault-wrapping-zip64.zip", wrap)
sound = build([Member("one.txt", b"first"), Member("two.txt", b"second"), Member("three.txt", b"third")])
cd = sound.index(b"PK\x01\x02")
second = sound.index(b"PK\x01\x02", cd + 4)
put("extract", "fault-damaged-directory.zip", sound[:second] + b"PX" + sound[second + 2:])
put("zip_update", "fault-damaged-directory.zip", sound[:second] + b"PX" + sound[second + 2:])
entry = sound[cd:second]
put("extract", "fault-overlap.zip", sound[:cd] + entry + entry.replace(b"one.txt", b"two.txt") +
    u32(0x06054B50) + u16(0) + u16(0) + u16(2) + u16(2) + u32(2 * len(entry)) + u32(cd) + u16(0))
sizes = bytearray(sound)
struct.pack_into("<I", sizes, cd + 24, 2)  # decodes to more than stated
put("extract", "fault-size.zip", bytes(sizes))
def fault(name, data):
    """A damage both the reader and the update meet."""
    put("extract", name, data)
    put("zip_update", name, data)


# Damage of the directory and its end: cut 4 bytes into the directory, cut inside the end
# record, a damaged end-record signature, a directory whose size the end record misstates, a
# Zip64 end record the plain one contradicts, and a file that is no archive at all.
with_comment = build([Member("one.txt", text), Member("two.txt", b"second", method=0)], comment=b"comment")
cd = with_comment.index(b"PK\x01\x02")
eocd = with_comment.rindex(b"PK\x05\x06")
fault("fault-cut-directory.zip", with_comment[:cd + 4])
fault("fault-cut-end-record.zip", with_comment[:eocd + 11])
fault("fault-end-signature.zip", with_comment[:eocd] + b"PK\x05\x07" + with_comment[eocd + 4:])
misstated = bytearray(with_comment)
struct.pack_into("<I", misstated, eocd + 12, eocd - cd + 1)
fault("fault-directory-size.zip", bytes(misstated))
fault("fault-not-an-archive.zip", b"just some text, no archive at all\n" * 8)
z64 = bytearray(build([Member("a.txt", text, zip64=True)], zip64_end=True))
struct.pack_into("<H", z64, z64.rindex(b"PK\x05\x06") + 10, 7)
fault("fault-zip64-end-disagrees.zip", bytes(z64))
# Counts and disks: entries on this disk unlike all entries, a member on disk 1 (and one whose
# disk is in its Zip64 item).
counts = bytearray(sound)
struct.pack_into("<H", counts, counts.rindex(b"PK\x05\x06") + 8, 2)
fault("fault-entries-on-disk.zip", bytes(counts))
disk = bytearray(sound)
struct.pack_into("<H", disk, sound.index(b"PK\x01\x02") + 34, 1)
fault("fault-disk-start.zip", bytes(disk))
disk_item = bytearray(build([Member("d.txt", b"disk", method=0, extra=extra_item(0x0001, u32(0)))]))
struct.pack_into("<H", disk_item, disk_item.index(b"PK\x01\x02") + 34, 0xFFFF)  # see the Zip64 item
put("extract", "zip64-disk-item.zip", bytes(disk_item))
# Members hidden in the directory (in an entry's comment) and in the archive comment.
hidden_local = u32(0x04034B50) + u16(20) + u16(0) + u16(0) + u32(0) + u32(zlib.crc32(b"hidden")) + u32(6) + u32(6)
hidden_local += u16(10) + u16(0) + b"hidden.txt" + b"hidden"
shown = build([Member("shown.txt", b"shown", method=0)], central=False)
def central_entry(name, data, offset, comment=b""):
    return (u32(0x02014B50) + u16(20) + u16(20) + u16(0) + u16(0) + u32(0) + u32(zlib.crc32(data)) + u32(len(data)) * 2
            + u16(len(name)) + u16(0) + u16(len(comment)) + u16(0) + u16(1) + u32(0x20) + u32(offset) + name + comment)
first = central_entry(b"shown.txt", b"shown", 0, hidden_local)
directory = first + central_entry(b"hidden.txt", b"hidden", len(shown) + 46 + 9)
fault("fault-hidden-in-directory.zip", shown + directory + u32(0x06054B50) + u16(0) * 2 + u16(2) * 2
    + u32(len(directory)) + u32(len(shown)) + u16(0))
directory = central_entry(b"shown.txt", b"shown", 0) + central_entry(b"hidden.txt", b"hidden", len(shown) + 2 * 46 + 19 + 22)
fault("fault-hidden-in-comment.zip", shown + directory + u32(0x06054B50) + u16(0) * 2 + u16(2) * 2
    + u32(len(directory)) + u32(len(shown)) + u16(len(hidden_local)) + hidden_local)
# Local and central headers that disagree on the method, the encryption flag or the Zip64
# sizes; extra items that run past their field.
method = bytearray(sound)
struct.pack_into("<H", method, 8, 0)  # deflated, says the directory
fault("fault-local-method.zip", bytes(method))
crypt = bytearray(sound)
struct.pack_into("<H", crypt, 6, 1)
fault("fault-local-encryption.zip", bytes(crypt))
z64local = bytearray(build([Member("a.txt", text, zip64=True)]))
struct.pack_into("<Q", z64local, 30 + 5 + 4, len(text) + 1)
fault("fault-zip64-local-disagrees.zip", bytes(z64local))
for where, member in (("central", Member("x.txt", b"x", method=0, extra=extra_item(0x5455, b"\x01" + u32(0)), local_extra=b"")),
                      ("local", Member("x.txt", b"x", method=0, local_extra=extra_item(0x5455, b"\x01" + u32(0)), extra=b""))):
    runs = bytearray(build([member]))
    at = runs.index(b"UT") if where == "local" else runs.index(b"UT", runs.index(b"PK\x01\x02"))
    struct.pack_into("<H", runs, at + 2, 9)
    put("extract", f"fault-{where}-extra-runs-past.zip", bytes(runs))
# Deflate streams that do not end with their data: the final-block bit cleared, the last byte
# missing from the stated size, bytes left after the stream.
one = Member("d.txt", text, packed=raw(text, 0))  # one stored block: its first bit is BFINAL
cleared = bytearray(one.packed)
cleared[0] &= 0xFE
fault("fault-stream-not-final.zip", build([Member("d.txt", text, packed=bytes(cleared)), Member("e.txt", b"e", method=0)]))
short = raw(text, 6)
fault("fault-stream-cut.zip", build([Member("d.txt", text, packed=short[:-1]), Member("e.txt", b"e", method=0)]))
fault("fault-stream-short.zip", build([Member("d.txt", text, packed=short + b"\x00\x00")]))
# Folders as DOS tools store them: the attribute alone, backslashes between names.
put("extract", "dos-folders.zip", build([Member("DOS", b"", method=0, attrs=0x10),
                                         Member("TOP\\SUB", b"", method=0, attrs=0x10),
                                         Member("TOP\\SUB\\IN.TXT", b"in", method=0)]))
# A sound archive whose comment holds an empty end record (in its middle, and at its end);
# records that disagree where a reader could pass them over: a local CRC of 0, sizes after
# the data as the local header alone says, a Zip64 locator counting two disks, a Zip64 end
# record whose size is not its room; local headers before an end record listing none; two
# archives joined, and one followed by the start of another.
empty_end = u32(0x06054B50) + bytes(18)
put("extract", "comment-holds-end-record.zip", build([Member("a.txt", text)], comment=empty_end + b"more"))
put("extract", "comment-ends-with-end-record.zip", build([Member("a.txt", text)], comment=b"note " + empty_end))
crc0 = bytearray(sound)
struct.pack_into("<I", crc0, 14, 0)
fault("fault-local-crc-0.zip", bytes(crc0))
bit3 = bytearray(sound)
struct.pack_into("<H", bit3, 6, 8)
fault("fault-local-descriptor-flag.zip", bytes(bit3))
z64 = build([Member("a.txt", text, zip64=True)], zip64_end=True)
locator = z64.rindex(b"PK\x06\x07")
disks = bytearray(z64)
struct.pack_into("<I", disks, locator + 16, 2)
fault("fault-zip64-two-disks.zip", bytes(disks))
record_size = bytearray(z64)
struct.pack_into("<Q", record_size, z64.rindex(b"PK\x06\x06") + 4, 1 << 40)
fault("fault-zip64-record-size.zip", bytes(record_size))
cd = sound.index(b"PK\x01\x02")
fault("fault-no-entries-after-members.zip", sound[:cd] + u32(0x06054B50) + u16(0) * 4 + u32(0) + u32(cd) + u16(0))
joined = build([Member("first.txt", b"first", method=0)]) + build([Member("second.txt", b"second", method=0)])
fault("fault-joined.zip", joined)
fault("fault-joined-cut.zip", build([Member("first.txt", b"first", method=0)]) + sound[:40])
