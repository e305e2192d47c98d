#!/usr/bin/python3
"""Reference error terms of a user Open, Short, Load calibration, from scikit-rf.

    usercal.py --write    writes golden/usercal.txt
    usercal.py --check    recomputes it in memory and compares it with the committed file
                          (same lines, values within 1e-12 relative to their scale); exit 77
                          when scikit-rf or numpy is missing

The channel: 201 points from 100 to 6000 MHz. At each point, seeded error terms (Ed, Es, Er)
and the Short, Open and Load of the built-in kit at position 3 (zref 50 ohm) by the models of
tests/peer/standards.py give the readings m = Ed + Er G / (1 - Es G), rounded to float32 as the
instrument reports them. scikit-rf's OnePort solves the terms back from those float32 readings
and the models; the program's user calibration dialog, fed the same readings by the
demonstration port's test source (calibration_ui_tests, UserCalDemo), must find them within
1e-9 relative.

Lines (numbers in shortest form):
    point <f MHz> <ms re> <ms im> <mo re> <mo im> <ml re> <ml im>
          <Ed re> <Ed im> <Es re> <Es im> <Er re> <Er im>
        readings of Short, Open, Load (float32 values), then scikit-rf's terms
"""
import os
import sys
import warnings

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peerlib  # noqa: E402  (from this folder)

GOLDEN = os.path.join(HERE, "golden", "usercal.txt")
POINTS = 201
START, STOP = 100.0, 6000.0
KIT = 3
ZREF = 50.0


def lines(rf, np):
    import standards
    import skrf.calibration  # noqa: F401
    f_mhz = START + (STOP - START) * np.arange(POINTS) / (POINTS - 1)
    f = f_mhz * 1e6
    rng = np.random.RandomState(27)
    polar = peerlib.random_polar(np, rng)
    ed = polar(0.005, 0.05, POINTS)
    es = polar(0.01, 0.1, POINTS)
    er = polar(0.7, 1.0, POINTS)
    ideals = [standards.standard_values(rf, np, kind, ZREF, f, s["delay"], s["z0"], s["loss"], s["k"])
              for kind, s in zip("SOL", standards.KITS[KIT][:3])]

    def f32(values):
        return (values.real.astype(np.float32).astype(float) + 1j * values.imag.astype(np.float32).astype(float))

    readings = [f32(ed + er * g / (1 - es * g)) for g in ideals]
    freq = rf.Frequency.from_f(f, unit="hz")

    def net(values):
        return rf.Network(frequency=freq, s=values.reshape(POINTS, 1, 1), z0=ZREF)

    cal = rf.calibration.OnePort(measured=[net(m) for m in readings], ideals=[net(g) for g in ideals])
    cal.run()
    terms = [cal.coefs["directivity"], cal.coefs["source match"], cal.coefs["reflection tracking"]]
    out = ["# User OSL terms from scikit-rf %s and numpy %s (tests/peer/usercal.py)"
           % (rf.__version__, np.__version__)]
    for i in range(POINTS):
        words = ["point", repr(float(f_mhz[i]))]
        for v in readings + terms:
            words += [repr(float(v[i].real)), repr(float(v[i].imag))]
        out.append(" ".join(words))
    return out


def main(argv):
    mode = peerlib.golden_mode(argv, __doc__)
    if mode is None:
        return 2
    warnings.simplefilter("ignore", RuntimeWarning)
    np, rf = peerlib.import_numpy_skrf()
    if rf is None:
        return 77
    # Readings are float32 values and must come out the same; terms within 1e-12 of their size.
    return peerlib.write_or_check(mode, GOLDEN, lines(rf, np), peerlib.within(1e-12),
                                  "scikit-rf %s" % rf.__version__, numbers_from=2)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
