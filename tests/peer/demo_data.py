#!/usr/bin/python3
"""Peer check of the demonstration emulator's table against scikit-rf.

    demo_data.py --write             computes the reflection of the table's model with
                                     scikit-rf and writes every 50th row (and the last) to
                                     golden/demo_data.txt
    demo_data.py --check EMULATION   computes it again, compares with the committed golden rows,
                                     then reads the generated "Emulation" file and requires
                                     every row's frequency, level A and unwrapped phase A to
                                     equal scikit-rf's within the table's four decimals;
                                     exit 77 without numpy or scikit-rf

The model (generators/demo_data/DemoData.h): a 50 ohm port, a step to a line whose impedance
makes the connector mismatch 0.05, 1.0 m of that line (velocity factor 0.66, loss 0.3 dB/m at
1 GHz growing with the square root of frequency), ending in a load of reflection 0.2 against
the line. scikit-rf builds the line and the load on a medium of that impedance and
propagation constant and renormalises the result to 50 ohm.

Golden lines: <f MHz> <level A dB> <phase A rad, unwrapped>.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden", "demo_data.txt")

try:
    import numpy
    numpy.complex = complex  # scikit-rf 0.15 still uses the old alias
    import skrf
    from skrf.media import DefinedGammaZ0
except ImportError:
    numpy = None


def frequencies():
    return [0.3] + [float(f) for f in range(5, 14001, 5)]


def model(f_mhz):
    f = numpy.array(f_mhz) * 1e6
    beta = 2 * math.pi * f / (0.66 * 299792458.0)
    alpha = 0.3 * numpy.sqrt(f / 1e9) / (20 / math.log(10))  # dB/m -> Np/m
    gc = 0.05
    z_line = 50 * (1 + gc) / (1 - gc)
    freq = skrf.Frequency.from_f(f, unit="hz")
    medium = DefinedGammaZ0(frequency=freq, z0=z_line, gamma=alpha + 1j * beta)
    network = medium.line(1.0, "m") ** medium.load(0.2)
    network.renormalize(50)
    s11 = network.s[:, 0, 0]
    return 20 * numpy.log10(numpy.abs(s11)), numpy.unwrap(numpy.angle(s11))


def golden_rows(f, level, phase):
    idx = list(range(0, len(f), 50))
    if idx[-1] != len(f) - 1:
        idx.append(len(f) - 1)
    return [(f[i], level[i], phase[i]) for i in idx]


def main():
    if len(sys.argv) < 2 or sys.argv[1] not in ("--write", "--check"):
        print(__doc__)
        return 2
    if numpy is None:
        print("numpy or scikit-rf missing: skipped")
        return 77
    f = frequencies()
    level, phase = model(f)
    rows = golden_rows(f, level, phase)
    if sys.argv[1] == "--write":
        with open(GOLDEN, "w") as out:
            for r in rows:
                out.write("%.1f %.12f %.12f\n" % r)
        return 0
    failures = 0
    with open(GOLDEN) as g:
        golden = [tuple(float(x) for x in line.split()) for line in g if line.strip()]
    if len(golden) != len(rows):
        print("golden file has %d rows, expected %d" % (len(golden), len(rows)))
        return 1
    for (gf, gl, gp), (f0, l0, p0) in zip(golden, rows):
        if gf != f0 or abs(gl - l0) > 1e-9 or abs(gp - p0) > 1e-9:
            print("golden row %.1f differs from scikit-rf: %r vs %r" % (f0, (gl, gp), (l0, p0)))
            failures += 1
    with open(sys.argv[2], "rb") as e:
        text = e.read().decode("ascii")
    lines = text.split("\r\n")
    if lines[-1] != "":
        print("the table does not end in CR LF")
        failures += 1
    lines = lines[:-1]
    if len(lines) != len(f):
        print("the table has %d rows, expected %d" % (len(lines), len(f)))
        return 1
    worst = 0.0
    for i, line in enumerate(lines):
        fields = [float(line[k:k + 12].replace(",", ".")) for k in range(0, 60, 12)]
        if fields[0] != f[i]:
            print("row %d: frequency %r, expected %r" % (i, fields[0], f[i]))
            failures += 1
            continue
        for got, want, what in ((fields[1], level[i], "level A"), (fields[3], phase[i], "phase A")):
            worst = max(worst, abs(got - want))
            if abs(got - want) > 5.1e-5:
                print("row %d (%.1f MHz): %s %r, scikit-rf %r" % (i, f[i], what, got, want))
                failures += 1
    print("%d rows, largest difference %.2e" % (len(lines), worst))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
