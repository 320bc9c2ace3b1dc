#!/usr/bin/env python3
"""Writes main_icon.ico, the program's icon, from the pixel map below.

One 32 x 32 image in 16 colours (4 bits per pixel, the standard Windows
palette) with a transparency mask. Each character of the map is one pixel;
'.' is transparent. Run it from anywhere: python3 make_icon.py [output.ico]
"""
import os
import struct
import sys

# A memory chip being rewritten with a pencil.
PIXELS = """
................................
................................
...........................k....
........kkkkkk....kkkkkk...kM...
........kssssskkkksssssk..kMMMM.
....sssskddddddddddddddkskMMMMMk
....sssskdWWdddddddddddkkssMMMkk
........kdWWdddddddddddkksssMkk.
........kdddddddddddddkkyYsskk..
....sssskddddddddddddkkyYYYkk...
....sssskdddddddddddkkyYYYkk....
........kddddddddddkkyYYYYk.....
........kdddddddddkkyyYYYk......
....sssskdddddddddkyyYYYksss....
....sssskddddddddkyyYYYkssss....
........kdddddddkyyYYYkk........
........kddddddkyyYYYkkk........
....sssskdddddkkyYYYkkdkssss....
....sssskdddddkWYYYkkddkssss....
........kddddkWWWYkkdddk........
........kddddkWWWkkddddk........
....sssskdddkkWkkkdddddkssss....
....sssskdddkkkkdddddddkssss....
........kdddkkdddddddddk........
........kddddddddddddddk........
....sssskddddddddddddddkssss....
....sssskddddddddddddddkssss....
........kddddddddddddddk........
........kkkkkkkkkkkkkkkk........
................................
................................
................................
"""

# The standard 16-colour palette, as (character, (red, green, blue)).
PALETTE = [
    ("k", (0x00, 0x00, 0x00)),  # black
    ("r", (0x80, 0x00, 0x00)),  # dark red
    ("g", (0x00, 0x80, 0x00)),  # dark green
    ("y", (0x80, 0x80, 0x00)),  # dark yellow
    ("b", (0x00, 0x00, 0x80)),  # dark blue
    ("m", (0x80, 0x00, 0x80)),  # dark magenta
    ("c", (0x00, 0x80, 0x80)),  # dark cyan
    ("s", (0xC0, 0xC0, 0xC0)),  # light grey (silver)
    ("d", (0x80, 0x80, 0x80)),  # dark grey
    ("R", (0xFF, 0x00, 0x00)),  # red
    ("G", (0x00, 0xFF, 0x00)),  # green
    ("Y", (0xFF, 0xFF, 0x00)),  # yellow
    ("B", (0x00, 0x00, 0xFF)),  # blue
    ("M", (0xFF, 0x00, 0xFF)),  # magenta
    ("C", (0x00, 0xFF, 0xFF)),  # cyan
    ("W", (0xFF, 0xFF, 0xFF)),  # white
]
SIZE = 32


def icon_bytes(rows):
    index = {ch: i for i, (ch, _) in enumerate(PALETTE)}
    if len(rows) != SIZE or any(len(r) != SIZE for r in rows):
        raise ValueError("the pixel map must be 32 rows of 32 characters")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for _, (r, g, b) in PALETTE)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps run bottom-up
        for x in range(0, SIZE, 2):
            hi, lo = (index.get(ch, 0) for ch in row[x : x + 2])
            colour.append(hi << 4 | lo)
        bits = 0
        for ch in row:
            if ch != "." and ch not in index:
                raise ValueError("unknown pixel character %r" % ch)
            bits = bits << 1 | (ch == ".")
        mask += bits.to_bytes(SIZE // 8, "big")  # 32 bits: already a multiple of 4 bytes
    image = header + palette + bytes(colour) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "main_icon.ico")
    rows = PIXELS.strip("\n").split("\n")
    with open(out, "wb") as f:
        f.write(icon_bytes(rows))


if __name__ == "__main__":
    main()
