#!/usr/bin/python3
"""Times our F1 calculation beside a vectorised numpy solve of the same kit models and closed form.

    skrf_oneport.py [bench_calibration]

The data are those of bench_calibration's BM_CalculateF1: 16001 points from 0.1 MHz to 14 GHz,
the Short, Open and Load of the built-in kit at position 11 at a reference impedance of 50 ohm,
readings made from seeded error terms through m = Ed + Er G / (1 - Es G).

The peer, timed: numpy evaluates the three standards' models (a lumped termination behind a lossy
offset line) over the whole grid as arrays, then the closed form of the three-term model,
Ed = N / D, Er = (Go - Gs)(ms - Ed)(mo - Ed) / (Gs Go (mo - ms)), Es = 1 / Go - Er / (mo - Ed),
also as arrays. That is what BM_CalculateF1 does on each call (kit models, solution, a new term
table), so the two times compare like with like.

The check, not timed: scikit-rf's own models of the standards (tests/peer/standards.py) and its
OnePort calibration on the same readings must agree with the numpy peer, so the peer computes
the right numbers.

Our time comes from running the benchmark program (default: $TERVAN_BINARY_DIR/bench/
bench_calibration, else build/bench/bench_calibration in the repository), the median of five
repetitions. The targets, reported beside the figures: our F1 under 1 ms and at least twice as
fast as the numpy peer. Exit 77 when numpy or scikit-rf is missing.
"""
import json
import os
import subprocess
import sys
import time
import warnings

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
POINTS = 16001
ZREF = 50.0


def model_values(np, kind, f, delay, z0, loss, k):
    """A standard's value over the grid f (Hz), as arrays: S, O, L reflect, T transmits."""
    w = 2.0 * np.pi * f
    poly = k[0] + f * (k[1] + f * (k[2] + f * k[3]))
    if kind == "S":
        x = w * poly
        q = x * x + ZREF * ZREF
        termination = (x * x - ZREF * ZREF) / q + 2j * x * ZREF / q
    elif kind == "O":
        x = w * poly * ZREF
        q = x * x + 1.0
        termination = -((x * x - 1.0) / q + 2j * x / q)
    else:
        termination = np.zeros_like(f, dtype=complex)
    if delay == 0:
        return np.ones_like(f, dtype=complex) if kind == "T" else termination
    s = np.sqrt(f * 1e-9)
    alpha = s * loss * delay / (2.0 * z0)
    beta = w * delay + alpha
    kk = loss / (2.0 * w) * s
    zc = (z0 + kk) - 1j * kk
    g1 = (zc - ZREF) / (zc + ZREF)
    if kind == "T":
        g1sq = g1 * g1
        return (1 - g1sq) * np.exp(-(alpha + 1j * beta)) / (1 - g1sq * np.exp(-2 * (alpha + 1j * beta)))
    e = np.exp(-2.0 * (alpha + 1j * beta))
    kq = e * (termination - g1)
    return g1 + kq * (1 - g1 * g1) / (1 - g1 * termination + g1 * kq)


def numpy_solve(np, f, kit, ml, mo, ms):
    """The kit models and the closed form over the whole grid: (Er, Ed, Es)."""
    gs = model_values(np, "S", f, **kit[0])
    go = model_values(np, "O", f, **kit[1])
    gl = model_values(np, "L", f, **kit[2])
    dm = mo - ms
    p = gs * go * dm
    d = p + gl * (ml * (go - gs) + ms * gs - mo * go)
    n = ml * (p + gl * (ms * go - mo * gs)) + mo * ms * gl * (gs - go)
    ed = n / d
    kk = (go - gs) * (ms - ed)
    er = kk * (mo - ed) / p
    es = (gs * dm - kk) / p
    return er, ed, es


def peer(rf, np, standards):
    f = 0.1e6 + (14000e6 - 0.1e6) * np.arange(POINTS) / (POINTS - 1)
    kit = [{"delay": s["delay"], "z0": s["z0"], "loss": s["loss"], "k": s["k"]} for s in standards.KITS[11][:3]]
    rng = np.random.RandomState(1)
    er = 0.9 + rng.uniform(-0.2, 0.2, POINTS) + 1j * rng.uniform(-0.2, 0.2, POINTS)
    ed = (rng.uniform(-0.2, 0.2, POINTS) + 1j * rng.uniform(-0.2, 0.2, POINTS)) / 4
    es = (rng.uniform(-0.2, 0.2, POINTS) + 1j * rng.uniform(-0.2, 0.2, POINTS)) / 2

    # The numbers, checked with scikit-rf: its models of the standards and its OnePort.
    ideals = [standards.standard_values(rf, np, kind, ZREF, f, s["delay"], s["z0"], s["loss"], s["k"])
              for kind, s in zip("SOL", standards.KITS[11][:3])]
    ms, mo, ml = [ed + er * g / (1 - es * g) for g in ideals]
    for kind, g, k in zip("SOL", ideals, kit):
        worst = float(np.max(np.abs(model_values(np, kind, f, **k) - g)))
        if worst > 1e-9:
            raise SystemExit("the numpy model of the %s is off scikit-rf's by %g" % (kind, worst))
    freq = rf.Frequency.from_f(f, unit="hz")

    def net(values):
        return rf.Network(frequency=freq, s=values.reshape(POINTS, 1, 1), z0=ZREF)

    measured = [net(m) for m in (ms, mo, ml)]
    ideal_nets = [net(g) for g in ideals]
    start = time.perf_counter()
    cal = rf.calibration.OnePort(measured=measured, ideals=ideal_nets)
    cal.run()
    skrf_seconds = time.perf_counter() - start
    solved = numpy_solve(np, f, kit, ml, mo, ms)
    for name, ours, theirs in zip(("reflection tracking", "directivity", "source match"), solved,
                                  (cal.coefs["reflection tracking"], cal.coefs["directivity"],
                                   cal.coefs["source match"])):
        worst = float(np.max(np.abs(ours - theirs)))
        if worst > 1e-9:
            raise SystemExit("the numpy %s is off scikit-rf's by %g" % (name, worst))

    # The peer's time: the best of many runs of the whole solve, models included.
    best = None
    for _ in range(50):
        start = time.perf_counter()
        numpy_solve(np, f, kit, ml, mo, ms)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best, skrf_seconds


def our_seconds(program):
    out = subprocess.run([program, "--benchmark_filter=BM_CalculateF1", "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
            return b["real_time"] * scale
    raise SystemExit("no median in the output of " + program)


def main(argv):
    warnings.simplefilter("ignore")
    try:
        import numpy as np
        np.complex = complex  # scikit-rf 0.15 still uses the alias numpy dropped
        import skrf as rf
        import skrf.calibration  # noqa: F401
    except ImportError:
        print("numpy or scikit-rf is not installed: nothing timed")
        return 77
    sys.path.insert(0, os.path.join(ROOT, "tests", "peer"))
    import standards

    theirs, skrf_seconds = peer(rf, np, standards)
    print("numpy %s vectorised kit models and closed form, %d points: %.3f ms"
          % (np.__version__, POINTS, theirs * 1e3))
    print("scikit-rf %s OnePort, one run of the check (its solution only, for scale): %.3f ms"
          % (rf.__version__, skrf_seconds * 1e3))
    if len(argv) > 1:
        program = argv[1]
    elif os.environ.get("TERVAN_BINARY_DIR"):
        program = os.path.join(os.environ["TERVAN_BINARY_DIR"], "bench", "bench_calibration")
    else:
        program = os.path.join(ROOT, "build", "bench", "bench_calibration")
    if not os.path.exists(program):
        print("%s not found: build the benchmarks for the ratio" % program)
        return 0
    ours = our_seconds(program)
    print("tervan F1 calculation, %d points: %.3f ms (target under 1 ms)" % (POINTS, ours * 1e3))
    print("ratio numpy / tervan: %.2f (target at least 2)" % (theirs / ours))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
