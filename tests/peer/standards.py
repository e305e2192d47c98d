#!/usr/bin/python3
"""Reference values of the calibration standards' models, from scikit-rf.

    standards.py --write    writes golden/standards.txt
    standards.py --check    recomputes it in memory and compares it with the committed file
                            (same lines, values within 1e-13); exit 77 when scikit-rf or numpy
                            is missing

Each standard is a lumped termination behind a lossy offset line, referred to the reference
impedance zref. The termination is a one-port of zref with the reflection of its impedance:
jwL(f) for a short (L(f) = L0 + L1 f + L2 f^2 + L3 f^3), 1/(jwC(f)) for an open (likewise), a
matched load for a load. The offset line of delay tau, impedance z0 and loss R (ohm/s at 1 GHz)
is one metre of scikit-rf's DefinedGammaZ0 medium with

    s = sqrt(f / 1 GHz), alpha = s R tau / (2 z0), beta = w tau + alpha,
    gamma = alpha + j beta (per metre), Zc = z0 + (1 - j) (R / (2 w)) s;

the standard is that line cascaded with the termination (S11), the Thru the line alone (S21).
A line of zero delay is no line: the standard is its termination (the Thru: 1).

The line between ports of zref is built twice. The golden value comes from the matched line of
impedance Zc embedded between impedance steps to zref (Media.line(..., z0=Zc, embed=True)),
which scikit-rf cascades in S-parameters. The same line with its ports of Zc renormalised to
zref with s_def='pseudo' must agree with it to 1e-9 (power waves would differ by about 1e-3);
that route goes through Z-parameters, which lose digits on lines of a few femtoseconds, so it
checks the construction but does not give the golden digits.

Lines (numbers in shortest form, f in Hz):
    kit <position> <standard 0..3> <zref> <f> <re> <im>
        standard i of the built-in kit at that position (1..16; 15 is the service-mode kit),
        with the values of the kit table below
    case <kind S|O|L|T> <zref> <f> <delay> <z0> <loss> <k0> <k1> <k2> <k3> <re> <im>
        one standard of its own (k: the L coefficients of a short, the C ones of an open)
"""
import os
import sys
import warnings

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peerlib  # noqa: E402  (from this folder)

GOLDEN = os.path.join(HERE, "golden", "standards.txt")

FREQUENCIES = (85e6, 300e6, 1e9, 2.45e9, 5.4e9, 8.5e9, 14e9)
ZREFS = (50.0, 75.0)


def line(delay, z0, loss):
    return {"delay": delay, "z0": z0, "loss": loss, "k": (0.0, 0.0, 0.0, 0.0)}


def with_k(delay, z0, loss, k0, k1, k2, k3):
    d = line(delay, z0, loss)
    d["k"] = (k0, k1, k2, k3)
    return d


def ideal(z0):
    return [line(0, z0, 0)] * 4


# The built-in kits by position: Short, Open, Load, Thru.
KITS = {
    1: ideal(50),
    2: ideal(75),
    3: [line(5.0368e-11, 50, 0), line(4.1095e-11, 50, 0), line(0, 50, 0), line(0, 50, 0)],
    4: [line(5.0368e-11, 50, 0),
        with_k(4.1095e-11, 50, 0, 1.9951e-13, 1.3274e-25, -2.1797e-34, 2.627e-44),
        line(0, 50, 0), line(0, 50, 0)],
    5: [line(9.3e-14, 50, 7e8),
        with_k(-1.368e-11, 50, 7e8, 1.191e-13, -3.7e-26, 2.63e-35, 5.5e-45),
        line(0, 50, 0), line(0, 50, 0)],
    6: [line(1.782e-11, 50, 2.1e9),
        with_k(1.74e-11, 50, 7e8, 6.414e-14, -1.4307e-25, 8.292e-35, 7.6e-46),
        line(0, 50, 0), line(0, 50, 0)],
    7: [line(9.3e-14, 49.992, 7e8),
        with_k(0, 50, 7e8, 1.1909e-13, -3.6955e-26, 2.6258e-35, 5.5136e-45),
        line(0, 50, 7e8), line(0, 50, 7e8)],
    8: [line(1.7817e-11, 50.209, 2.1002e9),
        with_k(1.7411e-11, 50, 7e8, 6.214e-14, -1.4307e-25, 8.292e-35, 7.6e-46),
        line(0, 50, 7e8), line(0, 50, 7e8)],
    9: [line(0, 75, 1.13e9),
        with_k(0, 75, 1.13e9, 6.35e-14, 8.4e-26, 5.6e-35, 0),
        line(0, 75, 1.13e9), line(0, 75, 1.13e9)],
    10: [line(1.7544e-11, 75, 1.13e9),
         with_k(1.7544e-11, 75, 1.13e9, 4.1e-14, 4e-26, 5e-36, 0),
         line(0, 75, 1.13e9), line(0, 75, 1.13e9)],
    11: [with_k(4.5955e-11, 49.992, 1.087e9, 3.3998e-12, -4.96481e-22, 3.48314e-32, -7.847e-43),
         with_k(4.119e-11, 50, 9.3e8, 8.9939e-14, 2.5368e-24, -2.6499e-34, 1.34e-44),
         line(0, 50, 0), line(0, 50, 0)],
    13: [line(3.7371e-11, 50, 0),
         with_k(3.7371e-11, 50, 0, -1.30263e-14, 1.25153e-25, 2.94755e-33, -4.08224e-43),
         line(0, 50, 0), line(8.3e-11, 50, 7e8)],
    15: [line(8.3e-14, 50, 2.1002e9),
         with_k(-8.3e-14, 50, 7e8, 6.214e-14, -1.4307e-25, 8.292e-35, 7.6e-46),
         line(0, 50, 7e8), line(0, 50, 7e8)],
    16: ideal(50),
}
KITS[12] = KITS[11]
KITS[14] = KITS[13]

KINDS = "SOLT"  # standards 0..3

# Standards of their own: a 75 ohm load behind a delay (matched and mismatched spots), heavy
# loss, a mismatched thru, a negative delay, reference impedances at both ends of the range.
CASES = [
    ("L", 50.0, 7.5e8, 3.3333333333333335e-10, 75, 0, (0, 0, 0, 0)),
    ("L", 50.0, 1.5e9, 3.3333333333333335e-10, 75, 0, (0, 0, 0, 0)),
    ("L", 50.0, 3.75e8, 3.3333333333333335e-10, 75, 0, (0, 0, 0, 0)),
    ("S", 25.0, 2.4e9, 6.2e-11, 30, 5e9, (2e-12, -1e-22, 1e-32, 0)),
    ("O", 200.0, 6e9, 2.5e-11, 120, 3e9, (5e-14, 1e-25, -3e-35, 2e-45)),
    ("O", 5.0, 1.2e9, -2e-11, 50, 7e8, (1e-13, 0, 0, 0)),
    ("S", 250.0, 9e9, 1e-10, 75, 2e9, (0, 0, 0, 0)),
    ("T", 50.0, 4e9, 8.3e-11, 30, 7e8, (0, 0, 0, 0)),
    ("T", 75.0, 1.3e10, 2e-10, 50, 2.1e9, (0, 0, 0, 0)),
    ("T", 5.0, 1e8, 1e-9, 250, 0, (0, 0, 0, 0)),
    ("L", 100.0, 2.7e9, 4.4e-11, 50, 1.1e9, (0, 0, 0, 0)),
]


def termination(np, kind, zref, f, k):
    """Reflection of the lumped termination against zref."""
    w = 2 * np.pi * f
    poly = k[0] + k[1] * f + k[2] * f ** 2 + k[3] * f ** 3
    if kind == "S":
        z = 1j * w * poly
        return (z - zref) / (z + zref)
    if kind == "O":
        gl = np.ones(len(f), dtype=complex)
        nonzero = poly != 0
        z = 1 / (1j * w[nonzero] * poly[nonzero])
        gl[nonzero] = (z - zref) / (z + zref)
        return gl
    return np.zeros(len(f), dtype=complex)


def standard_values(rf, np, kind, zref, f, delay, z0, loss, k):
    """The model value at the frequencies f (numpy array) through scikit-rf networks."""
    from skrf.media import DefinedGammaZ0
    gl = termination(np, kind, zref, f, k)
    if delay == 0:
        return np.ones(len(f), dtype=complex) if kind == "T" else gl
    freq = rf.Frequency.from_f(f, unit="hz")
    w = 2 * np.pi * f
    s = np.sqrt(f * 1e-9)
    alpha = s * loss * delay / (2 * z0)
    beta = w * delay + alpha
    gamma = alpha + 1j * beta
    zc = z0 + (1 - 1j) * (loss / (2 * w)) * s

    medium = DefinedGammaZ0(freq, z0=zref, gamma=gamma, Z0=zc)
    embedded = medium.line(1, "m", z0=zc, embed=True)
    renormalised = DefinedGammaZ0(freq, z0=zc, gamma=gamma, Z0=zc).line(1, "m")
    renormalised.renormalize(zref, s_def="pseudo")
    if kind == "T":
        value, check = embedded.s[:, 1, 0], renormalised.s[:, 1, 0]
    else:
        load = medium.load(gl)
        value, check = (embedded ** load).s[:, 0, 0], (renormalised ** load).s[:, 0, 0]
    worst = float(np.max(np.abs(value - check)))
    if worst > 1e-9:
        raise SystemExit("the two constructions of the line differ by %g" % worst)
    return value


def lines(rf, np):
    out = ["# Standard models from scikit-rf %s and numpy %s (tests/peer/standards.py)"
           % (rf.__version__, np.__version__)]
    f = np.array(FREQUENCIES)
    for position in sorted(KITS):
        for index, std in enumerate(KITS[position]):
            for zref in ZREFS:
                v = standard_values(rf, np, KINDS[index], zref, f, std["delay"], std["z0"], std["loss"], std["k"])
                for fi, vi in zip(FREQUENCIES, v):
                    out.append("kit %d %d %r %r %r %r" % (position, index, zref, fi, float(vi.real), float(vi.imag)))
    for kind, zref, fi, delay, z0, loss, k in CASES:
        v = standard_values(rf, np, kind, zref, np.array([fi]), delay, float(z0), float(loss),
                            tuple(float(x) for x in k))[0]
        out.append("case %s %r %r %r %r %r %r %r %r %r %r %r" % (
            kind, zref, fi, delay, float(z0), float(loss), *(float(x) for x in k),
            float(v.real), float(v.imag)))
    return out


def main(argv):
    mode = peerlib.golden_mode(argv, __doc__)
    if mode is None:
        return 2
    # scikit-rf works out distances for units it was not asked for; a medium of zero phase
    # divides by zero there, harmlessly.
    warnings.simplefilter("ignore", RuntimeWarning)
    np, rf = peerlib.import_numpy_skrf()
    if rf is None:
        return 77
    # Each line's last two words are the numbers; the words before them name the case.
    return peerlib.write_or_check(mode, GOLDEN, lines(rf, np), peerlib.within(1e-13),
                                  "scikit-rf %s" % rf.__version__, numbers_from=-2)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
