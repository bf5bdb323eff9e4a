"""Pattern files for the end-to-end checks: the live cells of an RLE or plain-text file, and a
pattern's eight orientations, each moved to the corner of its box."""
import re


def read(path):
    text = open(path).read()
    if path.endswith(".cells"):
        rows = [l for l in text.splitlines() if not l.startswith("!")]
        return [(x, y) for y, row in enumerate(rows) for x, c in enumerate(row) if c in "O*"]
    lines = [l for l in text.splitlines() if not l.startswith("#")]
    out, x, y = [], 0, 0
    for count, tag in re.findall(r"(\d*)([bo$])", "".join(lines[1:]).split("!")[0]):
        n = int(count or 1)
        out += [(x + i, y) for i in range(n)] if tag == "o" else []
        x, y = (0, y + n) if tag == "$" else (x + n, y)
    return out


def orientations(cells):
    shapes = []
    for a, b, c, d in [(1, 0, 0, 1), (-1, 0, 0, 1), (1, 0, 0, -1), (-1, 0, 0, -1),
                       (0, 1, 1, 0), (0, -1, 1, 0), (0, 1, -1, 0), (0, -1, -1, 0)]:
        turned = [(a * x + b * y, c * x + d * y) for x, y in cells]
        mx, my = min(t[0] for t in turned), min(t[1] for t in turned)
        shapes.append(tuple(sorted((x - mx, y - my) for x, y in turned)))
    return shapes
