#!/usr/bin/env python3
"""Draws the wizard's artwork from shapes and text, reproducibly:
product.jpg (122 x 220, left of the pages), logo.jpg (95 x 30, below it) and
panel.bmp (the title band's background bitmap). Shapes are computed here;
text is set by ImageMagick with a Nanum font; JPEG and BMP bytes carry no
dates. Run from anywhere: python3 make-art.py [output-dir]."""
import os
import subprocess
import sys

FONT_BOLD = "/usr/share/fonts/truetype/nanum/NanumGothicBold.ttf"
FONT = "/usr/share/fonts/truetype/nanum/NanumGothic.ttf"


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def ppm(width, height, pixel):
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            rows += bytes(pixel(x, y))
    return b"P6\n%d %d\n255\n" % (width, height) + bytes(rows)


def product_pixel(x, y):
    # Night-blue to teal backdrop with a stack of three archive boxes.
    c = lerp((18, 32, 84), (0, 128, 128), y / 219)
    for i, (top, colour) in enumerate(((70, (250, 200, 60)), (98, (235, 120, 40)), (126, (200, 50, 50)))):
        left, right, bottom = 24 + 4 * i, 98 - 4 * i, top + 24
        if left <= x < right and top <= y < bottom:
            edge = x in (left, right - 1) or y in (top, bottom - 1)
            c = (40, 24, 10) if edge else lerp(colour, (255, 255, 255), 0.25 * (y - top) / 24)
            # The zip line down the middle of each box.
            if not edge and 59 <= x <= 62 and (y - top) % 4 < 2:
                c = (60, 60, 60)
    # Light arcs round the stack.
    d = ((x - 61) ** 2 + (y - 110) ** 2) ** 0.5
    if 58 <= d < 60 and y < 70:
        c = lerp(c, (255, 255, 255), 0.6)
    return c


def logo_pixel(x, y):
    c = lerp((255, 255, 255), (214, 226, 240), y / 29)
    # A small diamond mark at the left.
    if abs(x - 14) + abs(y - 15) <= 9:
        c = (0, 96, 160) if abs(x - 14) + abs(y - 15) <= 7 else (255, 255, 255)
    return c


def run(*args):
    subprocess.run(args, check=True)


def jpeg(name, width, height, pixel, draw, out):
    src = os.path.join(out, name + ".ppm")
    with open(src, "wb") as f:
        f.write(ppm(width, height, pixel))
    run("convert", src, *draw, "-strip", "-quality", "90", "-sampling-factor", "2x2",
        "-define", "jpeg:optimize-coding=true", os.path.join(out, name + ".jpg"))
    os.remove(src)


def bmp24(path, width, height, pixel):
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        body += row + b"\0" * (stride - len(row))
    header = b"BM" + (54 + len(body)).to_bytes(4, "little") + b"\0\0\0\0" + (54).to_bytes(4, "little")
    info = (40).to_bytes(4, "little") + width.to_bytes(4, "little") + height.to_bytes(4, "little")
    info += (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + b"\0" * 4
    info += len(body).to_bytes(4, "little") + (2835).to_bytes(4, "little") * 2 + b"\0" * 8
    with open(path, "wb") as f:
        f.write(header + info + body)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    jpeg("product", 122, 220, product_pixel, [
        "-font", FONT_BOLD, "-pointsize", "22", "-fill", "white", "-gravity", "north",
        "-annotate", "+0+22", "Varnel",
        "-font", FONT, "-pointsize", "13", "-fill", "#FFF4C0", "-gravity", "south",
        "-annotate", "+0+36", "압축관리프로그램",
        "-pointsize", "10", "-fill", "#C8E8E8", "-annotate", "+0+16", "ACE · RAR · ZIP · ZOO",
    ], out)
    jpeg("logo", 95, 30, logo_pixel, [
        "-font", FONT_BOLD, "-pointsize", "14", "-fill", "#003C78", "-gravity", "west",
        "-annotate", "+28+0", "Tessaro",
    ], out)
    # Maroon-to-yellow diagonal stripes, the colours of the title band.
    bmp24(os.path.join(out, "panel.bmp"), 20, 10,
          lambda x, y: (128, 0, 0) if (x + y) % 10 < 5 else (255, 255, 0))


if __name__ == "__main__":
    main()
