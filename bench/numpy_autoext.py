#!/usr/bin/python3
"""Times our automatic port extension fit beside a vectorised numpy fit of the same data.

    numpy_autoext.py [bench_calibration]

The data are those of bench_calibration's BM_AutoExtensionFit: an Open and a Short of 16001
points from 100 to 6000 MHz, a line of 100 ps with a loss of 0.05 dB sqrt(f / 1 GHz), the Short
negated. The peer, timed: numpy takes the phases of both standards as arrays, the wrapped phase
steps of the point pairs the fit uses over the whole span (the pair (0, 1) twice, the last
interval as the point search gives it), the mean delay per standard, the loss points and their
average. Its delay must agree with ours (the counter delay_ps) to the six digits ours keeps.

Our time comes from running the benchmark program (default: $TERVAN_BINARY_DIR/bench/
bench_calibration, else build/bench/bench_calibration in the repository), the median of five
repetitions. The target, reported beside the figures: our fit under 1 ms. Exit 77 when numpy is
missing.
"""
import json
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
POINTS = 16001


def data(np):
    f = 100.0 + (6000.0 - 100.0) * np.arange(POINTS) / (POINTS - 1)
    a = -4 * 3.14159265358979 * f * 1e6 * 100e-12
    m = np.power(10.0, -0.05 * np.sqrt(f * 1e6 / 1e9) / 20.0)
    s = m * np.exp(1j * a)
    return f, s, -s


def fit(np, f, standards):
    taus, l1, l2, l0 = [], [], [], []
    n = len(f)
    ia, ib = 0, n - 2  # the point search gives the interval that holds the last frequency
    e = np.arange(ia, ib + 1)
    e[e == 0] = 1
    p = e - 1
    df = (f[e] - f[p]) * 1e6
    q = (ib - ia) // 4
    for s in standards:
        phase = np.angle(s)
        d = phase[p] - phase[e]
        d = np.where(d > np.pi, d - 2 * np.pi, d)
        d = np.where(d < -np.pi, d + 2 * np.pi, d)
        taus.append(np.mean(d / df / (2 * np.pi)))
        loss = -20 * np.log10(np.abs(s[[0, ia + q, ib - q]]))
        l0.append(loss[0])
        l1.append(loss[1])
        l2.append(loss[2])
    return (taus[0] + taus[1]) * 0.25, (l1[0] + l1[1]) * 0.25, (l2[0] + l2[1]) * 0.25, (l0[0] + l0[1]) * 0.25


def ours(program):
    out = subprocess.run([program, "--benchmark_filter=BM_AutoExtensionFit", "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
            return b["real_time"] * scale, b["delay_ps"]
    raise SystemExit("no median in the output of " + program)


def main(argv):
    try:
        import numpy as np
    except ImportError:
        print("numpy is not installed: nothing timed")
        return 77
    f, so, ss = data(np)
    best = None
    for _ in range(50):
        start = time.perf_counter()
        tau = fit(np, f, (so, ss))[0]
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    print("numpy %s vectorised fit, 2 x %d points: %.3f ms, delay %.6g ps" % (np.__version__, POINTS, best * 1e3,
                                                                           tau * 1e12))
    if len(argv) > 1:
        program = argv[1]
    elif os.environ.get("TERVAN_BINARY_DIR"):
        program = os.path.join(os.environ["TERVAN_BINARY_DIR"], "bench", "bench_calibration")
    else:
        program = os.path.join(ROOT, "build", "bench", "bench_calibration")
    if not os.path.exists(program):
        print("%s not found: build the benchmarks for the ratio" % program)
        return 0
    seconds, delay_ps = ours(program)
    print("tervan fit, 2 x %d points: %.3f ms (target under 1 ms), delay %.6g ps" % (POINTS, seconds * 1e3, delay_ps))
    if abs(delay_ps - tau * 1e12) > 1e-5 * abs(tau * 1e12):
        print("the delays differ")
        return 1
    print("ratio numpy / tervan: %.2f" % (best / seconds))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
