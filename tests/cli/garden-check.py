#!/usr/bin/env python3
"""garden-check.py GRID.rle torus|island PATTERN...: every live cell of GRID (as tovra-life writes
it) belongs to one of the patterns (.rle or .cells), in one of its eight orientations, whose box and
the three cells around it hold no other live cell, wrapping round a torus; prints what it found and
how many wrap."""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
import patterns  # noqa: E402

grid, torus = sys.argv[1], sys.argv[2] == "torus"
W, H = map(int, re.search(r"x = (\d+), y = (\d+)", open(grid).read()).groups())
live = set(patterns.read(grid))
shapes = {(p.split("/")[-1], s) for p in sys.argv[3:] for s in patterns.orientations(patterns.read(p))}
found, covered, wrapped = [], set(), 0
for name, shape in sorted(shapes, key=lambda s: -len(s[1])):
    w, h = max(x for x, _ in shape) + 1, max(y for _, y in shape) + 1
    for lx, ly in sorted(live - covered):
        ox, oy = lx - shape[0][0], ly - shape[0][1]
        if not torus and (ox < 0 or oy < 0 or ox + w > W or oy + h > H):
            continue
        place = {((ox + x) % W, (oy + y) % H) for x, y in shape}
        area = {((ox + x) % W, (oy + y) % H) for x in range(-3, w + 3) for y in range(-3, h + 3)
                if torus or (0 <= ox + x < W and 0 <= oy + y < H)}
        if place <= live - covered and live & area <= place:
            found.append(name)
            covered |= place
            wrapped += any(not (0 <= ox + x < W and 0 <= oy + y < H) for x, y in shape)
print(len(found), "patterns,", wrapped, "wrapped:", " ".join(sorted(found)), *sorted(live - covered)[:5])
sys.exit(1 if live - covered or not found else 0)
