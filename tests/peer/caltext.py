#!/usr/bin/python3
"""Peer check of the calibration text export: the numbers of each data line against Python's
C-style formatting ('%.12g' for the frequency in hertz, '%.9g' for each term part).

    caltext.py --write        writes golden/caltext_values.txt (the sample values) and
                              golden/caltext_expected.txt (the file the export should write)
    caltext.py --check DUMP   recomputes both and compares with the committed files, runs the
                              C++ helper DUMP (tests/peer/caltext_dump.cpp) on the values and
                              compares its file with the expected one byte for byte

The values cover many magnitudes, both signs, negative zero, the smallest subnormal and
numbers whose rounding to 9 or 12 digits carries into a new digit.
"""
import os
import random
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
VALUES = os.path.join(HERE, "golden", "caltext_values.txt")
EXPECTED = os.path.join(HERE, "golden", "caltext_expected.txt")
SECTION = "Channel0\\Correction\\11"


def sample_rows():
    rng = random.Random(20261210)
    special = [0.0, -0.0, 5e-324, -2.2250738585072014e-308, 0.1 + 0.2, 1e15, -123456789012.5,
               0.9999999995, 9.9999999995e-5, 1.7976931348623157e308, 999999999.5, -1e-300]
    rows = []
    f = 0.3
    for i in range(120):
        f += rng.choice([1e-6, 0.001, 0.123456789, 7.77, 50.0, 0.0])  # equal frequencies too
        terms = []
        for k in range(6):
            if rng.random() < 0.25:
                terms.append(rng.choice(special))
            else:
                terms.append(rng.choice([-1, 1]) * rng.random() * 10 ** rng.randint(-30, 30))
        rows.append([f] + terms)
    rows.append([14000.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0])
    return rows


def values_text(rows):
    return "".join(" ".join(repr(x) for x in r) + "\n" for r in rows)


def expected_text(rows):
    lines = ["[" + SECTION + "]", "CorName=F1", "DataTime=2026-12-10 16:30:00", "KitLabel=Peer kit",
             "CalIFBW=300", "Power=High", "CalPoints=%d" % len(rows), "", "[" + SECTION + "\\Data]"]
    for r in rows:
        lines.append(" ".join(["%.12g" % (r[0] * 1e6)] + ["%.9g" % x for x in r[1:]]))
    lines.append("")
    return "".join(line + "\r\n" for line in lines)


def main():
    rows = sample_rows()
    values = values_text(rows)
    expected = expected_text(rows)
    if len(sys.argv) == 2 and sys.argv[1] == "--write":
        with open(VALUES, "w", newline="") as f:
            f.write(values)
        with open(EXPECTED, "w", newline="", encoding="utf-8") as f:
            f.write(expected)
        return 0
    if len(sys.argv) != 3 or sys.argv[1] != "--check":
        print(__doc__)
        return 2
    bad = 0
    with open(VALUES, newline="") as f:
        if f.read() != values:
            print("MISMATCH", VALUES)
            bad += 1
    with open(EXPECTED, newline="", encoding="utf-8") as f:
        if f.read() != expected:
            print("MISMATCH", EXPECTED)
            bad += 1
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "export.cal")
        subprocess.run([sys.argv[2], VALUES, out], check=True)
        with open(out, newline="", encoding="utf-8") as f:
            ours = f.read()
    if ours != expected:
        for a, b in zip(ours.split("\r\n"), expected.split("\r\n")):
            if a != b:
                print("ours:   ", a)
                print("python: ", b)
                break
        bad += 1
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
