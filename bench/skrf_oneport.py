#!/usr/bin/python3
"""Times scikit-rf's OnePort against our F1 calculation on the same kind of data.

    skrf_oneport.py [bench_calibration]

The data are those of bench_calibration's BM_CalculateF1: 16001 points from 0.1 MHz to 14 GHz,
the Short, Open and Load of the built-in kit at position 11 at a reference impedance of 50 ohm
(their values from the scikit-rf models of tests/peer/standards.py), readings made from seeded
error terms through m = Ed + Er G / (1 - Es G). Only scikit-rf's solution is timed (the ideal
networks are built beforehand); our time includes the kit models and the new error-term table.

Our time comes from running the benchmark program (default: $TERVAN_BINARY_DIR/bench/
bench_calibration, else build/bench/bench_calibration in the repository). The ratio is reported,
not checked. Exit 77 when numpy or scikit-rf is missing.
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


def skrf_seconds(rf, np, standards):
    f = 0.1e6 + (14000e6 - 0.1e6) * np.arange(POINTS) / (POINTS - 1)
    kit = standards.KITS[11]
    ideals = [standards.standard_values(rf, np, kind, 50.0, f, s["delay"], s["z0"], s["loss"], s["k"])
              for kind, s in zip("SOL", kit[:3])]
    rng = np.random.RandomState(1)
    er = 0.9 + rng.uniform(-0.2, 0.2, POINTS) + 1j * rng.uniform(-0.2, 0.2, POINTS)
    ed = (rng.uniform(-0.2, 0.2, POINTS) + 1j * rng.uniform(-0.2, 0.2, POINTS)) / 4
    es = (rng.uniform(-0.2, 0.2, POINTS) + 1j * rng.uniform(-0.2, 0.2, POINTS)) / 2
    freq = rf.Frequency.from_f(f, unit="hz")

    def net(values):
        return rf.Network(frequency=freq, s=values.reshape(POINTS, 1, 1), z0=50)

    ideal_nets = [net(g) for g in ideals]
    measured = [net(ed + er * g / (1 - es * g)) for g in ideals]
    best = None
    for _ in range(5):
        start = time.perf_counter()
        cal = rf.calibration.OnePort(measured=measured, ideals=ideal_nets)
        cal.run()
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    worst = float(np.max(np.abs(cal.coefs["directivity"] - ed)))
    if worst > 1e-9:
        raise SystemExit("scikit-rf's directivity is off by %g" % worst)
    return best


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

    theirs = skrf_seconds(rf, np, standards)
    print("scikit-rf %s OnePort, %d points: %.3f ms" % (rf.__version__, POINTS, theirs * 1e3))
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
    print("tervan F1 calculation, %d points: %.3f ms" % (POINTS, ours * 1e3))
    print("ratio scikit-rf / tervan: %.1f" % (theirs / ours))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
