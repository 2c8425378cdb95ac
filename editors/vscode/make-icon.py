#!/usr/bin/env python3
# Draws icon.png (128 x 128): the `//` that precedes every result, white on a rounded blue square.
#   python3 make-icon.py
import struct
import zlib

SIZE, SS = 128, 4  # pixels, and samples per pixel along each axis


def inside(x, y):
    """Which colour the point (x, y), in pixels from the top left corner, has: 0 none, 1 blue, 2 white."""
    r, m = 22.0, 4.0  # corner radius, margin
    cx = min(max(x, m + r), SIZE - m - r)
    cy = min(max(y, m + r), SIZE - m - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return 0
    for x0 in (44.0, 74.0):  # the two strokes, from (x0 + 20, 30) down to (x0 - 8, 98)
        ax, ay, bx, by = x0 + 20, 30.0, x0 - 8, 98.0
        t = ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / ((bx - ax) ** 2 + (by - ay) ** 2)
        t = min(max(t, 0.0), 1.0)
        if (x - ax - t * (bx - ax)) ** 2 + (y - ay - t * (by - ay)) ** 2 <= 7.0 ** 2:
            return 2
    return 1


colours = {0: (0, 0, 0, 0), 1: (0x1F, 0x5F, 0x9F, 255), 2: (255, 255, 255, 255)}
rows = []
for py in range(SIZE):
    row = bytearray([0])  # filter: none
    for px in range(SIZE):
        acc = [0, 0, 0, 0]
        for sy in range(SS):
            for sx in range(SS):
                c = colours[inside(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)]
                a = c[3]
                acc[0] += c[0] * a
                acc[1] += c[1] * a
                acc[2] += c[2] * a
                acc[3] += a
        alpha = acc[3]
        row += bytes([round(acc[i] / alpha) if alpha else 0 for i in range(3)] + [round(alpha / SS / SS)])
    rows.append(bytes(row))


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
with open("icon.png", "wb") as f:
    f.write(png)
