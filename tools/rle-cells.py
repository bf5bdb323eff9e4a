#!/usr/bin/env python3
"""The live cells of an RLE file, shifted so the smallest x and y are 0, one
"x y" per line in order: equal for two files holding the same pattern."""
import re
import sys

body = ''.join([l for l in open(sys.argv[1]).read().splitlines() if not l.startswith('#')][1:])
cells, x, y = [], 0, 0
for count, tag in re.findall(r'(\d*)([bo$!.A-Z])', body.split('!')[0]):
    n = int(count or 1)
    if tag == '$':
        x, y = 0, y + n
    else:
        cells += [(x + i, y) for i in range(n)] if tag not in 'b.' else []
        x += n
mx, my = min((c[0] for c in cells), default=0), min((c[1] for c in cells), default=0)
for cx, cy in sorted((cx - mx, cy - my) for cx, cy in cells):
    print(cx, cy)
