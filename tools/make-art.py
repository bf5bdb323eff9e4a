#!/usr/bin/env python3
"""Writes Tovra's pictures into the folder given as the only argument:
the six 10 x 10 cell bitmaps (24-bit Windows BMP) and the program icon
Tovra.ico (32 x 32 and 16 x 16, 32-bit colour)."""
import os
import struct
import sys

CELL = 10

# Live colours in the order of the Color setting, then the dead cell:
# (file, face colour, edge colour) as (red, green, blue).
CELLS = [
    ("cell.bmp",       (224, 40, 40),   (120, 16, 16)),
    ("cellyellow.bmp", (240, 212, 40),  (128, 108, 12)),
    ("cellgreen.bmp",  (48, 200, 64),   (16, 100, 28)),
    ("cellblue.bmp",   (48, 96, 232),   (18, 40, 124)),
    ("cellpurple.bmp", (168, 56, 208),  (84, 22, 110)),
    ("deadcell.bmp",   (44, 44, 48),    (24, 24, 26)),
]


def cell_pixels(face, edge):
    """Rows top to bottom of (r, g, b): a face with a darker one-pixel edge."""
    rows = []
    for y in range(CELL):
        row = []
        for x in range(CELL):
            on_edge = x in (0, CELL - 1) or y in (0, CELL - 1)
            row.append(edge if on_edge else face)
        rows.append(row)
    return rows


def bmp24(rows):
    h = len(rows)
    w = len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows):  # bottom-up
        line = b"".join(struct.pack("BBB", b, g, r) for (r, g, b) in row)
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    return file_header + header + pixels


def icon_image(size):
    """A glider of five coloured cells on black, as BGRA rows top to bottom."""
    glider = [(1, 0), (2, 1), (0, 2), (1, 2), (2, 2)]
    pitch = size // 3
    margin = (size - 3 * pitch) // 2
    rows = [[(0, 0, 0, 255)] * size for _ in range(size)]
    for i, (cx, cy) in enumerate(glider):
        face, edge = CELLS[i][1], CELLS[i][2]
        for y in range(pitch):
            for x in range(pitch):
                px, py = margin + cx * pitch + x, margin + cy * pitch + y
                on_edge = x in (0, pitch - 1) or y in (0, pitch - 1)
                r, g, b = edge if on_edge else face
                rows[py][px] = (r, g, b, 255)
    return rows


def ico(sizes):
    images = []
    for size in sizes:
        rows = icon_image(size)
        xor = b"".join(struct.pack("BBBB", b, g, r, a) for row in reversed(rows) for (r, g, b, a) in row)
        mask_stride = ((size + 31) // 32) * 4
        and_mask = b"\0" * (mask_stride * size)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
        images.append((size, header + xor + and_mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, face, edge in CELLS:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bmp24(cell_pixels(face, edge)))
    with open(os.path.join(folder, "Tovra.ico"), "wb") as f:
        f.write(ico([32, 16]))


if __name__ == "__main__":
    main()
