#!/usr/bin/env python3
"""render-check.py BITMAPS COLOUR PITCH FRAMES GRID.rle...: frame k of FRAMES against a plain drawing of the k-th
grid (as tovra-life --out writes it), pixel for pixel: a frame of the grid's cells at PITCH pixels, each square the
COLOUR bitmap where the grid has a live cell, the dead-cell bitmap where an earlier grid had one, black elsewhere.
Prints what differs; exit status 1 when something does."""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
import patterns  # noqa: E402
import picture  # noqa: E402

bitmaps, colour, pitch, frames, grids = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5:]
picture.PITCH = pitch
seen, problems = set(), []
for k, rle in enumerate(grids):
    size = tuple(map(int, re.search(r"x = (\d+), y = (\d+)", open(rle).read()).groups()))
    live = set(patterns.read(rle))
    seen |= live
    shot = f"{frames}/frame-{k:05d}.png"
    w, h, _ = picture.read(shot)
    cols, rows, shown, _ = picture.cells(bitmaps, colour, shot)
    want = {c: "live" if c in live else "dead" if c in seen else "black" for c in shown}
    wrong = sorted(c for c in shown if shown[c] != want[c])
    if (w, h) != (size[0] * pitch, size[1] * pitch):
        problems.append(f"frame {k}: {w} x {h} pixels for {size[0]} x {size[1]} cells")
    elif wrong:
        problems.append(f"frame {k}: {len(wrong)} cells differ, e.g. {wrong[0]}: {shown[wrong[0]]}, not {want[wrong[0]]}")
print("; ".join(problems) or "all clean", file=sys.stderr)
sys.exit(1 if problems else 0)
