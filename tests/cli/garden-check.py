#!/usr/bin/env python3
"""garden-check.py GRID.rle torus|island PATTERN...: every live cell of GRID (as tovra-life writes
it) belongs to one of the patterns (.rle or .cells), in one of its eight orientations, whose box and
the three cells around it hold no other live cell, wrapping round a torus; prints what it found and how many wrap."""
import re
import sys


def cells(path):
    text = open(path).read()
    if path.endswith(".cells"):
        rows = [l for l in text.splitlines() if not l.startswith("!")]
        return [(x, y) for y, row in enumerate(rows) for x, c in enumerate(row) if c in "O*"]
    lines = [l for l in text.splitlines() if not l.startswith("#")]
    out, x, y = [], 0, 0
    for count, tag in re.findall(r"(\d*)([bo$])", "".join(lines[1:]).split("!")[0]):
        n = int(count or 1)
        x, y = (0, y + n) if tag == "$" else (x + n, y)
        out += [(x - n + i, y) for i in range(n)] if tag == "o" else []
    return out


grid, torus = sys.argv[1], sys.argv[2] == "torus"
W, H = map(int, re.search(r"x = (\d+), y = (\d+)", open(grid).read()).groups())
live = set(cells(grid))
shapes = set()
for path in sys.argv[3:]:
    for a, b, c, d in [(1, 0, 0, 1), (-1, 0, 0, 1), (1, 0, 0, -1), (-1, 0, 0, -1),
                       (0, 1, 1, 0), (0, -1, 1, 0), (0, 1, -1, 0), (0, -1, -1, 0)]:
        turned = [(a * x + b * y, c * x + d * y) for x, y in cells(path)]
        mx, my = min(t[0] for t in turned), min(t[1] for t in turned)
        shapes.add((path.split("/")[-1], tuple(sorted((x - mx, y - my) for x, y in turned))))
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
print(len(found), "patterns,", wrapped, "wrapped:", " ".join(sorted(found)))
left = live - covered
if left:
    print("cells in no pattern with its margin clear:", sorted(left)[:10])
sys.exit(1 if left or not found else 0)
