#!/usr/bin/env python3
"""Checks screen grabs of a full-screen Tovra run, cell by cell.

    bench-wine-grab.py ART_DIR GRAB.xwd...

Each grab is an xwd dump of the root window (24-bit TrueColor, 32 bits per
pixel). Every 10 x 10 cell on the pitch from the top-left corner must show
one whole cell picture (one of the six bitmaps in ART_DIR) or be black, and
the strips at the right and the bottom that belong to no cell must be black.
Prints one line per grab and a summary; exits 1 when a grab fails.
"""
import struct
import sys

PITCH = 10
NAMES = ["cell", "cellyellow", "cellgreen", "cellblue", "cellpurple", "deadcell"]


def read_bmp(path):
    """The top-left 10 x 10 pixels of an uncompressed 24- or 32-bit BMP, as
    ten rows of B, G, R, X bytes."""
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bpp = struct.unpack_from("<iiHH", data, 18)
    step = bpp // 8
    stride = (width * step + 3) & ~3
    rows = []
    for y in range(PITCH):
        src = y if height < 0 else abs(height) - 1 - y
        line = data[offset + src * stride: offset + src * stride + PITCH * step]
        rows.append(b"".join(line[i:i + 3] + b"\0" for i in range(0, PITCH * step, step)))
    return rows


def read_xwd(path):
    data = open(path, "rb").read()
    fields = struct.unpack_from(">25I", data, 0)
    header_size, width, height = fields[0], fields[4], fields[5]
    bits_per_pixel, bytes_per_line, ncolors = fields[11], fields[12], fields[19]
    byte_order = fields[7]  # 0 LSBFirst
    if bits_per_pixel != 32 or byte_order != 0:
        raise SystemExit("%s: need a 32-bit LSB-first dump, got %d bits, byte order %d" % (path, bits_per_pixel, byte_order))
    start = header_size + ncolors * 12
    return width, height, bytes_per_line, data[start:start + bytes_per_line * height]


def check(path, pictures):
    width, height, line, pixels = read_xwd(path)
    cols, rows = width // PITCH, height // PITCH
    counts = {}
    bad = []
    for r in range(rows):
        band = [pixels[(r * PITCH + y) * line:(r * PITCH + y) * line + width * 4] for y in range(PITCH)]
        for c in range(cols):
            a, b = c * PITCH * 4, (c + 1) * PITCH * 4
            key = b"".join(row[a:b] for row in band)
            name = pictures.get(key)
            if name is None:
                # The X byte of a pixel is not part of its colour.
                key = bytes(v if i % 4 != 3 else 0 for i, v in enumerate(key))
                name = pictures.get(key)
            if name is None:
                bad.append((c, r))
            else:
                counts[name] = counts.get(name, 0) + 1
    margin_bad = 0
    for y in range(height):
        row = pixels[y * line:y * line + width * 4]
        tail = row[cols * PITCH * 4:] if y < rows * PITCH else row
        margin_bad += sum(1 for i in range(0, len(tail), 4) if tail[i:i + 3] != b"\0\0\0")
    return counts, bad, margin_bad


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    art = sys.argv[1]
    pictures = {b"\0" * (PITCH * PITCH * 4): "black"}
    for name in NAMES:
        pictures[b"".join(read_bmp("%s/%s.bmp" % (art, name)))] = name
    failed = 0
    for path in sys.argv[2:]:
        counts, bad, margin_bad = check(path, pictures)
        ok = not bad and margin_bad == 0
        failed += not ok
        shown = ", ".join("%s %d" % (k, v) for k, v in sorted(counts.items()))
        print("%s: %s; %d cells not a whole picture%s; %d margin pixels not black [%s]"
              % (path, "ok" if ok else "FAILED", len(bad), (" (first at column %d, row %d)" % bad[0]) if bad else "",
                 margin_bad, shown))
    print("grabs: %d checked, %d failed" % (len(sys.argv) - 2, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
