#!/usr/bin/env python3
"""Draws the applet's logo (logo.bmp, 4 bits per pixel): a disc and the product name in block
letters on black. Run it again after changing the drawing; the bitmap is checked in."""
import math
import struct
import sys

W, H = 232, 80
# Palette: black, the window's red (196, 0, 38) in four strengths, white, greys.
PALETTE = [(0, 0, 0), (49, 0, 10), (98, 0, 19), (147, 0, 29), (196, 0, 38), (255, 255, 255),
           (96, 96, 96), (160, 160, 160), (210, 210, 210)] + [(0, 0, 0)] * 7

FONT = {  # 5 x 7 block letters
    "R": ["1111.", "1...1", "1...1", "1111.", "1.1..", "1..1.", "1...1"],
    "A": [".111.", "1...1", "1...1", "11111", "1...1", "1...1", "1...1"],
    "V": ["1...1", "1...1", "1...1", "1...1", "1...1", ".1.1.", "..1.."],
    "E": ["11111", "1....", "1....", "1111.", "1....", "1....", "11111"],
    "L": ["1....", "1....", "1....", "1....", "1....", "1....", "11111"],
    "D": ["1111.", "1...1", "1...1", "1...1", "1...1", "1...1", "1111."],
    "C": [".111.", "1...1", "1....", "1....", "1....", "1...1", ".111."],
    "/": ["....1", "...1.", "...1.", "..1..", ".1...", ".1...", "1...."],
}


def draw():
    px = [[0] * W for _ in range(H)]
    # The disc: rings shading from white to grey around a black hole.
    cx, cy, r = 40, 40, 34
    for y in range(H):
        for x in range(W):
            d = math.hypot(x - cx, y - cy)
            if d <= r:
                if d < 6:
                    px[y][x] = 0
                elif d < 9:
                    px[y][x] = 7
                else:
                    px[y][x] = 8 if int(d) % 6 < 3 else 6
    # A red sweep over the disc's lower right quarter.
    for y in range(cy, cy + r):
        for x in range(cx, cx + r):
            d = math.hypot(x - cx, y - cy)
            if 9 <= d <= r:
                px[y][x] = 4 if int(d) % 6 < 3 else 3

    def text(s, x0, y0, scale, colour_for_row):
        for ch in s:
            rows = FONT.get(ch)
            if rows:
                for ry, row in enumerate(rows):
                    for rx, bit in enumerate(row):
                        if bit == "1":
                            for dy in range(scale):
                                for dx in range(scale):
                                    y = y0 + ry * scale + dy
                                    px[y][x0 + rx * scale + dx] = colour_for_row(ry * scale + dy)
            x0 += 6 * scale

    text("RAVELLE", 84, 14, 3, lambda row: 5 if row < 12 else 4)
    text("DVD/CD", 108, 48, 2, lambda row: 7)
    return px


def write(path, px):
    row_bytes = ((W * 4 + 31) // 32) * 4
    image = bytearray()
    for y in range(H - 1, -1, -1):
        row = bytearray()
        for x in range(0, W, 2):
            row.append((px[y][x] << 4) | (px[y][x + 1] if x + 1 < W else 0))
        row += b"\0" * (row_bytes - len(row))
        image += row
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 4, 0, len(image), 2835, 2835, 16, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + image)


if __name__ == "__main__":
    write(sys.argv[1] if len(sys.argv) > 1 else "logo.bmp", draw())
