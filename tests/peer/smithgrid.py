#!/usr/bin/python3
"""Reference circles of a Smith chart of full scale 1, from impedance arithmetic in numpy.

    smithgrid.py --write    writes golden/smithgrid.txt
    smithgrid.py --check    recomputes it in memory and compares it with the committed file
                            (same lines, numbers within 1e-12); exit 77 when numpy is missing

Every circle is given in the reflection plane (unit circle = |reflection| 1, imaginary part
up). A constant-resistance circle holds the reflections (z - 1) / (z + 1) of z = r + jx for
every x; it is found from three of its points. A constant-reactance circle is that of the
reactance x = Im((1 + g) / (1 - g)) of the unit-circle points g at 150, 120, 90, 60 and 30
degrees, the angles at which the chart's reactance arcs meet the plot circle. The C++ side
(tests/display/ChartAxesTest.cpp) finds each circle among the arcs of a painted chart.

Lines (numbers in shortest form):
    resistance <r> <centre re> <centre im> <radius>
    reactance <x> <centre re> <centre im> <radius>      for x and for -x
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peerlib  # noqa: E402  (from this folder)

GOLDEN = os.path.join(HERE, "golden", "smithgrid.txt")


def circle_through(np, a, b, c):
    """Centre and radius of the circle through three complex points."""
    m = np.array([[a.real, a.imag, 1.0], [b.real, b.imag, 1.0], [c.real, c.imag, 1.0]])
    rhs = -np.array([abs(a) ** 2, abs(b) ** 2, abs(c) ** 2])
    d, e, f = np.linalg.solve(m, rhs)
    centre = complex(-d / 2, -e / 2)
    return centre, float(np.sqrt(abs(centre) ** 2 - f))


def gamma(z):
    return (z - 1) / (z + 1)


def lines(np):
    out = ["# Smith chart circles from numpy %s (tests/peer/smithgrid.py)" % np.__version__]
    for r in (0.2, 0.5, 1.0, 2.0, 5.0):
        centre, radius = circle_through(np, gamma(complex(r, -1.0)), gamma(complex(r, 0.0)), gamma(complex(r, 3.0)))
        out.append("resistance %r %r %r %r" % (r, centre.real, centre.imag, radius))
    for degrees in (150, 120, 90, 60, 30):
        g = np.exp(1j * np.deg2rad(degrees))
        x = float(((1 + g) / (1 - g)).imag)
        for sign in (1.0, -1.0):
            xs = sign * x
            centre, radius = circle_through(np, gamma(complex(0.0, xs)), gamma(complex(1.0, xs)), gamma(complex(4.0, xs)))
            out.append("reactance %r %r %r %r" % (xs, centre.real, centre.imag, radius))
    return out


def main(argv):
    mode = peerlib.golden_mode(argv, __doc__)
    if mode is None:
        return 2
    np = peerlib.import_numpy()
    if np is None:
        return 77
    return peerlib.write_or_check(mode, GOLDEN, lines(np), peerlib.within(1e-12), "numpy %s" % np.__version__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
