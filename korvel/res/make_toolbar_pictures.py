#!/usr/bin/env python3
"""Draws the main window's nine 24x24 toolbar pictures into one strip, imlmain.bmp in OUTDIR.

Order of the strip (the image-list indexes the actions use): 0 open, 1 restore, 2 exit,
3 download, 4 about, 5 delete, 6 apply, 7 site, 8 feedback. Magenta is the transparent colour.
Every picture is drawn here from simple shapes, so no outside art is involved."""
import math
import os
import struct
import sys

SIZE = 24
COUNT = 9
KEY = (255, 0, 255)


class Picture:
    def __init__(self):
        self.px = [[KEY] * SIZE for _ in range(SIZE)]

    def put(self, x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = colour

    def fill(self, inside, colour):
        # inside(x, y) on pixel centres
        for y in range(SIZE):
            for x in range(SIZE):
                if inside(x + 0.5, y + 0.5):
                    self.px[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour)

    def frame(self, x0, y0, x1, y1, colour):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1 and
                  not (x0 + 1 <= x < x1 - 1 and y0 + 1 <= y < y1 - 1), colour)

    def disc(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def ring(self, cx, cy, r0, r1, colour, keep=lambda a: True):
        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            return r0 <= d <= r1 and keep(math.degrees(math.atan2(cy - y, x - cx)) % 360)
        self.fill(inside, colour)

    def polygon(self, points, colour):
        def inside(x, y):
            hit = False
            n = len(points)
            for i in range(n):
                (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
                if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                    hit = not hit
            return hit
        self.fill(inside, colour)

    def line(self, xa, ya, xb, yb, width, colour):
        def inside(x, y):
            dx, dy = xb - xa, yb - ya
            t = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / (dx * dx + dy * dy)))
            return math.hypot(x - (xa + t * dx), y - (ya + t * dy)) <= width / 2
        self.fill(inside, colour)


def open_folder():
    p = Picture()
    p.polygon([(2, 6), (9, 6), (11, 8), (20, 8), (20, 20), (2, 20)], (176, 128, 32))
    p.polygon([(5, 11), (23, 11), (19, 21), (1, 21)], (250, 204, 80))
    p.line(5, 11, 23, 11, 1, (200, 150, 40))
    return p


def restore():
    p = Picture()
    p.rect(3, 3, 21, 17, (40, 90, 170))
    p.rect(5, 5, 19, 15, (120, 180, 240))
    p.rect(9, 17, 15, 20, (120, 120, 120))
    p.rect(6, 20, 18, 22, (90, 90, 90))
    p.ring(12, 10, 2.5, 4.5, (255, 255, 255), keep=lambda a: not 40 < a < 100)
    p.polygon([(13, 3.5), (17, 6.5), (12, 7.5)], (255, 255, 255))
    return p


def exit_door():
    p = Picture()
    p.rect(4, 2, 15, 22, (120, 70, 30))
    p.rect(6, 4, 13, 20, (170, 110, 50))
    p.disc(11.5, 12.5, 1, (250, 210, 60))
    p.line(14, 12, 21, 12, 2.5, (200, 30, 30))
    p.polygon([(22.5, 12), (18, 7.5), (18, 16.5)], (200, 30, 30))
    return p


def download():
    p = Picture()
    p.rect(9, 2, 15, 12, (30, 140, 50))
    p.polygon([(4, 11), (20, 11), (12, 19)], (30, 140, 50))
    p.rect(3, 20, 21, 23, (80, 80, 80))
    return p


def about():
    p = Picture()
    p.disc(12, 12, 10.5, (30, 90, 200))
    p.disc(12, 12, 9, (70, 140, 230))
    p.disc(12, 6.5, 1.8, (255, 255, 255))
    p.rect(10.5, 10, 13.5, 18.5, (255, 255, 255))
    p.rect(9, 17, 15, 18.5, (255, 255, 255))
    return p


def delete():
    p = Picture()
    p.line(5, 5, 19, 19, 4, (200, 30, 30))
    p.line(19, 5, 5, 19, 4, (200, 30, 30))
    p.line(5, 5, 19, 19, 1.5, (240, 90, 90))
    p.line(19, 5, 5, 19, 1.5, (240, 90, 90))
    return p


def apply_check():
    p = Picture()
    p.rect(2, 2, 18, 18, (40, 90, 170))
    p.rect(4, 4, 16, 16, (150, 200, 250))
    p.line(8, 14, 13, 20, 4, (20, 140, 40))
    p.line(13, 20, 22, 7, 4, (20, 140, 40))
    return p


def site():
    p = Picture()
    p.disc(12, 12, 10.5, (20, 90, 160))
    p.disc(12, 12, 9.2, (90, 170, 230))
    green = (60, 160, 60)
    p.polygon([(6, 7), (11, 5), (12, 10), (8, 13), (5, 11)], green)
    p.polygon([(13, 13), (18, 12), (19, 16), (15, 20), (13, 17)], green)
    p.ring(12, 12, 9.2, 10.5, (20, 90, 160))
    return p


def feedback():
    p = Picture()
    p.rect(2, 6, 22, 19, (250, 250, 240))
    p.frame(2, 6, 22, 19, (110, 110, 110))
    p.line(2.5, 6.5, 12, 13.5, 1.2, (110, 110, 110))
    p.line(21.5, 6.5, 12, 13.5, 1.2, (110, 110, 110))
    p.line(2.5, 18.5, 9, 12, 1, (160, 160, 160))
    p.line(21.5, 18.5, 15, 12, 1, (160, 160, 160))
    return p


PICTURES = [open_folder, restore, exit_door, download, about, delete, apply_check, site, feedback]


def write_strip(path):
    pictures = [make() for make in PICTURES]
    assert len(pictures) == COUNT
    width, height = SIZE * COUNT, SIZE
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for picture in pictures:
            for x in range(SIZE):
                r, g, b = picture.px[y][x]
                line += bytes((b, g, r))
        data += line + b"\0" * (row - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_strip(os.path.join(out, "imlmain.bmp"))
