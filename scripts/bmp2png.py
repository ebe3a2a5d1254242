#!/usr/bin/env python3
"""Converts an uncompressed 24- or 32-bit BMP (as uiprobe's screenshot writes it) to PNG, with the
standard library only. Usage: bmp2png.py IN.bmp OUT.png"""
import struct
import sys
import zlib


def convert(source, target):
    with open(source, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise SystemExit(f"{source}: not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits not in (24, 32) or compression not in (0, 3):
        raise SystemExit(f"{source}: only uncompressed 24/32-bit bitmaps are supported")
    step = bits // 8
    row_bytes = (width * step + 3) // 4 * 4
    bottom_up = height > 0
    height = abs(height)
    raw = bytearray()
    for y in range(height):
        row_index = height - 1 - y if bottom_up else y
        row = data[offset + row_index * row_bytes: offset + row_index * row_bytes + width * step]
        raw.append(0)
        for x in range(0, width * step, step):
            b, g, r = row[x], row[x + 1], row[x + 2]
            raw += bytes((r, g, b))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    with open(target, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: bmp2png.py IN.bmp OUT.png")
    convert(sys.argv[1], sys.argv[2])
