#!/usr/bin/env python3
"""Counts the pixels of a screenshot near a colour.
   pixels.py FILE R G B [TOLERANCE]  ->  prints the count
FILE is any picture ImageMagick reads; it is turned into a binary PPM first."""
import subprocess
import sys

path, r, g, b = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
tol = int(sys.argv[5]) if len(sys.argv) > 5 else 24
ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
# Header: P6 <w> <h> <max> then one whitespace byte.
fields, pos = [], 0
while len(fields) < 4:
    while ppm[pos:pos + 1].isspace():
        pos += 1
    start = pos
    while not ppm[pos:pos + 1].isspace():
        pos += 1
    fields.append(ppm[start:pos])
pos += 1
w, h = int(fields[1]), int(fields[2])
data = ppm[pos:pos + w * h * 3]
count = 0
for i in range(0, len(data), 3):
    if abs(data[i] - r) <= tol and abs(data[i + 1] - g) <= tol and abs(data[i + 2] - b) <= tol:
        count += 1
print(count)
