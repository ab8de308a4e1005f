#!/usr/bin/env python3
"""Draws the setup engine's program icon from simple shapes (no outside art): a carton with
a blue arrow into it, 32x32 and 16x16, 32-bit colour with a mask.

Usage: make_program_icon.py OUTPUT.ico
"""
import os
import struct
import sys

WHITE = (255, 255, 255)


def canvas(w, h, colour=WHITE):
    return [[colour] * w for _ in range(h)]


def fill(px, inside, colour, samples=4):
    """Anti-aliased fill of the shape inside(x, y), blending by coverage."""
    h, w = len(px), len(px[0])
    for y in range(h):
        for x in range(w):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                        hits += 1
            if hits:
                a = hits / (samples * samples)
                old = px[y][x]
                px[y][x] = tuple(round(old[i] * (1 - a) + colour[i] * a) for i in range(3))


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


# ---- file writers -------------------------------------------------------------------------

def icon_image(px, alpha):
    """One icon image: 32-bit BGRA colour bitmap and a 1-bit AND mask."""
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
    info = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico(images):
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for n, blob in images:
        entries += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs += blob
    return head + entries + blobs


# ---- the pictures ---------------------------------------------------------------------------

def carton(px, s=1.0, ox=0.0, oy=0.0):
    """An open cardboard box seen from the front, in a 48-unit square scaled by s."""
    def pts(points):
        return [(ox + x * s, oy + y * s) for x, y in points]
    fill(px, polygon(pts([(6, 22), (42, 22), (42, 44), (6, 44)])), (196, 150, 92))
    fill(px, polygon(pts([(6, 22), (24, 22), (20, 14), (2, 14)])), (222, 180, 118))
    fill(px, polygon(pts([(24, 22), (42, 22), (46, 14), (28, 14)])), (222, 180, 118))
    fill(px, rect(ox + 6 * s, oy + 30 * s, ox + 42 * s, oy + 33 * s), (160, 116, 66))


def arrow_down(px, cx, top, bottom, width, colour):
    half = width / 2
    head = width * 1.1
    fill(px, rect(cx - half / 2, top, cx + half / 2, bottom - head * 0.8), colour)
    fill(px, polygon([(cx - head, bottom - head), (cx + head, bottom - head), (cx, bottom)]), colour)


def program_icon(n):
    s = n / 48
    px = canvas(n, n, (0, 0, 0))
    alpha_px = canvas(n, n, (0, 0, 0))
    carton(px, s)
    carton(alpha_px, s)
    arrow_down(px, 24 * s, 1 * s, 28 * s, 12 * s, (40, 110, 220))
    fill(alpha_px, polygon([(24 * s - 13.2 * s, 16 * s), (24 * s + 13.2 * s, 16 * s), (24 * s, 28 * s)]), WHITE)
    fill(alpha_px, rect(24 * s - 3 * s, 1 * s, 24 * s + 3 * s, 17 * s), WHITE)
    # Coverage of the shapes drawn on black gives the alpha channel.
    alpha = [[255 if max(c) > 0 else 0 for c in row] for row in alpha_px]
    for y in range(n):
        for x in range(n):
            if max(px[y][x]) > 0:
                alpha[y][x] = 255
    return icon_image(px, alpha)


def main():
    out = sys.argv[1]
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "wb") as f:
        f.write(ico([(32, program_icon(32)), (16, program_icon(16))]))


if __name__ == "__main__":
    main()
