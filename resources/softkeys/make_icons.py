#!/usr/bin/env python3
"""Draws the fifteen soft-key pictures: 32 by 32 pixels, black on white, one XPM file each.

    make_icons.py [OUTPUT_FOLDER]

The pictures are drawn here from a few plain shapes (lines, rectangles, circles, polygons),
so they can be changed by editing this script and running it again; the XPM files it writes
are committed beside it and embedded into the program by SoftKeyIcons.cmake. Only the
standard library is used. The output is the same on every run.
"""
import math
import os
import sys

SIZE = 32


class Picture:
    def __init__(self):
        self.px = [[0] * SIZE for _ in range(SIZE)]

    def set(self, x, y, on=1):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = on

    def clear(self, x, y):
        self.set(x, y, 0)

    def line(self, x1, y1, x2, y2, width=1, on=1):
        """A line with both end points, `width` pixels thick (a square pen)."""
        dx, dy = abs(x2 - x1), -abs(y2 - y1)
        sx, sy = (1 if x1 < x2 else -1), (1 if y1 < y2 else -1)
        err = dx + dy
        x, y = x1, y1
        lo, hi = -(width // 2), (width - 1) // 2
        while True:
            for ox in range(lo, hi + 1):
                for oy in range(lo, hi + 1):
                    self.set(x + ox, y + oy, on)
            if x == x2 and y == y2:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x += sx
            if e2 <= dx:
                err += dx
                y += sy

    def polyline(self, points, width=1, on=1):
        for (a, b) in zip(points, points[1:]):
            self.line(a[0], a[1], b[0], b[1], width, on)

    def rect(self, x1, y1, x2, y2, on=1):
        """Outline of the rectangle with corners (x1, y1) and (x2, y2), both included."""
        self.line(x1, y1, x2, y1, 1, on)
        self.line(x1, y2, x2, y2, 1, on)
        self.line(x1, y1, x1, y2, 1, on)
        self.line(x2, y1, x2, y2, 1, on)

    def fill(self, x1, y1, x2, y2, on=1):
        for y in range(y1, y2 + 1):
            for x in range(x1, x2 + 1):
                self.set(x, y, on)

    def disc(self, cx, cy, r, on=1):
        for y in range(SIZE):
            for x in range(SIZE):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, on)

    def ring(self, cx, cy, r_out, r_in, on=1):
        for y in range(SIZE):
            for x in range(SIZE):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if r_in * r_in < d <= r_out * r_out:
                    self.set(x, y, on)

    def oval(self, cx, cy, rx, ry, thickness, on=1):
        """An elliptic ring of the given thickness, sampled at pixel centres."""
        for y in range(SIZE):
            for x in range(SIZE):
                u, v = x + 0.5 - cx, y + 0.5 - cy
                outer = (u / rx) ** 2 + (v / ry) ** 2 <= 1
                inner = (u / (rx - thickness)) ** 2 + (v / (ry - thickness)) ** 2 < 1
                if outer and not inner:
                    self.set(x, y, on)

    def polygon(self, points, on=1):
        """Filled by the even-odd rule, sampled at pixel centres."""
        n = len(points)
        for y in range(SIZE):
            yc = y + 0.5
            xs = []
            for i in range(n):
                (x1, y1), (x2, y2) = points[i], points[(i + 1) % n]
                if (y1 <= yc < y2) or (y2 <= yc < y1):
                    xs.append(x1 + (yc - y1) * (x2 - x1) / (y2 - y1))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(SIZE):
                    if a <= x + 0.5 <= b:
                        self.set(x, y, on)

    def xpm(self, name):
        rows = ['"%s"' % "".join("#" if v else "." for v in row) for row in self.px]
        return ("/* XPM */\nstatic const char* %s[] = {\n\"32 32 2 1\",\n\". c #FFFFFF\",\n"
                "\"# c #000000\",\n%s\n};\n" % (name, ",\n".join(rows)))


def measurement():
    """A bulleted list."""
    p = Picture()
    for i in range(4):
        y = 5 + i * 7
        p.fill(3, y, 6, y + 3)
        p.fill(10, y + 1, 28, y + 2)
    return p


def calibration():
    """A zero between two arrowheads pointing at it."""
    p = Picture()
    p.polygon([(1, 8), (9, 16), (1, 24)])
    p.polygon([(31, 8), (23, 16), (31, 24)])
    p.oval(16, 16, 5.5, 8.5, 2.2)
    return p


def average():
    """A funnel."""
    p = Picture()
    p.polygon([(3, 4), (29, 4), (18, 17), (18, 28), (14, 26), (14, 17)])
    p.polygon([(7, 7), (25, 7), (16, 16)], 0)
    return p


def marker():
    """A pencil, lying from the lower left to the upper right."""
    p = Picture()
    p.polygon([(4, 28), (6, 21), (23, 4), (28, 9), (11, 26)])
    p.polygon([(8, 22), (24, 6), (26, 8), (10, 24)], 0)
    p.line(20, 7, 25, 12)
    p.polygon([(4, 28), (5, 24.5), (7.5, 27)])
    return p


def analysis():
    """A calculator."""
    p = Picture()
    p.rect(6, 2, 25, 29)
    p.rect(7, 3, 24, 28)
    p.fill(9, 5, 22, 10)
    p.fill(11, 7, 20, 8, 0)
    for row in range(4):
        for col in range(4):
            x = 9 + col * 4
            y = 13 + row * 4
            p.fill(x, y, x + 1, y + 1)
    return p


def files():
    """A floppy disk."""
    p = Picture()
    p.polygon([(3, 3), (26, 3), (29, 6), (29, 29), (3, 29)])
    p.fill(9, 3, 22, 11, 0)
    p.fill(17, 5, 20, 9)
    p.fill(7, 16, 25, 29, 0)
    p.fill(9, 19, 23, 19)
    p.fill(9, 22, 23, 22)
    p.fill(9, 25, 23, 25)
    return p


def print_():
    """A printer with a sheet."""
    p = Picture()
    p.rect(9, 2, 22, 11)
    p.rect(2, 11, 29, 23)
    p.rect(3, 12, 28, 22)
    p.fill(24, 14, 26, 15)
    p.fill(8, 19, 23, 29, 0)
    p.rect(8, 19, 23, 29)
    p.fill(11, 22, 20, 22)
    p.fill(11, 25, 20, 25)
    return p


def stimulus():
    """A ruler with a play triangle above it."""
    p = Picture()
    p.polygon([(11, 2), (11, 14), (22, 8)])
    p.rect(1, 18, 30, 28)
    p.rect(2, 19, 29, 27)
    for i, x in enumerate(range(5, 29, 3)):
        p.line(x, 20, x, 22 if i % 2 else 24)
    return p


def scale():
    """A T-square."""
    p = Picture()
    p.fill(2, 3, 29, 8)
    p.fill(12, 8, 18, 30)
    p.fill(14, 10, 16, 28, 0)
    for y in range(12, 28, 4):
        p.line(14, y, 15, y)
    return p


def channels():
    """Two overlapping windows."""
    p = Picture()
    p.fill(2, 3, 20, 6)
    p.rect(2, 3, 20, 18)
    p.fill(3, 7, 19, 17, 0)
    p.fill(10, 11, 29, 29, 0)
    p.fill(10, 11, 29, 14)
    p.rect(10, 11, 29, 29)
    p.rect(11, 15, 28, 28, 0)
    return p


def trace():
    """A sine wave over a bar."""
    p = Picture()
    pts = [(x, int(round(12 - 8 * math.sin((x - 2) * 2 * math.pi / 28)))) for x in range(2, 31)]
    p.polyline(pts, 2)
    p.fill(2, 25, 29, 28)
    return p


def dtf_settings():
    """A coaxial connector: a nut with the centre pin, and the cable leaving it."""
    p = Picture()
    hexagon = [(16 + 11 * math.cos(math.radians(a)), 13 + 11 * math.sin(math.radians(a)))
               for a in range(0, 360, 60)]
    p.polygon(hexagon)
    p.disc(16, 13, 6.5, 0)
    p.ring(16, 13, 6.5, 4.5)
    p.disc(16, 13, 1.6)
    p.fill(13, 24, 19, 30)
    return p


def gear(p, cx, cy, r_body, r_hole, teeth, tooth_len, phase):
    p.disc(cx, cy, r_body)
    for k in range(teeth):
        a = phase + k * 2 * math.pi / teeth
        x1, y1 = cx + r_body * math.cos(a), cy + r_body * math.sin(a)
        x2, y2 = cx + (r_body + tooth_len) * math.cos(a), cy + (r_body + tooth_len) * math.sin(a)
        p.line(int(round(x1)), int(round(y1)), int(round(x2)), int(round(y2)), 3)
    p.disc(cx, cy, r_hole, 0)


def system():
    """Two gears."""
    p = Picture()
    gear(p, 10, 10, 5.5, 2.2, 8, 3, 0.2)
    gear(p, 23, 23, 4.5, 1.8, 6, 3, 0.5)
    return p


def run_standby():
    """A chequered flag on its pole."""
    p = Picture()
    p.fill(4, 2, 5, 30)
    for row in range(3):
        for col in range(4):
            x = 6 + col * 6
            y = 3 + row * 5
            if (row + col) % 2 == 0:
                p.fill(x, y, x + 5, y + 4)
    p.rect(6, 3, 29, 17)
    return p


def service():
    """A hammer and a wrench, crossed."""
    p = Picture()
    # The wrench: handle from the lower left to an open jaw at the upper right.
    p.line(5, 27, 21, 11, 4)
    p.disc(23.5, 8.5, 6)
    p.polygon([(23.5, 8.5), (31, 1), (31, 6), (28, 9)], 0)
    p.polygon([(23.5, 8.5), (31, 1), (26, 1), (23, 4)], 0)
    p.disc(25.5, 6.5, 2, 0)
    # The hammer: handle from the lower right to a head at the upper left.
    p.line(27, 27, 11, 11, 3)
    p.polygon([(2, 10), (10, 2), (15, 7), (7, 15)])
    return p


ICONS = [
    ("softkey_measurement.xpm", measurement),
    ("softkey_calibration.xpm", calibration),
    ("softkey_average.xpm", average),
    ("softkey_marker.xpm", marker),
    ("softkey_analysis.xpm", analysis),
    ("softkey_files.xpm", files),
    ("softkey_print.xpm", print_),
    ("softkey_stimulus.xpm", stimulus),
    ("softkey_scale.xpm", scale),
    ("softkey_channels.xpm", channels),
    ("softkey_trace.xpm", trace),
    ("softkey_dtf_settings.xpm", dtf_settings),
    ("softkey_system.xpm", system),
    ("softkey_run_standby.xpm", run_standby),
    ("softkey_service.xpm", service),
]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for file_name, draw in ICONS:
        name = os.path.splitext(file_name)[0]
        with open(os.path.join(out, file_name), "w", encoding="ascii", newline="\n") as f:
            f.write(draw().xpm(name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
