#!/usr/bin/env python3
"""cells.py ART COLOR A.png B.png: two screen shots of a full-screen run.
Every 10x10 cell on the pitch from the top-left corner must show exactly the
live picture of colour COLOR (0-4, from the bitmaps in ART), the dead one, or
black, in both; live cells must be there; the two must differ; and each part
of an 8x8 split of the screen must show cells in one of them. With a fifth
argument, "repainted": B, taken after a repaint, keeps nine tenths of A's
dead cells instead (a generation or two may have passed)."""
import re
import subprocess
import sys

NAMES = ["cell", "cellyellow", "cellgreen", "cellblue", "cellpurple", "deadcell"]


def read(path, *crop):
    ppm = subprocess.run(["convert", path, *crop, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+\d+\s", ppm)
    return int(m[1]), int(m[2]), ppm[m.end():]


def cells(path, kinds):
    w, h, px = read(path)
    grid = {}
    for r in range(h // 10):
        for c in range(w // 10):
            block = b"".join(px[((r * 10 + y) * w + c * 10) * 3:][:30] for y in range(10))
            grid[c, r] = kinds.get(block, "unknown")
    return w // 10, h // 10, grid


art, color, a, b = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
kinds = {bytes(300): "black"}
for i, name in enumerate(NAMES):
    kinds.setdefault(read(f"{art}/{name}.bmp", "-crop", "10x10+0+0")[2], "live" if i == color else "dead" if i == 5 else name)
cols, rows, first = cells(a, kinds)
_, _, second = cells(b, kinds)
problems = []
for grid in first, second:
    counts = {}
    for kind in grid.values():
        counts[kind] = counts.get(kind, 0) + 1
    print(f"{cols}x{rows} cells:", " ".join(f"{k} {n}" for k, n in sorted(counts.items())))
    problems += [f"{n} cells {k}" for k, n in counts.items() if k not in ("live", "dead", "black")]
    if not counts.get("live"):
        problems.append("no live cell")
if sys.argv[5:] == ["repainted"]:
    dead = [sum(k == "dead" for k in g.values()) for g in (first, second)]
    problems += [] if dead[1] >= dead[0] * 9 // 10 else [f"dead cells {dead[0]} before the repaint, {dead[1]} after"]
    print("; ".join(problems) or "the picture is back")
    sys.exit(1 if problems else 0)
changed = sum(first[k] != second[k] for k in first)
if changed == 0:
    problems.append("no cell changed between the shots")
empty = [(pc, pr) for pc in range(8) for pr in range(8)
         if all(first[c, r] == second[c, r] == "black"
                for c in range(pc * cols // 8, (pc + 1) * cols // 8) for r in range(pr * rows // 8, (pr + 1) * rows // 8))]
if empty:
    problems.append(f"no cell drawn in {len(empty)} of 64 parts of the screen, e.g. part {empty[0]} (column, row of 8x8)")
print(f"{changed} cells changed;", "; ".join(problems) or "all clean")
sys.exit(1 if problems else 0)
