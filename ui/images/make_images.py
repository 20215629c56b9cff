#!/usr/bin/env python3
"""Draws the plug-in's images with no outside tools: the program icon
(vornek.ico: an envelope whose HTML half is cut away), the Restore button's
glyph (restore.bmp: a curved arrow) and the Close button's glyph (close.bmp: an
open door), each 16x16, enabled and greyed side by side, on magenta that the
buttons draw as transparent.

Usage: ui/images/make_images.py   (writes next to this script)
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def icon_pixels(size):
    """RGBA rows, top row first."""
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    s = size / 32.0
    left, right, top, bottom = int(3 * s), int(29 * s), int(7 * s), int(25 * s)
    for y in range(top, bottom):
        for x in range(left, right):
            edge = x in (left, right - 1) or y in (top, bottom - 1)
            px[y][x] = (40, 70, 140, 255) if edge else (250, 250, 240, 255)
    # The flap of the envelope.
    mid = (left + right) // 2
    for x in range(left, right):
        y = top + (x - left) * (bottom - top) // (right - left) // 1 if x <= mid else top + (right - 1 - x) * (bottom - top) // (right - left)
        if top <= y < bottom:
            px[y][x] = (40, 70, 140, 255)
    # The HTML half goes: an orange band and a cut across the lower right.
    for y in range(top + int(10 * s), bottom - 1):
        for x in range(mid + 1, right - 1):
            px[y][x] = (240, 140, 30, 255) if (x + y) % 4 else (255, 255, 255, 255)
    return px


def ico_bytes(size):
    px = icon_pixels(size)
    rows = b"".join(bytes(b for (r, g, bl, a) in px[y] for b in (bl, g, r, a)) for y in reversed(range(size)))
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(rows) + len(mask), 0, 0, 0, 0)
    image = header + rows + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), 22)
    return directory + image


def glyph_pixels(grey):
    """16x16 curved arrow; `grey` gives the disabled look."""
    size = 16
    back = (255, 0, 255)  # the button draws this colour as transparent
    px = [[back] * size for _ in range(size)]
    colour = (128, 128, 128) if grey else (0, 110, 40)
    import math
    for a in range(40, 330, 3):
        t = math.radians(a)
        for r in (5.0, 5.6, 6.2):
            x, y = int(round(8 + r * math.cos(t))), int(round(8 - r * math.sin(t)))
            if 0 <= x < size and 0 <= y < size:
                px[y][x] = colour
    for i in range(5):  # arrow head at the start of the arc
        for j in range(i + 1):
            y, x = 1 + i, 12 - j + i // 2
            if 0 <= x < size and 0 <= y < size:
                px[y][x] = colour
    return px


def door_pixels(grey):
    """16x16 open door with an arrow leaving through it."""
    size = 16
    back = (255, 0, 255)
    px = [[back] * size for _ in range(size)]
    frame = (128, 128, 128) if grey else (90, 60, 20)
    door = (192, 192, 192) if grey else (200, 150, 60)
    arrow = (128, 128, 128) if grey else (200, 0, 0)
    for y in range(1, 15):
        px[y][2] = px[y][9] = frame
    for x in range(2, 10):
        px[1][x] = px[14][x] = frame
    for y in range(3, 15):  # the opened leaf, seen at an angle
        for x in range(3, 7):
            if y >= 3 + (x - 3) // 2:
                px[y][x] = door
    for x in range(8, 15):
        px[8][x] = arrow
    for i in range(1, 4):
        for dx in (0, 1):
            px[8 - i][14 - i + dx] = px[8 + i][14 - i + dx] = arrow
    return px


def bmp_bytes(px):
    h, w = len(px), len(px[0])
    row_size = (w * 3 + 3) & ~3
    data = b""
    for y in reversed(range(h)):
        row = b"".join(bytes((b, g, r)) for (r, g, b) in px[y])
        data += row + b"\0" * (row_size - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54) + info + data


def main():
    with open(os.path.join(HERE, "vornek.ico"), "wb") as f:
        f.write(ico_bytes(32))
    enabled, disabled = glyph_pixels(False), glyph_pixels(True)
    both = [enabled[y] + disabled[y] for y in range(16)]
    with open(os.path.join(HERE, "restore.bmp"), "wb") as f:
        f.write(bmp_bytes(both))
    enabled, disabled = door_pixels(False), door_pixels(True)
    with open(os.path.join(HERE, "close.bmp"), "wb") as f:
        f.write(bmp_bytes([enabled[y] + disabled[y] for y in range(16)]))


if __name__ == "__main__":
    main()
