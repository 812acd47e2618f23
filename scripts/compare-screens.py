#!/usr/bin/env python3
"""Compares two pictures of the main window loosely: the same size, and the
same layout at a coarse scale (fonts and anti-aliasing differ between
platforms, the places of pages, grids and buttons do not).

  compare-screens.py A.png B.png

Each picture is cut into cells of 16 x 16 pixels; a cell's brightness is the
mean of its pixels. Prints the size and the mean and largest cell difference
(0 to 255); fails when the sizes differ or the mean difference is above
VELT_SCREEN_TOLERANCE (default 12). Reads 8-bit RGB and RGBA PNG files as Qt
writes them, with the standard library only."""
import os
import struct
import sys
import zlib

CELL = 16


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        raise ValueError(f"{path}: only 8-bit RGB or RGBA PNG without interlace")
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev = [], bytearray(stride)
    for y in range(height):
        filt = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if filt == 1:
                line[i] = (line[i] + a) & 0xFF
            elif filt == 2:
                line[i] = (line[i] + b) & 0xFF
            elif filt == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif filt == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        rows.append(line)
        prev = line
    return width, height, channels, rows


def cells(picture):
    width, height, channels, rows = picture
    out = []
    for cy in range(0, height - CELL + 1, CELL):
        for cx in range(0, width - CELL + 1, CELL):
            total = 0
            for y in range(cy, cy + CELL):
                line = rows[y]
                for x in range(cx, cx + CELL):
                    i = x * channels
                    total += line[i] + line[i + 1] + line[i + 2]
            out.append(total / (3 * CELL * CELL))
    return out


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 64
    a, b = read_png(sys.argv[1]), read_png(sys.argv[2])
    if (a[0], a[1]) != (b[0], b[1]):
        print(f"screens: sizes differ: {a[0]}x{a[1]} and {b[0]}x{b[1]}")
        return 1
    diffs = [abs(x - y) for x, y in zip(cells(a), cells(b))]
    mean = sum(diffs) / len(diffs)
    tolerance = float(os.environ.get("VELT_SCREEN_TOLERANCE", "12"))
    print(f"screens: {a[0]}x{a[1]}, cell difference mean {mean:.1f}, largest {max(diffs):.0f} "
          f"(tolerance {tolerance:g})")
    return 0 if mean <= tolerance else 1


if __name__ == "__main__":
    sys.exit(main())
