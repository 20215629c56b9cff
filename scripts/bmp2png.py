#!/usr/bin/env python3
"""Converts a 24-bit uncompressed BMP (as the test host saves pictures) to PNG.

Usage: scripts/bmp2png.py IN.bmp OUT.png
"""
import struct
import sys
import zlib


def main(src, dst):
    data = open(src, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        sys.exit(f"{src}: {bits}-bit BMP, only 24-bit is handled")
    row_size = (width * 3 + 3) & ~3
    bottom_up = height > 0
    height = abs(height)
    rows = []
    for y in range(height):
        src_row = (height - 1 - y) if bottom_up else y
        start = offset + src_row * row_size
        bgr = data[start:start + width * 3]
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
    png += chunk(b"IEND", b"")
    open(dst, "wb").write(png)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
