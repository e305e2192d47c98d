#!/usr/bin/python3
"""Reference error terms of a one-port calibration, from scikit-rf and numpy.

    errorterms.py --write    writes golden/errorterms.txt
    errorterms.py --check    recomputes it in memory and compares it with the committed file
                             (same lines, values within 1e-13); exit 77 when scikit-rf or numpy
                             is missing

Readings come from seeded terms (Ed, Er, Es) through m = Ed + Er G / (1 - Es G), with seeded
standard values G; scikit-rf solves them back independently of those terms.

Lines (numbers in shortest form, complex values as two numbers re im):
    f1 <ms> <mo> <ml> <gs> <go> <gl> <er> <ed> <es>
        Short, Open and Load readings and values; terms of skrf.calibration.OnePort
    wls <m0..m4> <g0..g4> <er> <ed> <es>
        five noisy readings (rows Short, Open, Open2, Load, Load2) and their values; the
        weighted least-squares terms of numpy: rows A = (1, g m, -g), y = m, weights
        W[j] = sum_q |m_j - m_q| / (0.001 |m_j|^2 + 0.001), x = (A^H W A)^-1 A^H W y,
        Ed = x0, Es = x1, Er = x0 x1 - x2
    op <ms> <mo> <ml> <m11> <m21> <gs> <go> <gl> <t> <er> <ed> <es> <et>
        one-path two-port at 1, 2, ... 12 MHz: Short, Open and Load readings on port 1, the
        Thru's reflection m11 and transmission m21 (its far end sees a seeded load match), the
        standards' values (t: S21 of a matched Thru); terms of skrf.calibration.TwoPortOnePath
        (forward reflection tracking, directivity, source match, transmission tracking)
"""
import os
import sys
import warnings

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peerlib  # noqa: E402  (from this folder)

GOLDEN = os.path.join(HERE, "golden", "errorterms.txt")


def text(z):
    return "%r %r" % (float(z.real), float(z.imag))


def lines(rf, np):
    from skrf.calibration import OnePort
    rng = np.random.RandomState(1234)
    polar = peerlib.random_polar(np, rng)

    n = 12
    freq = rf.Frequency(1, n, n, unit="MHz")
    er, ed, es = polar(0.3, 1.2, n), polar(0.01, 0.2, n), polar(0.01, 0.3, n)
    gs = polar(0.9, 1.0, n)
    go = polar(0.9, 1.0, n)
    gl = polar(0.0, 0.1, n)

    def forward(g):
        return ed + er * g / (1 - es * g)

    def net(values):
        return rf.Network(frequency=freq, s=values.reshape(n, 1, 1), z0=50)

    ideals = [net(gs), net(go), net(gl)]
    measured = [net(forward(gs)), net(forward(go)), net(forward(gl))]
    cal = OnePort(measured=measured, ideals=ideals)
    cal.run()
    coefs = cal.coefs
    out = []
    for i in range(n):
        values = [forward(gs)[i], forward(go)[i], forward(gl)[i], gs[i], go[i], gl[i],
                  coefs["reflection tracking"][i], coefs["directivity"][i], coefs["source match"][i]]
        out.append("f1 " + " ".join(text(v) for v in values))

    for _ in range(6):
        g = np.concatenate([polar(0.9, 1.0, 1), polar(0.9, 1.0, 1), polar(0.3, 0.7, 1), polar(0.0, 0.1, 1),
                            polar(0.2, 0.5, 1)])
        e_r, e_d, e_s = polar(0.3, 1.2, 1)[0], polar(0.01, 0.2, 1)[0], polar(0.01, 0.3, 1)[0]
        m = e_d + e_r * g / (1 - e_s * g) + (rng.normal(0, 1e-3, 5) + 1j * rng.normal(0, 1e-3, 5))
        a = np.stack([np.ones(5), g * m, -g], axis=1)
        w = np.diag([np.sum(np.abs(m[j] - m)) / (0.001 * abs(m[j]) ** 2 + 0.001) for j in range(5)])
        ah = a.conj().T
        x = np.linalg.solve(ah @ w @ a, ah @ w @ m)
        values = list(m) + list(g) + [x[0] * x[1] - x[2], x[0], x[1]]
        out.append("wls " + " ".join(text(v) for v in values))
    return out + one_path_lines(rf, np)


def one_path_lines(rf, np):
    from skrf.calibration import TwoPortOnePath
    rng = np.random.RandomState(4321)
    polar = peerlib.random_polar(np, rng)

    n = 12
    freq = rf.Frequency(1, n, n, unit="MHz")
    er, ed, es = polar(0.3, 1.2, n), polar(0.01, 0.2, n), polar(0.01, 0.3, n)
    et, el = polar(0.2, 1.0, n), polar(0.01, 0.3, n)
    gs, go, gl = polar(0.9, 1.0, n), polar(0.9, 1.0, n), polar(0.0, 0.1, n)
    t = polar(0.7, 1.0, n)

    def forward(g):
        return ed + er * g / (1 - es * g)

    def two_port(s11, s21, s12, s22):
        s = np.zeros((n, 2, 2), dtype=complex)
        s[:, 0, 0], s[:, 1, 0], s[:, 0, 1], s[:, 1, 1] = s11, s21, s12, s22
        return rf.Network(frequency=freq, s=s, z0=50)

    zero = np.zeros(n, dtype=complex)
    # The Thru's input reflection is the load match seen through the line; its transmission
    # carries the source-match interaction. The reverse readings mirror the forward ones (the
    # one-path calibration copies its forward terms over the reverse ones).
    gin = t * t * el
    m11 = forward(gin)
    m21 = et * t / (1 - es * gin)
    reflects = [gs, go, gl]
    measured = [two_port(forward(g), zero, zero, forward(g)) for g in reflects] + [two_port(m11, m21, m21, m11)]
    ideals = [two_port(g, zero, zero, g) for g in reflects] + [two_port(zero, t, t, zero)]
    cal = TwoPortOnePath(measured=measured, ideals=ideals, n_thrus=1, source_port=1)
    cal.run()
    c = cal.coefs
    out = []
    for i in range(n):
        values = [forward(gs)[i], forward(go)[i], forward(gl)[i], m11[i], m21[i], gs[i], go[i], gl[i], t[i],
                  c["forward reflection tracking"][i], c["forward directivity"][i], c["forward source match"][i],
                  c["forward transmission tracking"][i]]
        out.append("op " + " ".join(text(v) for v in values))
    return out


def same(x, y):
    return not abs(x - y) > 1e-13 * max(1.0, abs(y))


def main(argv):
    mode = peerlib.golden_mode(argv, __doc__)
    if mode is None:
        return 2
    warnings.simplefilter("ignore")
    np, rf = peerlib.import_numpy_skrf()
    if rf is None:
        return 77
    return peerlib.write_or_check(mode, GOLDEN, lines(rf, np), same, "scikit-rf %s" % rf.__version__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
