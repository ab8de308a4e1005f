#!/usr/bin/env python3
"""Draws Korvel's own pictures into OUTDIR, from simple shapes (no outside art):
  msg.bmp           48x48, 256 colours: a white exclamation mark in a blue circle (the "MSG" bitmap)
  glyph_ok.bmp      24x24, 24-bit: a green tick       (magenta bottom-left = transparent)
  glyph_cancel.bmp  24x24, 24-bit: a red cross
  korvel.ico        32x32 and 16x16: the program's main icon (a blue logon panel)
  uninst.ico        32x32 and 16x16: the removal icon (the panel with a red cross)
"""
import math
import os
import struct
import sys

WHITE = (255, 255, 255)
KEY = (255, 0, 255)


def canvas(size, colour):
    return [[colour] * size for _ in range(size)]


def fill(px, inside, colour, samples=4):
    """Anti-aliased fill: inside(x, y) on sub-pixel points; blends by coverage."""
    n = len(px)
    for y in range(n):
        for x in range(n):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                        hits += 1
            if hits:
                a = hits / (samples * samples)
                old = px[y][x]
                px[y][x] = tuple(round(old[i] * (1 - a) + colour[i] * a) for i in range(3))


def fill_hard(px, inside, colour):
    n = len(px)
    for y in range(n):
        for x in range(n):
            if inside(x + 0.5, y + 0.5):
                px[y][x] = colour


def segment(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def bmp24(px):
    n = len(px)
    row = (n * 3 + 3) & ~3
    data = bytearray()
    for y in range(n - 1, -1, -1):
        line = bytearray()
        for r, g, b in px[y]:
            line += bytes((b, g, r))
        data += line + bytes(row - len(line))
    header = struct.pack('<IiiHHIIiiII', 40, n, n, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 54) + header + data


def bmp8(px):
    n = len(px)
    palette = []
    index = {}
    for line in px:
        for c in line:
            if c not in index:
                if len(palette) == 256:
                    raise ValueError('more than 256 colours')
                index[c] = len(palette)
                palette.append(c)
    palette += [(0, 0, 0)] * (256 - len(palette))
    row = (n + 3) & ~3
    data = bytearray()
    for y in range(n - 1, -1, -1):
        line = bytes(index[c] for c in px[y])
        data += line + bytes(row - len(line))
    pal = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    header = struct.pack('<IiiHHIIiiII', 40, n, n, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    offset = 14 + 40 + len(pal)
    return struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset) + header + pal + data


def quantise(px, levels=6):
    """Keeps a 256-colour picture within its palette: snaps each channel to a 6-level cube."""
    step = 255 / (levels - 1)
    return [[tuple(round(round(c / step) * step) for c in p) for p in line] for line in px]


def icon_image(px, alpha):
    """One icon image: 32-bit BGRA XOR bitmap plus a 1-bit AND mask."""
    n = len(px)
    xor = bytearray()
    for y in range(n - 1, -1, -1):
        for x in range(n):
            r, g, b = px[y][x]
            xor += bytes((b, g, r, alpha[y][x]))
    mask_row = ((n + 31) // 32) * 4
    mask = bytearray()
    for y in range(n - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(n):
            if alpha[y][x] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask


def ico(images):
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for n, blob in images:
        out += struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b''.join(blobs)


def msg_picture():
    n = 48
    px = canvas(n, WHITE)
    c = n / 2
    fill(px, lambda x, y: (x - c) ** 2 + (y - c) ** 2 <= 22 ** 2, (20, 60, 160))
    fill(px, lambda x, y: (x - c) ** 2 + (y - c) ** 2 <= 20 ** 2, (40, 100, 215))
    fill(px, segment(c, 12, c, 29, 6), WHITE)
    fill(px, lambda x, y: (x - c) ** 2 + (y - 36) ** 2 <= 3.4 ** 2, WHITE)
    return quantise(px)


def glyph(kind):
    px = canvas(24, KEY)
    if kind == 'ok':
        colour = (0, 140, 40)
        fill_hard(px, segment(4, 13, 9, 18, 4), colour)
        fill_hard(px, segment(9, 18, 19, 6, 4), colour)
    else:
        colour = (200, 20, 20)
        fill_hard(px, segment(6, 6, 18, 18, 4), colour)
        fill_hard(px, segment(18, 6, 6, 18, 4), colour)
    return px


def panel_icon(n, cross):
    px = canvas(n, (0, 0, 0))
    alpha = [[0] * n for _ in range(n)]
    s = n / 32

    def rounded(x, y, x0=2 * s, y0=3 * s, x1=30 * s, y1=29 * s, r=4 * s):
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    for y in range(n):
        for x in range(n):
            if rounded(x + 0.5, y + 0.5):
                alpha[y][x] = 255
                t = y / n
                px[y][x] = (round(30 + 40 * t), round(80 + 60 * t), round(190 + 40 * t))
    # The logon panel: a white card with an orange avatar square.
    fill_hard(px, lambda x, y: 8 * s <= x <= 24 * s and 10 * s <= y <= 22 * s, (235, 240, 250))
    fill_hard(px, lambda x, y: 10 * s <= x <= 15 * s and 12 * s <= y <= 17 * s, (240, 150, 30))
    fill_hard(px, lambda x, y: 17 * s <= x <= 22 * s and 13 * s <= y <= 14.5 * s, (90, 110, 160))
    fill_hard(px, lambda x, y: 17 * s <= x <= 21 * s and 16 * s <= y <= 17.5 * s, (90, 110, 160))
    if cross:
        w = max(2.0, 3 * s)
        fill_hard(px, segment(16 * s, 16 * s, 29 * s, 29 * s, w), (210, 20, 20))
        fill_hard(px, segment(29 * s, 16 * s, 16 * s, 29 * s, w), (210, 20, 20))
        for y in range(n):
            for x in range(n):
                if px[y][x] == (210, 20, 20):
                    alpha[y][x] = 255
    return px, alpha


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        'msg.bmp': bmp8(msg_picture()),
        'glyph_ok.bmp': bmp24(glyph('ok')),
        'glyph_cancel.bmp': bmp24(glyph('cancel')),
        'korvel.ico': ico([(n, icon_image(*panel_icon(n, False))) for n in (32, 16)]),
        'uninst.ico': ico([(n, icon_image(*panel_icon(n, True))) for n in (32, 16)]),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
