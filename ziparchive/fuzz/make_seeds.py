#!/usr/bin/env python3
"""Writes the small seed corpora of the reader's fuzz targets into seeds/<target>/.
Archives come from Python's zipfile (and 7z for Deflate64 when present); the legacy
decoders get short streams built here by hand."""
import io
import os
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
