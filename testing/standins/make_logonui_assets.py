#!/usr/bin/env python3
"""Writes the pictures and the UI description of the stand-in logon host into OUTDIR.

The stand-in only has to look like the system's file to the programs that edit it: bitmap
resources 100, 107 and 112 and a "UIFILE" resource 1000. The pictures are plain gradients
drawn here, so no outside art is involved."""
import os
import struct
import sys


def bmp24(width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    pictures = {
        100: (64, 48, lambda x, y: (0, 48 + y * 3, 160 + x)),        # blue panel
        107: (32, 32, lambda x, y: (230, 120 + x * 3, 20)),         # orange user frame
        112: (48, 16, lambda x, y: (90 + x * 3, 90 + x * 3, 90 + x * 3)),  # grey bar
    }
    for number, (w, h, pixel) in pictures.items():
        with open(os.path.join(out, f"{number}.bmp"), "wb") as f:
            f.write(bmp24(w, h, pixel))
    with open(os.path.join(out, "uifile.txt"), "wb") as f:
        f.write(b"<duixml>\r\n<element id=atom(Frame) background=rcbmp(100,0,0,0,0,1,0)/>\r\n</duixml>\r\n")


if __name__ == "__main__":
    main()
