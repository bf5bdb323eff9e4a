#!/usr/bin/env python3
"""Checks a screenshot of Tovra: every 10 x 10 square on the 10-pixel pitch
from the top-left corner is black or exactly one of the six cell bitmaps,
the strips right of and below the last whole cell are black, and live cells
show only the chosen colour ("any" for Rainbow).
   cells.py SHOT BITMAP_DIR COLOUR  ->  prints "live N dead N", exit 1 on a fault"""
import subprocess
import sys

NAMES = [("red", "cell"), ("yellow", "cellyellow"), ("green", "cellgreen"), ("blue", "cellblue"),
         ("purple", "cellpurple"), ("dead", "deadcell")]


def ppm(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[pos + 1:pos + 1 + w * h * 3]


def square(w, pix, x, y):
    return b"".join(pix[((y + r) * w + x) * 3:((y + r) * w + x + 10) * 3] for r in range(10))


shot, folder, colour = sys.argv[1:4]
sprites = {}
for name, file in NAMES:
    bw, _, bpix = ppm(f"{folder}/{file}.bmp")
    sprites[square(bw, bpix, 0, 0)] = name
w, h, pix = ppm(shot)
cols, rows = w // 10, h // 10
counts = {name: 0 for name, _ in NAMES}
black = bytes(300)
for cy in range(rows):
    for cx in range(cols):
        s = square(w, pix, cx * 10, cy * 10)
        if s == black:
            continue
        if s not in sprites:
            sys.exit(f"cells: the square at ({cx * 10}, {cy * 10}) is no whole cell")
        counts[sprites[s]] += 1
for y in range(h):
    first = 0 if y >= rows * 10 else cols * 10
    if any(pix[(y * w + first) * 3:(y + 1) * w * 3]):
        sys.exit(f"cells: something is drawn outside the whole cells in row {y}")
live = sum(n for name, n in counts.items() if name != "dead")
others = [name for name, n in counts.items() if n and name not in ("dead", colour) and colour != "any"]
if others or live == 0:
    sys.exit(f"cells: live cells in {colour} expected, found {counts}")
print(f"live {live} dead {counts['dead']}")
