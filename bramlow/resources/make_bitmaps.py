#!/usr/bin/env python3
"""Writes the setup engine's bitmap resources into OUTPUT_DIR: the 48 x 48 page pictures
(256 colours) WELCOME, LICENSE, BROWSE, SETUP, FINISH and LANG, and BM_BUTBG (1 x 31), the
background of the button strip. Usage: make_bitmaps.py OUTPUT_DIR"""
import os
import struct
import sys


def write_bmp(path, width, height, pixel, palette):
    row_size = (width + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        data += bytes(pixel(x, y) for x in range(width)) + b"\0" * (row_size - width)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    pal += b"\0" * (4 * (256 - len(palette)))
    offset = 14 + 40 + 1024
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + pal + data)


# Palette: 0 white, 1 black, 2 dark blue, 3 light blue, 4 green, 5 yellow, 6 gray, 7 red,
# 16-79 a blue gradient.
PALETTE = [(255, 255, 255), (0, 0, 0), (30, 60, 140), (150, 190, 240), (40, 150, 60),
           (250, 210, 60), (160, 160, 160), (200, 50, 40)] + [(0, 0, 0)] * 8
PALETTE += [(int(60 + 2.5 * i), int(100 + 2 * i), int(180 + i)) for i in range(64)]


def disc(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def base(x, y):
    return 0


def globe(x, y):  # LANG
    if disc(x, y, 24, 24, 20):
        if abs(x - 24) <= 1 or abs(y - 24) <= 1 or (x - 24) ** 2 // 3 + (y - 24) ** 2 in range(140, 170):
            return 2
        return 16 + min(63, (x + y))
    return 0


def monitor(x, y):  # WELCOME
    if 6 <= x <= 41 and 6 <= y <= 32:
        return 2 if x in (6, 41) or y in (6, 32) else 16 + y
    if 20 <= x <= 27 and 33 <= y <= 37:
        return 6
    if 12 <= x <= 35 and 38 <= y <= 41:
        return 6
    return 0


def page(x, y):  # LICENSE
    if 10 <= x <= 37 and 4 <= y <= 43:
        if x in (10, 37) or y in (4, 43):
            return 1
        if 14 <= x <= 33 and y % 5 == 0 and y < 36:
            return 6
        if disc(x, y, 30, 37, 4):
            return 7
        return 0
    return 0


def folder(x, y):  # BROWSE
    if 4 <= x <= 20 and 8 <= y <= 12:
        return 5
    if 4 <= x <= 43 and 12 <= y <= 40:
        return 1 if x in (4, 43) or y in (12, 40) else 5
    return 0


def disk(x, y):  # SETUP
    if 8 <= x <= 39 and 6 <= y <= 41:
        if 14 <= x <= 33 and 6 <= y <= 17:
            return 0 if 26 <= x <= 30 and 8 <= y <= 15 else 6
        if 12 <= x <= 35 and 24 <= y <= 41:
            return 0
        return 2
    return 0


def check(x, y):  # FINISH
    if disc(x, y, 24, 24, 20):
        on_mark = abs((y - 26) - (x - 14)) <= 2 and 12 <= x <= 21 or \
                  abs((y - 34) + (x - 21)) <= 2 and 21 <= x <= 36
        return 0 if on_mark else 4
    return 0


def main(out):
    os.makedirs(out, exist_ok=True)
    for name, fn in (("lang", globe), ("welcome", monitor), ("license", page),
                     ("browse", folder), ("setup", disk), ("finish", check)):
        write_bmp(os.path.join(out, name + ".bmp"), 48, 48, fn, PALETTE)
    write_bmp(os.path.join(out, "butbg.bmp"), 1, 31, lambda x, y: 16 + 63 - y * 2, PALETTE)


if __name__ == "__main__":
    main(sys.argv[1])
