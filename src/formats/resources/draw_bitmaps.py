#!/usr/bin/env python3
"""Draws the program's tool bitmaps (16 x 16) and writes them as BMP files beside this script.

Run it again after changing a drawing; the build embeds the files listed in bitmaps.txt.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SIZE = 16
FACE = (192, 192, 192)  # button face behind the opaque icons


def bmp_file(width, height, bits, rows, palette=()):
    """rows: top row first, each the packed bytes of one row (unpadded)."""
    stride = (width * bits + 31) // 32 * 4
    pixels = b"".join(r + b"\0" * (stride - len(r)) for r in reversed(rows))
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 0, 0,
                         len(palette), 0)
    offset = 14 + len(header) + len(pal)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + pal + pixels


def marquee():
    """A dashed selection rectangle, 24 bits."""
    rows = []
    for y in range(SIZE):
        row = b""
        for x in range(SIZE):
            colour = FACE
            on_edge = (x in (1, 14) and 2 <= y <= 13) or (y in (2, 13) and 1 <= x <= 14)
            if on_edge:
                colour = (0, 0, 0) if ((x + y) // 2) % 2 == 0 else (255, 255, 255)
            r, g, b = colour
            row += bytes((b, g, r))
        rows.append(row)
    return bmp_file(SIZE, SIZE, 24, rows)


HAND = [
    "................",
    "......##........",
    "..##.#oo###.....",
    ".#oo##oo#oo#....",
    ".#oo##oo#oo#.##.",
    "..#oo#oo#oo##oo#",
    "..#oo#oo#oo#.#o#",
    ".##oo#oo#oo#.#o#",
    "#oo#ooooooo#oo#.",
    "#ooooooooooooo#.",
    ".#ooooooooooo#..",
    "..#oooooooooo#..",
    "..#ooooooooo#...",
    "...#oooooooo#...",
    "....#ooooooo#...",
    "....#ooooooo#...",
]


def hand():
    """An open hand, 4 bits with a three-colour palette."""
    palette = [FACE, (0, 0, 0), (255, 255, 255)]
    index = {".": 0, "#": 1, "o": 2}
    rows = []
    for line in HAND:
        values = [index[c] for c in line]
        rows.append(bytes((values[i] << 4) | values[i + 1] for i in range(0, SIZE, 2)))
    return bmp_file(SIZE, SIZE, 4, rows, palette)


def zoom():
    """A magnifying glass on a transparent ground, 32 bits with straight alpha."""
    rows = []
    cx, cy, radius = 6.0, 6.0, 4.5
    for y in range(SIZE):
        row = b""
        for x in range(SIZE):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - cx, py - cy)
            pixel = (0, 0, 0, 0)
            if d <= radius - 1.2:
                pixel = (170, 210, 255, 110)  # the glass, half see-through
            elif d <= radius + 0.3:
                pixel = (40, 40, 40, 255)  # the rim
            elif x >= 9 and y >= 9 and abs((x - 9) - (y - 9)) <= 1 and x <= 14 and y <= 14:
                pixel = (120, 72, 24, 255)  # the handle
            r, g, b, a = pixel
            row += bytes((b, g, r, a))
        rows.append(row)
    return bmp_file(SIZE, SIZE, 32, rows)


for name, data in (("marquee.bmp", marquee()), ("hand.bmp", hand()), ("zoom.bmp", zoom())):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
