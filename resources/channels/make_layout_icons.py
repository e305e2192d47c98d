#!/usr/bin/env python3
"""Draws the three channel-layout pictures of the Channels dialog: 59 by 25 pixels, black on
white, one XPM file each: "x1" beside one pane, "x2" beside two panes one above the other, and
"x4" beside four panes in two rows.

    make_layout_icons.py [OUTPUT_FOLDER]

The XPM files it writes are committed beside it and built into the program by
LayoutIcons.cmake. Only the standard library is used; the output is the same on every run.
"""
import os
import sys

WIDTH, HEIGHT = 59, 25

# A 5 by 7 pixel font of the few characters needed.
GLYPHS = {
    "x": [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
}


class Picture:
    def __init__(self):
        self.px = [[0] * WIDTH for _ in range(HEIGHT)]

    def set(self, x, y):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            self.px[y][x] = 1

    def rect(self, x1, y1, x2, y2):
        """Outline with both corners included."""
        for x in range(x1, x2 + 1):
            self.set(x, y1)
            self.set(x, y2)
        for y in range(y1, y2 + 1):
            self.set(x1, y)
            self.set(x2, y)

    def text(self, x, y, s, scale=2):
        for ch in s:
            for row, line in enumerate(GLYPHS[ch]):
                for col, c in enumerate(line):
                    if c == "#":
                        for dx in range(scale):
                            for dy in range(scale):
                                self.set(x + col * scale + dx, y + row * scale + dy)
            x += 6 * scale

    def xpm(self, name):
        lines = ["/* XPM */", "static const char* %s[] = {" % name,
                 '"%d %d 2 1",' % (WIDTH, HEIGHT), '". c #FFFFFF",', '"# c #000000",']
        rows = ['"%s"' % "".join("#" if v else "." for v in row) for row in self.px]
        lines.append(",\n".join(rows))
        lines.append("};")
        return "\n".join(lines) + "\n"


def draw(count):
    p = Picture()
    p.text(3, 5, "x%d" % count)
    # The screen: panes from x 30 to 55, y 2 to 22.
    left, top, right, bottom = 30, 2, 55, 22
    p.rect(left, top, right, bottom)
    if count >= 2:
        mid = (top + bottom) // 2
        for x in range(left, right + 1):
            p.set(x, mid)
    if count == 4:
        mid = (left + right) // 2
        for y in range(top, bottom + 1):
            p.set(mid, y)
    return p


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for count in (1, 2, 4):
        name = "channels_x%d" % count
        with open(os.path.join(out, name + ".xpm"), "w") as f:
            f.write(draw(count).xpm(name))


if __name__ == "__main__":
    main()
