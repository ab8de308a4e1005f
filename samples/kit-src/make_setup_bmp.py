#!/usr/bin/env python3
"""Writes the setup kit's picture: a 164 x 314 bitmap with 256 colours (the picture pane of
the welcome and finish pages). Usage: make_setup_bmp.py OUTPUT.bmp"""
import struct
import sys

WIDTH, HEIGHT = 164, 314


def palette():
    # 0-191: a blue-to-teal gradient; 192-255: white to gray for the emblem.
    colours = []
    for i in range(192):
        t = i / 191
        colours.append((int(40 + 60 * t), int(70 + 110 * t), int(150 + 80 * t)))  # r, g, b
    for i in range(64):
        v = 255 - i * 2
        colours.append((v, v, v))
    return colours


def pixel(x, y):
    # A vertical gradient with a light circle and a "window" emblem in the upper part.
    shade = min(191, y * 191 // (HEIGHT - 1))
    cx, cy, r = WIDTH // 2, 92, 52
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if d2 <= r * r:
        inner = (abs(x - cx) <= 26 and abs(y - cy) <= 22)
        if inner:
            bar = y - (cy - 22) < 8
            return 192 + (40 if bar else 4)
        return 192 + 12 + (d2 * 20) // (r * r)
    # thin light lines near the bottom
    if y > 250 and (y - 250) % 12 == 0:
        return 192
    return shade


def main(out):
    row_size = (WIDTH + 3) & ~3
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up rows
        row = bytes(pixel(x, y) for x in range(WIDTH))
        pixels += row + b"\0" * (row_size - WIDTH)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette())
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(out, "wb") as f:
        f.write(header + info + pal + pixels)


if __name__ == "__main__":
    main(sys.argv[1])
