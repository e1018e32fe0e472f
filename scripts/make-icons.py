#!/usr/bin/env python3
"""Draws the program's icons and writes them to res/icons/.

Each .ico holds images of 16, 20, 24, 32, 40, 48 and 64 pixels (the small and
large icon sizes at 100 %, 125 %, 150 % and 200 % display scale), 32-bit BGRA
with an alpha channel and an AND mask (the classic bitmap form that every
Windows version and Wine load). The pictures are described as simple shapes in
pixel coordinates, drawn separately for 16 and 32 pixels so that the small
images stay crisp; the other sizes scale the nearest smaller design. Everything
is rasterised with 8x8 samples per pixel for smooth edges. Only the standard library is used
and the output is the same byte for byte on every run.

    python3 scripts/make-icons.py            # (re)write res/icons/*.ico
    python3 scripts/make-icons.py --check    # exit 1 if a file differs
    python3 scripts/make-icons.py --out DIR  # write somewhere else
"""

import argparse
import math
import os
import struct
import sys

SAMPLES = 8  # samples per pixel side


# ---------------------------------------------------------------------------
# Shapes: signed distance functions (negative inside) with a bounding box.

class Shape:
    def __init__(self, dist, bounds):
        self.dist = dist
        self.bounds = bounds  # (x0, y0, x1, y1)

    def grow(self, d):
        """The shape offset outward by d pixels (inward for negative d)."""
        x0, y0, x1, y1 = self.bounds
        m = max(d, 0.0)
        return Shape(lambda x, y: self.dist(x, y) - d, (x0 - m, y0 - m, x1 + m, y1 + m))

    def __or__(self, other):
        a, b = self.bounds, other.bounds
        return Shape(lambda x, y: min(self.dist(x, y), other.dist(x, y)),
                     (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3])))

    def __and__(self, other):
        a, b = self.bounds, other.bounds
        return Shape(lambda x, y: max(self.dist(x, y), other.dist(x, y)),
                     (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3])))

    def __sub__(self, other):
        return Shape(lambda x, y: max(self.dist(x, y), -other.dist(x, y)), self.bounds)


def rect(x0, y0, x1, y1, r=0.0):
    """Rectangle from (x0, y0) to (x1, y1), corners rounded with radius r."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def dist(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return Shape(dist, (x0, y0, x1, y1))


def ellipse(cx, cy, rx, ry):
    def dist(x, y):
        px, py = (x - cx) / rx, (y - cy) / ry
        k0 = math.hypot(px, py)
        k1 = math.hypot(px / rx, py / ry)
        if k1 == 0.0:
            return -min(rx, ry)
        return k0 * (k0 - 1.0) / k1
    return Shape(dist, (cx - rx, cy - ry, cx + rx, cy + ry))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def polygon(points):
    n = len(points)

    def dist(x, y):
        best = float("inf")
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[i - 1]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            best = min(best, math.hypot(wx - ex * t, wy - ey * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -best if inside else best
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return Shape(dist, (min(xs), min(ys), max(xs), max(ys)))


def segment(x0, y0, x1, y1, r):
    """A line from (x0, y0) to (x1, y1) with round ends, r pixels either side."""
    ex, ey = x1 - x0, y1 - y0
    length2 = ex * ex + ey * ey

    def dist(x, y):
        wx, wy = x - x0, y - y0
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, (wx * ex + wy * ey) / length2))
        return math.hypot(wx - ex * t, wy - ey * t) - r
    return Shape(dist, (min(x0, x1) - r, min(y0, y1) - r, max(x0, x1) + r, max(y0, y1) + r))


def half_plane_below(y0):
    """Everything below the line y = y0."""
    return Shape(lambda x, y: y0 - y, (-1e9, y0, 1e9, 1e9))


# ---------------------------------------------------------------------------
# Colours and painting.

def rgb(hex_text, alpha=1.0):
    v = int(hex_text.lstrip("#"), 16)
    return ((v >> 16) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, alpha)


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def vertical(c0, c1, y0, y1):
    """A paint that runs from c0 at y0 to c1 at y1."""
    return lambda x, y: mix(c0, c1, (y - y0) / (y1 - y0))


class Canvas:
    def __init__(self, size, scale=1.0):
        """A canvas of size pixels on which shapes are given in units of 1/scale pixel."""
        self.size = size
        self.scale = scale
        # Premultiplied red, green, blue and alpha in 0..1, row by row from the top.
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]
        step = 1.0 / SAMPLES
        self.offsets = [(i + 0.5) * step for i in range(SAMPLES)]

    def fill(self, shape, paint):
        """Paints the shape with a colour or a function (x, y) -> colour."""
        k = self.scale
        x0, y0, x1, y1 = (v * k for v in shape.bounds)
        px0, py0 = max(0, int(math.floor(x0)) - 1), max(0, int(math.floor(y0)) - 1)
        px1 = min(self.size, int(math.ceil(x1)) + 1)
        py1 = min(self.size, int(math.ceil(y1)) + 1)
        dist = shape.dist
        total = SAMPLES * SAMPLES
        for py in range(py0, py1):
            for px in range(px0, px1):
                hits = 0
                for oy in self.offsets:
                    for ox in self.offsets:
                        if dist((px + ox) / k, (py + oy) / k) <= 0.0:
                            hits += 1
                if hits == 0:
                    continue
                r, g, b, a = paint((px + 0.5) / k, (py + 0.5) / k) if callable(paint) else paint
                sa = a * hits / total
                d = self.pixels[py * self.size + px]
                d[0] = r * sa + d[0] * (1.0 - sa)
                d[1] = g * sa + d[1] * (1.0 - sa)
                d[2] = b * sa + d[2] * (1.0 - sa)
                d[3] = sa + d[3] * (1.0 - sa)

    def outlined(self, shape, line, inner, width=1.0):
        """Fills the shape with `line`, then the shape shrunk by `width` with `inner`."""
        self.fill(shape, line)
        self.fill(shape.grow(-width), inner)

    def bgra_rows(self):
        """Straight (not premultiplied) BGRA bytes, one bytes object per row from the top."""
        rows = []
        for py in range(self.size):
            row = bytearray()
            for px in range(self.size):
                r, g, b, a = self.pixels[py * self.size + px]
                alpha = int(round(a * 255.0))
                if alpha == 0:
                    row += b"\0\0\0\0"
                    continue
                row += bytes(min(255, int(round(c / a * 255.0))) for c in (b, g, r))
                row.append(alpha)
            rows.append(bytes(row))
        return rows


# ---------------------------------------------------------------------------
# The pictures. Each function draws one image of the given size (16 or 32).

NAVY = rgb("#1d3b6e")


def draw_application(c, s):
    """A database cylinder with a small table in front of it."""
    body_light, body_mid, body_dark = rgb("#a9cdf5"), rgb("#5b93d8"), rgb("#2f5fa6")
    top_light, top_dark = rgb("#e6f1fd"), rgb("#b4d2f2")

    if s == 32:
        cx, rx, top_y, bottom_y, ry = 12.0, 10.5, 7.0, 24.5, 4.0
        bands = (13.5, 19.5)
    else:
        cx, rx, top_y, bottom_y, ry = 6.5, 6.0, 4.0, 12.5, 3.0
        bands = (8.5,)

    def body_paint(x, y):
        # Lit from the left: bright a third of the way across, dark at both sides.
        t = (x - (cx - rx)) / (2.0 * rx)
        if t < 0.3:
            return mix(body_mid, body_light, t / 0.3)
        return mix(body_light, body_dark, (t - 0.3) / 0.7)

    body = rect(cx - rx, top_y, cx + rx, bottom_y) | ellipse(cx, bottom_y, rx, ry)
    c.fill(body | ellipse(cx, top_y, rx, ry), NAVY)
    c.fill(rect(cx - rx + 1, top_y, cx + rx - 1, bottom_y) | ellipse(cx, bottom_y, rx - 1, ry - 1),
           body_paint)
    # The bands round the body: lower halves of ellipses.
    for band_y in bands:
        ring = ellipse(cx, band_y, rx - 1, ry - 0.5).grow(0.45 if s == 32 else 0.4) - \
            ellipse(cx, band_y, rx - 1, ry - 0.5).grow(-0.45 if s == 32 else -0.4)
        c.fill(ring & half_plane_below(band_y) & rect(cx - rx + 1, 0, cx + rx - 1, s), rgb("#234c8c"))
    # The top face, with a dark rim in front where it meets the body.
    c.fill(ellipse(cx, top_y, rx - 1, ry - 0.3) & half_plane_below(top_y), rgb("#234c8c"))
    c.fill(ellipse(cx, top_y, rx - 1, ry - 1),
           vertical(top_light, top_dark, top_y - ry, top_y + ry))

    # The table: white cells, a green title row, grey rules.
    if s == 32:
        x0, y0, x1, y1 = 15.0, 16.0, 31.0, 31.0
        c.fill(rect(x0 + 1, y0 + 1, x1 + 1, y1 + 1), (0, 0, 0, 0.22))
        c.fill(rect(x0, y0, x1, y1), rgb("#3b3b3b"))
        c.fill(rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1), rgb("#ffffff"))
        c.fill(rect(x0 + 1, y0 + 1, x1 - 1, y0 + 5), vertical(rgb("#5cc25c"), rgb("#2e8b3a"), y0, y0 + 5))
        for gy in (y0 + 8, y0 + 11):
            c.fill(rect(x0 + 1, gy, x1 - 1, gy + 1), rgb("#9a9a9a"))
        for gx in (x0 + 6, x0 + 11):
            c.fill(rect(gx, y0 + 5, gx + 1, y1 - 1), rgb("#9a9a9a"))
    else:
        x0, y0, x1, y1 = 7.0, 7.0, 16.0, 16.0
        c.fill(rect(x0, y0, x1, y1), rgb("#404040"))
        c.fill(rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1), rgb("#ffffff"))
        c.fill(rect(x0 + 1, y0 + 1, x1 - 1, y0 + 3), rgb("#3aa346"))
        c.fill(rect(x0 + 1, y0 + 5, x1 - 1, y0 + 6), rgb("#9a9a9a"))
        c.fill(rect(x0 + 4, y0 + 3, x0 + 5, y1 - 1), rgb("#9a9a9a"))


def draw_record(c, s):
    """A light record card with green lines."""
    edge = rgb("#6f8193")
    paper = vertical(rgb("#ffffff"), rgb("#e6edf3"), 0, s)
    green = rgb("#2f9e44")
    if s == 32:
        c.fill(rect(3, 6, 31, 28, 2), (0, 0, 0, 0.2))
        c.outlined(rect(2, 5, 30, 27, 2), edge, paper)
        for y, x1 in ((10, 25), (15, 25), (20, 20)):
            c.fill(rect(7, y, x1, y + 2), green)
    else:
        c.outlined(rect(1, 2, 15, 14, 1), edge, paper)
        for y, x1 in ((5, 12), (8, 12), (11, 10)):
            c.fill(rect(4, y, x1, y + 1), green)


def draw_sql_error(c, s):
    """A yellow warning triangle with an exclamation mark."""
    rim = rgb("#9c6b00")
    ink = rgb("#1a1a1a")
    if s == 32:
        corner = 1.6
        tri = polygon([(16.0, 2.0 + corner), (30.5 - corner, 29.5 - corner * 0.6),
                       (1.5 + corner, 29.5 - corner * 0.6)]).grow(corner)
        c.fill(tri, rim)
        c.fill(tri.grow(-1.5), vertical(rgb("#ffe680"), rgb("#f4b400"), 4, 29))
        c.fill(segment(16, 11.5, 16, 19.5, 1.9), ink)
        c.fill(circle(16, 24.5, 2.0), ink)
    else:
        tri = polygon([(8.0, 1.2), (15.6, 14.6), (0.4, 14.6)]).grow(0.4)
        c.fill(tri, rim)
        c.fill(tri.grow(-1.0), vertical(rgb("#ffe680"), rgb("#f4b400"), 2, 14))
        c.fill(rect(7, 5, 9, 10), ink)
        c.fill(rect(7, 11, 9, 13), ink)


def draw_sql_message(c, s):
    """A blue speech bubble with a white 'i'."""
    rim = rgb("#1b4b94")
    fill = vertical(rgb("#6fa8ec"), rgb("#2a64c0"), 0, s * 0.8)
    white = rgb("#ffffff")
    if s == 32:
        bubble = rect(1.5, 2.5, 30.5, 23.5, 6) | polygon([(7, 20), (15, 21), (5, 30.5)])
        c.fill(bubble, rim)
        c.fill(rect(2.5, 3.5, 29.5, 22.5, 5) | polygon([(8, 20), (13.5, 21.5), (6.2, 28)]), fill)
        c.fill(circle(16, 7.8, 2.1), white)
        c.fill(rect(14, 11, 18, 20, 0.5), white)
        c.fill(rect(12.5, 11, 16, 13, 0.5), white)
        c.fill(rect(12.5, 18, 19.5, 20, 0.5), white)
    else:
        bubble = rect(0.5, 1, 15.5, 12, 3) | polygon([(3, 10), (8, 11), (2, 15.5)])
        c.fill(bubble, rim)
        c.fill(rect(1.5, 2, 14.5, 11, 2) | polygon([(3.8, 10.5), (6.5, 11.4), (3.1, 13.6)]), fill)
        c.fill(rect(7, 3, 9, 5), white)
        c.fill(rect(7, 6, 9, 10), white)


ICONS = [
    ("application.ico", draw_application),
    ("record.ico", draw_record),
    ("sql_error.ico", draw_sql_error),
    ("sql_message.ico", draw_sql_message),
]
SIZES = (16, 20, 24, 32, 40, 48, 64)
# The sizes drawn as designed; the others scale the largest of these below them.
DESIGNS = (16, 32)


# ---------------------------------------------------------------------------
# The .ico file: directory, then per image a BITMAPINFOHEADER, the colour bitmap
# (bottom-up BGRA) and the AND mask (1 bit a pixel, rows padded to 32 bits, set
# where the pixel is transparent).

def image_bytes(rows):
    size = len(rows)
    color = b"".join(reversed(rows))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x in range(size):
            if row[x * 4 + 3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(color) + len(mask), 0, 0, 0, 0)
    return header + color + bytes(mask)


def ico_bytes(images):
    """images: list of (size, rows) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, rows in images:
        blob = image_bytes(rows)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def render(draw):
    images = []
    for size in SIZES:
        design = max(d for d in DESIGNS if d <= size)
        canvas = Canvas(size, size / design)
        draw(canvas, design)
        images.append((size, canvas.bgra_rows()))
    return ico_bytes(images)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Draw the program's icons.")
    parser.add_argument("--out", default=os.path.join(here, "..", "res", "icons"),
                        help="folder to write the .ico files to (default: res/icons)")
    parser.add_argument("--check", action="store_true",
                        help="compare with the files in the folder instead of writing them")
    args = parser.parse_args(argv)

    stale = []
    for name, draw in ICONS:
        data = render(draw)
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            os.makedirs(args.out, exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            print("wrote %s (%d bytes)" % (os.path.normpath(path), len(data)))
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
