#!/usr/bin/env python3
"""Writes data/chalkley.wmf: the Chalkley point grid drawn for grid style 2.

A Chalkley grid is a field of 25 points scattered quasi-randomly inside a
circle; the user counts the points that fall on capillaries. The points lie
on a sunflower (Vogel) spiral, which spreads them evenly without a regular
lattice that could line up with the rows of capillaries. Each point is a
small cross; the circle is an ellipse record with a hollow brush.

The metafile selects no pen, so the view draws it in the grid colour.
Run: python3 tools/make_chalkley_wmf.py [output path]
"""
import math
import struct
import sys

EXTENT = 1000          # logical window 0..1000 in both directions
RADIUS = 480           # circle radius in logical units
POINT_RADIUS = 440     # points stay inside this radius
ARM = 12               # half the size of a cross
POINTS = 25


def record(function, *words):
    body = b"".join(struct.pack("<h", w) if w < 0x8000 else struct.pack("<H", w) for w in words)
    return struct.pack("<IH", 3 + len(words), function) + body


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "data/chalkley.wmf"
    recs = []
    recs.append(record(0x0103, 8))                 # SetMapMode(MM_ANISOTROPIC)
    recs.append(record(0x020B, 0, 0))              # SetWindowOrg(y=0, x=0)
    recs.append(record(0x020C, EXTENT, EXTENT))    # SetWindowExt(y, x)
    # CreateBrushIndirect(BS_NULL): object 0, selected so the circle stays hollow.
    recs.append(record(0x02FC, 1, 0, 0, 0))
    recs.append(record(0x012D, 0))                 # SelectObject(0)
    c = EXTENT // 2
    recs.append(record(0x0418, c + RADIUS, c + RADIUS, c - RADIUS, c - RADIUS))  # Ellipse(b, r, t, l)
    golden = math.pi * (3.0 - math.sqrt(5.0))
    for i in range(POINTS):
        r = POINT_RADIUS * math.sqrt((i + 0.5) / POINTS)
        a = i * golden
        x = int(round(c + r * math.cos(a)))
        y = int(round(c + r * math.sin(a)))
        recs.append(record(0x0214, y, x - ARM))    # MoveTo(y, x)
        recs.append(record(0x0213, y, x + ARM))    # LineTo(y, x)
        recs.append(record(0x0214, y - ARM, x))
        recs.append(record(0x0213, y + ARM, x))
    recs.append(record(0x0000))                    # end of file
    body = b"".join(recs)
    words = (18 + len(body)) // 2
    max_record = max(len(r) // 2 for r in recs)
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, words, 1, max_record, 0)
    with open(out, "wb") as f:
        f.write(header + body)


if __name__ == "__main__":
    main()
