#!/usr/bin/env python3
"""Screen shots of Tovra, read through ImageMagick's convert.
  picture.py [--pitch N] cells BITMAPS COLOUR SHOT [LATER [repainted]]
    Each square of N by N pixels (10 unless given) shows black, the dead cell
    or a live cell of COLOUR (red, yellow, green, blue, purple, any) as drawn
    by the bitmaps in BITMAPS, each of their pixels enlarged to the squares
    of N/10 pixels under it (the pixel under each square pixel's centre);
    there are live cells; the strips past the whole cells are black.
    With LATER: some cell changed, and each part of the screen (parts of at
    least 16 x 10 cells, 8 x 8 parts at most) shows cells in one of the two;
    with "repainted", LATER keeps 9/10 of the dead cells instead.
  picture.py holds BITMAPS SHOT PATTERN.rle
    The live cells of SHOT include PATTERN in one of its eight orientations,
    wrapping round the screen's edges as a torus does.
  picture.py [--pitch N] look square|rounded|dot BACKGROUND TRAIL RAMP SHOT [blends]
    A drawn palette (colours as rrggbb, RAMP's joined by commas): each square
    of N by N pixels is one colour in the shape over BACKGROUND: a square
    to its edges with a rim of a tenth (at least a pixel) in 140/255 of its
    colour, or a rounded square or a dot with its corners in BACKGROUND and
    every pixel between BACKGROUND and the colour; the colours are the
    background, the trail and the ramp's (any, with "blends": colour by age,
    fades, smooth frames), there are cells of the ramp's; the strips past the
    whole cells are BACKGROUND."""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
import patterns  # noqa: E402

COLOURS = {"red": "cell", "yellow": "cellyellow", "green": "cellgreen", "blue": "cellblue", "purple": "cellpurple"}


def read(path):
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+\d+\s", ppm)
    return int(m[1]), int(m[2]), ppm[m.end():]


PITCH = 10


def square(w, px, x, y, size=None):
    size = size or PITCH
    return b"".join(px[((y + r) * w + x) * 3:((y + r) * w + x + size) * 3] for r in range(size))


def rgb(buf, i):
    """Pixel i of a buffer of 3-byte pixels (cut at its end: a slice to the end would copy the rest)."""
    return buf[i * 3:i * 3 + 3]


def enlarged(bw, bpx):
    """The bitmap's top-left 10x10 pixels at the pitch, each square pixel from the one under its centre."""
    src = [(2 * i + 1) * 10 // (2 * PITCH) for i in range(PITCH)]
    return b"".join(rgb(bpx, src[r] * bw + src[c]) for r in range(PITCH) for c in range(PITCH))


def cells(bitmaps, colour, shot):
    kinds = {bytes(PITCH * PITCH * 3): "black"}
    for name, file in [*COLOURS.items(), ("dead", "deadcell")]:
        bw, _, bpx = read(f"{bitmaps}/{file}.bmp")
        kinds[enlarged(bw, bpx)] = "live" if name != "dead" and colour in (name, "any") else name
    w, h, px = read(shot)
    cols, rows = w // PITCH, h // PITCH
    grid = {(c, r): kinds.get(square(w, px, c * PITCH, r * PITCH), "unknown") for r in range(rows) for c in range(cols)}
    counts = {k: list(grid.values()).count(k) for k in sorted(set(grid.values()))}
    problems = [f"{n} cells {k}" for k, n in counts.items() if k not in ("live", "dead", "black")]
    problems += [] if counts.get("live") else ["no live cell"]
    if any(any(px[(y * w + (0 if y >= rows * PITCH else cols * PITCH)) * 3:(y + 1) * w * 3]) for y in range(h)):
        problems.append("something drawn outside the whole cells")
    print(f"{cols}x{rows} cells:", " ".join(f"{k} {n}" for k, n in counts.items()))
    return cols, rows, grid, problems


def holds(bitmaps, shot, rle):
    cols, rows, grid, _ = cells(bitmaps, "any", shot)
    live = {k for k, v in grid.items() if v == "live"}
    for shape in patterns.orientations(patterns.read(rle)):
        if any(all(((lx + x - shape[0][0]) % cols, (ly + y - shape[0][1]) % rows) in live for x, y in shape) for lx, ly in live):
            return 0
    print(f"{rle} not on the screen ({len(live)} live cells)")
    return 1


def look(shape, background, trail, ramp, shot, blends=False):
    hexes = lambda text: tuple(bytes.fromhex(c) for c in text.split(","))
    (bg,), (tr,), colours = hexes(background), hexes(trail), hexes(ramp)
    w, h, px = read(shot)
    cols, rows = w // PITCH, h // PITCH
    rim = max(1, (PITCH + 5) // 10)
    near = lambda a, b, slack=1: all(abs(x - y) <= slack for x, y in zip(a, b))
    counts, problems = {"background": 0, "trail": 0, "ramp": 0, "between": 0}, []
    verdicts = {}  # a cell's pixels -> whether they are wrong: equal cells are judged once

    def judge(cell, mid, kind):
        wrong = kind == "between" and not blends
        for y in range(PITCH):
            for x in range(PITCH):
                p = rgb(cell, y * PITCH + x)
                if shape == "square":
                    edge = min(x, y, PITCH - 1 - x, PITCH - 1 - y) < rim
                    want = bytes(round(b + (m - b) * 140 / 255) for b, m in zip(bg, mid)) if edge else mid
                    wrong |= not near(p, want, 2)
                else:
                    wrong |= (x, y) == (0, 0) and p != bg
                    wrong |= not all(min(b, m) - 1 <= v <= max(b, m) + 1 for v, b, m in zip(p, bg, mid))
        return wrong

    for r in range(rows):
        for c in range(cols):
            cell = square(w, px, c * PITCH, r * PITCH)
            mid = rgb(cell, PITCH // 2 * PITCH + PITCH // 2)
            kind = "background" if mid == bg else "trail" if mid == tr else "ramp" if mid in colours else "between"
            counts[kind] += 1
            if cell not in verdicts:
                verdicts[cell] = judge(cell, mid, kind)
            if verdicts[cell] and len(problems) < 5:
                problems.append(f"cell {c},{r} ({mid.hex()}) is not a {shape} of its colour")
    problems += [] if counts["ramp"] else ["no cell in a colour of the ramp"]
    strips = [px[(y * w + cols * PITCH) * 3:(y + 1) * w * 3] for y in range(rows * PITCH)] + [px[rows * PITCH * w * 3:]]
    problems += [] if all(s == bg * (len(s) // 3) for s in strips) else ["the strips past the whole cells are not the background"]
    print(f"{cols}x{rows} cells:", " ".join(f"{k} {n}" for k, n in counts.items()))
    print("; ".join(problems) or "all clean")
    return 1 if problems else 0


def main(args):
    global PITCH
    if args[:1] == ["--pitch"] and len(args) > 1 and args[1].isdigit() and int(args[1]) > 0:
        PITCH, args = int(args[1]), args[2:]
    if args[:1] == ["holds"] and len(args) == 4:
        return holds(*args[1:])
    if args[:1] == ["look"] and len(args) in (6, 7) and args[1] in ("square", "rounded", "dot") and args[6:] in ([], ["blends"]):
        return look(*args[1:6], blends=len(args) == 7)
    if args[:1] != ["cells"] or len(args) not in (4, 5, 6) or args[2] not in (*COLOURS, "any") \
            or args[5:] not in ([], ["repainted"]):
        print(__doc__, file=sys.stderr)
        return 2
    cols, rows, first, problems = cells(*args[1:4])
    if len(args) > 4:
        _, _, second, more = cells(*args[1:3], args[4])
        problems += more
        if args[5:] == ["repainted"]:
            dead = [list(g.values()).count("dead") for g in (first, second)]
            problems += [] if dead[1] >= dead[0] * 9 // 10 else [f"dead cells {dead[0]} before the repaint, {dead[1]} after"]
        else:
            problems += [] if first != second else ["no cell changed between the shots"]
            # Parts of at least 16 x 10 cells, so that a part left empty by
            # chance is as unlikely on a large pitch as on the classic one.
            across, down = max(1, min(8, cols // 16)), max(1, min(8, rows // 10))
            empty = [(pc, pr) for pc in range(across) for pr in range(down)
                     if all(first[c, r] == second[c, r] == "black"
                            for c in range(pc * cols // across, (pc + 1) * cols // across)
                            for r in range(pr * rows // down, (pr + 1) * rows // down))]
            problems += [f"no cell in {len(empty)} of {across * down} parts, e.g. {empty[0]} (column, row)"] if empty else []
    print("; ".join(problems) or "all clean")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
