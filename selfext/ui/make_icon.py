#!/usr/bin/env python3
"""Writes MainIcon.ico: a 32x32, 16-colour picture of a parcel with a
down arrow (unpacking). Drawn from the pixel map below, so the bytes are the
same on every run."""
import struct
import sys

# The standard 16-colour palette, index -> (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# '.' transparent, others index the palette: k black, y dark yellow (parcel),
# Y yellow (lit side), g dark green and G green (arrow), w white (tape).
KEY = {'k': 0, 'y': 3, 'Y': 11, 'g': 2, 'G': 10, 'w': 15, 'r': 1}
ROWS = [
    "..............kkkk..............",
    "..............kGGk..............",
    "..............kGGk..............",
    "..............kGGk..............",
    "..............kGGk..............",
    "..............kGGk..............",
    "...........kkkkGGkkkk...........",
    "............kGGGGGGk............",
    ".............kGGGGk.............",
    "..............kGGk..............",
    "...............kk...............",
    "................................",
    "........kkkkkkkkkkkkkkkk........",
    ".......kYYYYYYYwwYYYYYYYk.......",
    "......kYYYYYYYwwYYYYYYYkyk......",
    ".....kYYYYYYYwwYYYYYYYkyyk......",
    "....kkkkkkkkkkkkkkkkkkkyyyk.....",
    "....kYYYYYYYYwwYYYYYYYkyyyk.....",
    "....kYYYYYYYYwwYYYYYYYkyyyk.....",
    "....kYYYYYYYYwwYYYYYYYkyyyk.....",
    "....kYYYYYYYYwwYYYYYYYkyyyk.....",
    "....kYYYYYYYYwwYYYYYYYkyyyk.....",
    "....kYYYYYYYYwwYYYYYYYkyyyk.....",
    "....kYYYYYYYYwwYYYYYYYkyyyk.....",
    "....kYYYYYYYYwwYYYYYYYkyyk......",
    "....kYYYYYYYYwwYYYYYYYkyk.......",
    "....kYYYYYYYYwwYYYYYYYkk........",
    "....kkkkkkkkkkkkkkkkkkk.........",
    "................................",
    "................................",
    "................................",
    "................................",
]


def build():
    assert len(ROWS) == 32 and all(len(r) == 32 for r in ROWS)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(ROWS):  # bitmaps are stored bottom-up
        for x in range(0, 32, 2):
            hi, lo = (KEY.get(c, 0) for c in row[x:x + 2])
            xor.append(hi << 4 | lo)
        bits = 0
        for c in row:
            bits = bits << 1 | (c == '.')
        mask += struct.pack('>I', bits)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    # Height counts the XOR and AND bitmaps together.
    info = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 4, 0,
                       len(xor) + len(mask), 0, 0, 16, 0)
    image = info + pal + bytes(xor) + bytes(mask)
    header = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return header + entry + image


if __name__ == '__main__':
    with open(sys.argv[1], 'wb') as f:
        f.write(build())
