#!/usr/bin/env python3
"""Draws the sample logon screens and packs them for Korvel.

Writes into OUTDIR:
  logons/<name>.kvl    Korvel's own packages: 100.bmp, 107.bmp, 112.bmp and uifile.txt at the root
  <name>.logonxp       one foreign package: theme.ini, Bitmap_NNN.bmp files and uifile.txt

Every picture is drawn here from simple shapes and gradients (24-bit BMP), so no outside art is
involved. Archive dates are fixed so that a rebuild gives the same bytes.

usage: make_logon_samples.py OUTDIR
"""
import io
import math
import os
import struct
import sys
import zipfile

BACKGROUND = (320, 240)  # bitmap 100
FRAME = (48, 48)         # bitmap 107, the user picture's frame
BAR = (160, 8)           # bitmap 112, the bar under the title
ARCHIVE_DATE = (2024, 1, 1, 12, 0, 0)


def clamp(v):
    return 0 if v < 0 else 255 if v > 255 else int(v)


def mix(a, b, t):
    return tuple(clamp(x + (y - x) * t) for x, y in zip(a, b))


def bmp24(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    row = (width * 3 + 3) & ~3
    pad = b"\0" * (row - width * 3)
    data = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b = pixel(x, y)
            data += bytes((clamp(b), clamp(g), clamp(r)))
        data += pad
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + bytes(data)


def frame(colour, inner):
    """A square frame with a soft edge, the colour of the theme."""
    w, h = FRAME

    def pixel(x, y):
        edge = min(x, y, w - 1 - x, h - 1 - y)
        if edge < 3:
            return mix(colour, (255, 255, 255), 0.35 * (3 - edge) / 3)
        return mix(inner, colour, (x + y) / (w + h) * 0.5)

    return bmp24(w, h, pixel)


def bar(left, right):
    w, h = BAR
    return bmp24(w, h, lambda x, y: mix(left, right, x / (w - 1)))


def aurora():
    w, h = BACKGROUND
    night, horizon = (4, 10, 40), (16, 40, 90)

    def pixel(x, y):
        c = mix(night, horizon, y / h)
        for phase, colour in ((0.0, (40, 230, 140)), (1.7, (120, 90, 220))):
            crest = h * 0.35 + 28 * math.sin(x / 37.0 + phase) + 10 * math.sin(x / 11.0 + phase * 2)
            d = abs(y - crest)
            if d < 30:
                c = mix(c, colour, (1 - d / 30) ** 2 * 0.8)
        if (x * 7919 + y * 104729) % 997 == 0:  # a few stars
            c = (230, 230, 255)
        return c

    return bmp24(w, h, pixel)


def sunset():
    w, h = BACKGROUND
    sea_level = int(h * 0.62)
    sun_x, sun_y, sun_r = w * 0.5, sea_level - 10, 34

    def pixel(x, y):
        if y < sea_level:
            c = mix((70, 30, 110), (250, 150, 60), y / sea_level)
            d = math.hypot(x - sun_x, y - sun_y)
            if d < sun_r:
                c = mix((255, 230, 120), (255, 190, 80), d / sun_r)
            elif d < sun_r + 20:
                c = mix(c, (255, 200, 110), (1 - (d - sun_r) / 20) * 0.5)
            return c
        depth = (y - sea_level) / (h - sea_level)
        c = mix((60, 40, 90), (10, 15, 50), depth)
        ripple = math.sin(y * 1.3 + math.sin(x / 9.0) * 2)
        if abs(x - sun_x) < sun_r * (1 - depth * 0.5) and ripple > 0.3:
            c = mix(c, (255, 180, 90), 0.7 * (1 - depth))
        return c

    return bmp24(w, h, pixel)


def winter_forest():
    w, h = BACKGROUND
    ground = int(h * 0.72)
    trees = [(x, 50 + (x * 37) % 40) for x in range(12, w, 26)]

    def pixel(x, y):
        if y >= ground:
            return mix((245, 248, 255), (200, 215, 235), (y - ground) / (h - ground))
        c = mix((120, 170, 220), (215, 230, 245), y / ground)
        for tx, th in trees:
            top = ground - th
            if top <= y < ground:
                half = (y - top) / th * 13
                if abs(x - tx) <= half:
                    shade = 0.25 if (y - top) % 12 < 2 else 0.0  # snow on the branches
                    return mix((20, 70, 45), (255, 255, 255), shade)
        return c

    return bmp24(w, h, pixel)


def night_city():
    w, h = BACKGROUND
    blocks = [(x, 60 + (x * 53) % 90) for x in range(0, w, 22)]

    def pixel(x, y):
        c = mix((5, 5, 25), (50, 25, 70), y / h)
        for bx, bh in blocks:
            if bx <= x < bx + 20 and y >= h - bh:
                lit = (x - bx) % 6 in (2, 3) and (y % 9) in (3, 4, 5) and ((x // 6) * 31 + y // 9) % 3
                return (250, 210, 120) if lit else (25, 25, 40)
        return c

    return bmp24(w, h, pixel)


def uifile(name):
    # The logon host's interface description; this one only has to name the pictures.
    return (
        "<duixml>\r\n"
        f"<!-- {name} -->\r\n"
        "<element id=atom(Frame) background=rcbmp(100,0,0,0,0,1,0)>\r\n"
        "<element id=atom(UserFrame) background=rcbmp(107,0,0,0,0,1,0)/>\r\n"
        "<element id=atom(Bar) background=rcbmp(112,0,0,0,0,1,0)/>\r\n"
        "</element>\r\n"
        "</duixml>\r\n"
    ).encode("ascii")


# file name (without extension), ASCII tag for the description, background, frame colours, bar colours
KVL_THEMES = [
    ("Северное сияние", "aurora", aurora, ((40, 200, 140), (10, 30, 70)), ((20, 60, 120), (60, 220, 150))),
    ("Закат над морем", "sunset", sunset, ((250, 150, 60), (90, 40, 100)), ((110, 40, 120), (255, 190, 80))),
    ("Зимний лес", "winter forest", winter_forest, ((230, 240, 255), (30, 80, 60)), ((40, 90, 60), (220, 235, 250))),
]
FOREIGN_THEME = ("Ночной город", "night city", night_city, ((250, 210, 120), (20, 20, 40)), ((40, 20, 70), (250, 210, 120)))


def theme_files(tag, background, frame_colours, bar_colours):
    return {
        "100": background(),
        "107": frame(*frame_colours),
        "112": bar(*bar_colours),
    }, uifile(tag)


def write_zip(path, members):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in members:
            info = zipfile.ZipInfo(name, ARCHIVE_DATE)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0x20  # archive attribute, as Windows tools write it
            z.writestr(info, data)
    with open(path, "wb") as f:
        f.write(buffer.getvalue())


def check_package(path, expected):
    with zipfile.ZipFile(path) as z:
        if z.testzip() is not None or sorted(z.namelist()) != sorted(expected):
            raise SystemExit(f"sample package {path} came out wrong")


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    out = sys.argv[1]
    logons = os.path.join(out, "logons")
    os.makedirs(logons, exist_ok=True)
    for old in os.listdir(logons):
        if old.endswith(".kvl"):
            os.remove(os.path.join(logons, old))

    for name, tag, background, frame_colours, bar_colours in KVL_THEMES:
        bitmaps, ui = theme_files(tag, background, frame_colours, bar_colours)
        members = [(f"{number}.bmp", data) for number, data in bitmaps.items()] + [("uifile.txt", ui)]
        path = os.path.join(logons, name + ".kvl")
        write_zip(path, members)
        check_package(path, [m for m, _ in members])

    name, tag, background, frame_colours, bar_colours = FOREIGN_THEME
    bitmaps, ui = theme_files(tag, background, frame_colours, bar_colours)
    theme_ini = f"[Theme]\r\nName={name}\r\nVersion=1.0\r\n".encode("cp1251")
    members = [("theme.ini", theme_ini)]
    members += [(f"Bitmap_{number}.bmp", data) for number, data in bitmaps.items()]
    members += [("uifile.txt", ui)]
    path = os.path.join(out, name + ".logonxp")
    write_zip(path, members)
    check_package(path, [m for m, _ in members])


if __name__ == "__main__":
    main()
