#!/usr/bin/python3
"""Touchstone files both ways between the program and scikit-rf.

    touchstone.py --write <touchstone_dump>   writes the golden files (below)
    touchstone.py --check <touchstone_dump>   checks them; exit 77 when scikit-rf is missing

Golden files (tests/peer/golden/):
    touchstone_points.txt         the points the program writes: "<MHz> <S11 re> <S11 im>
                                  <S21 re> <S21 im>", values in shortest form
    touchstone_ours_<form>.s1p    the program's writer (touchstone_dump), S11 only,
    touchstone_ours_<form>.s2p    and all four parameters; form ri, ma, db
    touchstone_skrf_<form>.s1p    written by scikit-rf (one-port in MHz, two-port in GHz)
    touchstone_skrf_<form>.s2p
    touchstone_skrf_values.txt    what scikit-rf reads back from its own files: "<file> <index>
                                  <Hz> <re> <im> ..." (S11, or S11 S21 S12 S22), shortest form;
                                  the program's reader is held to these (model_tests,
                                  Touchstone.ReadsScikitRfFiles)

The check: the program still writes exactly the committed files of its own (byte for byte);
scikit-rf reads them with the points' frequencies exactly and S11, S21 equal to 9 significant
digits; scikit-rf still reads its own committed files as the values file says.
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peerlib  # noqa: E402  (from this folder)

GOLDEN = os.path.join(HERE, "golden")
POINTS = os.path.join(GOLDEN, "touchstone_points.txt")
VALUES = os.path.join(GOLDEN, "touchstone_skrf_values.txt")
FORMS = ("ri", "ma", "db")
OURS = ["touchstone_ours_%s.%s" % (form, ext) for form in FORMS for ext in ("s1p", "s2p")]
SKRF = ["touchstone_skrf_%s.%s" % (form, ext) for form in FORMS for ext in ("s1p", "s2p")]


def points():
    """Eleven points from 100 to 1100 MHz: every quadrant, tiny and unit magnitudes, a zero
    (-400 dB in DB), the negative real axis and a negative zero."""
    import math
    rows = []
    for i in range(11):
        f = 100 + 100 * i
        s11 = complex(0.9 * math.cos(0.7 * i + 0.3), -0.9 * math.sin(0.7 * i + 0.3)) * (0.95 ** i)
        s21 = complex(0.5 * math.sin(1.3 * i), 0.45 * math.cos(1.1 * i + 0.2))
        rows.append([f, s11, s21])
    rows[2][1] = complex(1.2345678901234e-5, -9.87654321e-6)
    rows[3][1] = complex(0.0, 0.0)
    rows[4][1] = complex(-1.0, 0.0)
    rows[5][1] = complex(-0.25, -0.0)
    rows[6][2] = complex(0.0, 0.0)
    rows[7][2] = complex(1.0, -1e-300)
    return rows


def write_points():
    lines = ["# <MHz> <S11 re> <S11 im> <S21 re> <S21 im> (tests/peer/touchstone.py)"]
    for f, s11, s21 in points():
        lines.append("%d %r %r %r %r" % (f, s11.real, s11.imag, s21.real, s21.imag))
    with open(POINTS, "w") as out:
        out.write("\n".join(lines) + "\n")


def read_points():
    rows = []
    with open(POINTS) as src:
        for line in src:
            if line.startswith("#") or not line.strip():
                continue
            v = line.split()
            rows.append((float(v[0]), complex(float(v[1]), float(v[2])), complex(float(v[3]), float(v[4]))))
    return rows


def run_dump(dump, folder):
    subprocess.run([dump, POINTS, folder], check=True)


def skrf_network(numpy, skrf, ports, unit):
    """A network of scikit-rf's own: 7 points, seeded random values, a zero at one point."""
    rng = numpy.random.RandomState(20240305)
    f = skrf.Frequency(0.25, 1.75, 7, unit) if unit == "GHz" else skrf.Frequency(300.5, 1500.5, 7, unit)
    s = rng.uniform(-1, 1, (7, ports, ports)) + 1j * rng.uniform(-1, 1, (7, ports, ports))
    s[3, 0, 0] *= 1e-7
    return skrf.Network(frequency=f, s=s, z0=50, name="peer")


def write_skrf(numpy, skrf):
    lines = ["# what scikit-rf %s reads from its own files (tests/peer/touchstone.py)" % skrf.__version__]
    for name in SKRF:
        form = name.split("_")[2].split(".")[0]
        ports = 1 if name.endswith(".s1p") else 2
        net = skrf_network(numpy, skrf, ports, "MHz" if ports == 1 else "GHz")
        text = net.write_touchstone(return_string=True, form=form)
        with open(os.path.join(GOLDEN, name), "w", newline="\n") as out:
            out.write(text)
        lines.extend(skrf_values(skrf, name))
    with open(VALUES, "w") as out:
        out.write("\n".join(lines) + "\n")


def skrf_values(skrf, name):
    net = skrf.Network(os.path.join(GOLDEN, name))
    out = []
    order = [(0, 0)] if net.nports == 1 else [(0, 0), (1, 0), (0, 1), (1, 1)]  # S11 S21 S12 S22
    for k in range(len(net.f)):
        items = [name, str(k), repr(float(net.f[k]))]
        for m, n in order:
            z = complex(net.s[k, m, n])
            items += [repr(z.real), repr(z.imag)]
        out.append(" ".join(items))
    return out


def check_ours(skrf, folder):
    ok = True
    for name in OURS:
        with open(os.path.join(GOLDEN, name), "rb") as a, open(os.path.join(folder, name), "rb") as b:
            if a.read() != b.read():
                print("%s: the program no longer writes the committed file" % name)
                ok = False
    rows = read_points()
    for name in OURS:
        net = skrf.Network(os.path.join(GOLDEN, name))
        if len(net.f) != len(rows):
            print("%s: %d points, expected %d" % (name, len(net.f), len(rows)))
            ok = False
            continue
        for k, (f, s11, s21) in enumerate(rows):
            if float(net.f[k]) != f * 1e6:
                print("%s: frequency %d is %r, expected %r" % (name, k, float(net.f[k]), f * 1e6))
                ok = False
            wanted = [(s11, (0, 0))] + ([(s21, (1, 0))] if net.nports == 2 else [])
            for value, (m, n) in wanted:
                got = complex(net.s[k, m, n])
                # Nine significant digits of each written number: within 1e-8 of the magnitude
                # (the angle's digits move the value by as much), or -400 dB for a zero.
                if abs(got - value) > 1e-8 * abs(value) + 1e-15:
                    print("%s: S%d%d at %d is %r, expected %r" % (name, m + 1, n + 1, k, got, value))
                    ok = False
            if net.nports == 2:
                for m, n in ((0, 1), (1, 1)):
                    if abs(complex(net.s[k, m, n])) > 1e-15:
                        print("%s: S%d%d at %d is not zero" % (name, m + 1, n + 1, k))
                        ok = False
    return ok


def check_skrf(skrf):
    with open(VALUES) as src:
        committed = [line.rstrip("\n") for line in src if not line.startswith("#")]
    fresh = []
    for name in SKRF:
        fresh.extend(skrf_values(skrf, name))
    if committed != fresh:
        print("scikit-rf reads its committed files differently from the values file")
        return False
    return True


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("--write", "--check"):
        print(__doc__)
        return 2
    numpy, skrf = peerlib.import_numpy_skrf()
    if skrf is None:
        return 77
    dump = sys.argv[2]
    if sys.argv[1] == "--write":
        write_points()
        run_dump(dump, GOLDEN)
        write_skrf(numpy, skrf)
        return 0
    with tempfile.TemporaryDirectory() as folder:
        run_dump(dump, folder)
        ok = check_ours(skrf, folder)
    ok = check_skrf(skrf) and ok
    print("touchstone: %s" % ("ok" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
