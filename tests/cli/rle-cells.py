#!/usr/bin/env python3
"""Prints the live cells of an RLE file, shifted so the smallest x and y are 0,
one "x y" per line in sorted order: two files hold the same pattern up to
position exactly when their outputs are equal."""
import re
import sys

text = open(sys.argv[1]).read()
lines = [l for l in text.splitlines() if not l.startswith('#')]
body = ''.join(lines[1:])
cells = []
x = y = 0
for count, tag in re.findall(r'(\d*)([bo$!.A-Z])', body):
    n = int(count) if count else 1
    if tag in 'b.':
        x += n
    elif tag == '$':
        y += n
        x = 0
    elif tag == '!':
        break
    else:
        cells.extend((x + i, y) for i in range(n))
        x += n
if cells:
    mx = min(c[0] for c in cells)
    my = min(c[1] for c in cells)
    cells = sorted((cx - mx, cy - my) for cx, cy in cells)
for cx, cy in cells:
    print(cx, cy)
