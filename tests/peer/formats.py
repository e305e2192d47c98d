#!/usr/bin/python3
"""Reference values of the display formats and the per-point conversions, from numpy and
scikit-rf.

    formats.py --write    writes golden/formats.txt
    formats.py --check    recomputes it in memory and compares it with the committed file
                          (same lines, numbers within 1e-12 relative); exit 77 when numpy or
                          scikit-rf is missing

The input is one reflection trace of N points on a linear frequency grid: a mismatched load
behind a 2 ns line with a little loss, plus a small deterministic ripple (an integer sequence
s = (s * 1103515245 + 12345) mod 2^31). |G| stays inside 0.05 .. 0.95 and the phase steps are
far below pi, so unwrapping and the backward-difference group delay are well defined. The
C++ side reads the inputs from the file itself (tests/traces/TraceFormatPeerTest.cpp).

Lines (numbers in Python's shortest repr, which reads back exactly):
    in <i> <f MHz> <re> <im>              the input point i
    db <i> <v>                            20 log10 |G|          (skrf complex_2_db)
    db10 <i> <v>                          10 log10 |G|          (power readings)
    phase <i> <v>                         angle in degrees      (skrf complex_2_degree)
    uphase <i> <v>                        unwrapped phase, deg  (numpy.unwrap)
    gdelay <i> <v>                        group delay in ns: numpy's backward difference of the
                                          unwrapped phase, -dphi / (2 pi df); point 0 repeats 1
    swr <i> <v>                           VSWR                  (skrf Network.s_vswr)
    real <i> <v>, imag <i> <v>, mag <i> <v>
    point <i> <re> <im>                   the Smith and polar formats keep the point
    imp <z0> <i> <re> <im>                impedance             (skrf s2z)
    adm <z0> <i> <re> <im>                admittance 1 / Z
    inv <i> <re> <im>                     1 / G
    conj <i> <re> <im>                    conjugate
    offset <deg> <i> <re> <im>            G e^(+j deg)
    delay <seconds> <i> <re> <im>         G e^(+j 2 pi f tau)
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peerlib  # noqa: E402  (from this folder)

GOLDEN = os.path.join(HERE, "golden", "formats.txt")

N = 101
F_START = 300.0   # MHz
F_STEP = 10.0     # MHz
Z0S = (50.0, 75.0)
OFFSETS = (30.0, -135.5)
DELAYS = (1.5e-9, -3e-10)


def ripple(n):
    s = 7
    out = []
    for _ in range(n):
        s = (s * 1103515245 + 12345) % 2147483648
        out.append(((s >> 8) % 2001) / 1000.0 - 1.0)  # -1 .. 1
    return out


def inputs(np):
    f = np.array([F_START + F_STEP * i for i in range(N)])
    r = ripple(2 * N)
    tau = 2e-9
    loss = np.exp(-0.15 * f / 1000.0)
    load = 0.6 * loss * np.exp(-2j * math.pi * f * 1e6 * tau)
    wobble = np.array(r[0::2]) * 0.05 + 1j * np.array(r[1::2]) * 0.05
    return f, load + 0.2 + wobble


def fmt(x):
    return repr(float(x))


def lines(np, rf):
    f, g = inputs(np)
    out = ["# Display formats from numpy %s and scikit-rf %s (tests/peer/formats.py)"
           % (np.__version__, rf.__version__)]
    for i in range(N):
        out.append("in %d %s %s %s" % (i, fmt(f[i]), fmt(g[i].real), fmt(g[i].imag)))
    mf = rf.mathFunctions
    db = mf.complex_2_db(g)
    db10 = mf.complex_2_db10(g)
    deg = mf.complex_2_degree(g)
    unwrapped = np.unwrap(np.angle(g))
    dphi = np.diff(unwrapped)
    df = np.diff(f) * 1e6
    gd = -dphi / (2 * math.pi * df) * 1e9
    gd = np.concatenate(([gd[0]], gd))
    freq = rf.Frequency.from_f(f, unit="mhz")
    net = rf.Network(frequency=freq, s=g.reshape(-1, 1, 1), z0=50)
    vswr = net.s_vswr[:, 0, 0]
    for i in range(N):
        out.append("db %d %s" % (i, fmt(db[i])))
        out.append("db10 %d %s" % (i, fmt(db10[i])))
        out.append("phase %d %s" % (i, fmt(deg[i])))
        out.append("uphase %d %s" % (i, fmt(np.degrees(unwrapped[i]))))
        out.append("gdelay %d %s" % (i, fmt(gd[i])))
        out.append("swr %d %s" % (i, fmt(vswr[i])))
        out.append("real %d %s" % (i, fmt(g[i].real)))
        out.append("imag %d %s" % (i, fmt(g[i].imag)))
        out.append("mag %d %s" % (i, fmt(mf.complex_2_magnitude(g[i]))))
        out.append("point %d %s %s" % (i, fmt(g[i].real), fmt(g[i].imag)))
    for z0 in Z0S:
        z = rf.network.s2z(g.reshape(-1, 1, 1), z0=z0)[:, 0, 0]
        for i in range(N):
            out.append("imp %s %d %s %s" % (fmt(z0), i, fmt(z[i].real), fmt(z[i].imag)))
            y = 1 / z[i]
            out.append("adm %s %d %s %s" % (fmt(z0), i, fmt(y.real), fmt(y.imag)))
    for i in range(N):
        v = 1 / g[i]
        out.append("inv %d %s %s" % (i, fmt(v.real), fmt(v.imag)))
        c = np.conj(g[i])
        out.append("conj %d %s %s" % (i, fmt(c.real), fmt(c.imag)))
    for d in OFFSETS:
        for i in range(N):
            v = g[i] * np.exp(1j * np.radians(d))
            out.append("offset %s %d %s %s" % (fmt(d), i, fmt(v.real), fmt(v.imag)))
    for tau in DELAYS:
        for i in range(N):
            v = g[i] * np.exp(2j * math.pi * f[i] * 1e6 * tau)
            out.append("delay %s %d %s %s" % (fmt(tau), i, fmt(v.real), fmt(v.imag)))
    return out


def close(a, b):
    x, y = float(a), float(b)
    return abs(x - y) <= 1e-12 * max(abs(x), abs(y), 1e-300) or x == y


def main(argv):
    mode = peerlib.golden_mode(argv, __doc__)
    if mode is None:
        return 2
    np, rf = peerlib.import_numpy_skrf()
    if rf is None:
        return 77
    return peerlib.write_or_check(mode, GOLDEN, lines(np, rf), close,
                                  "numpy %s / scikit-rf %s" % (np.__version__, rf.__version__))


if __name__ == "__main__":
    sys.exit(main(sys.argv))
