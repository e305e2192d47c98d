#!/usr/bin/python3
"""Peer check of the refined peak of the frequency offset adjustment against numpy.polyfit.

    peakfit.py --write          makes noisy sampled parabolas (levels in dB over frequency) and
                                writes them with numpy's vertex to golden/peakfit.txt
    peakfit.py --check DUMP     recomputes every vertex from the committed samples with
                                numpy.polyfit and compares with the committed value; runs the
                                C++ helper DUMP (tests/peer/peakfit_dump.cpp) on the file and
                                requires the program's FindPeakFrequency to equal numpy's
                                vertex within 1e-9 of the sample spacing; exit 77 without numpy

The window follows the program's rule: k is the first sample of the highest level, the fit
takes the samples max(0, k - 16) ... min(n, k + 17) - 1 with d = f - f(k), and the vertex
f(k) - b / 2a is limited to the frequencies of the fitted samples.

Lines: case <start> <stop> <n> <vertex> <magnitude 0> ... <magnitude n-1>; the frequencies are
start + i * (stop - start) / (n - 1), the level 20 log10(magnitude).
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden", "peakfit.txt")

try:
    import numpy
except ImportError:
    numpy = None


def frequencies(start, stop, n):
    return [start + i * (stop - start) / (n - 1) for i in range(n)]


def vertex(start, stop, mags):
    n = len(mags)
    f = frequencies(start, stop, n)
    y = 20 * numpy.log10(numpy.array(mags))
    k = int(numpy.argmax(y))  # the first of equal maxima
    lo = max(0, k - 16)
    hi = min(n, k + 17)
    if hi - lo < 4:
        return f[k]
    d = numpy.array(f[lo:hi]) - f[k]
    a, b, _ = numpy.polyfit(d, y[lo:hi], 2)
    if not a < 0:
        return f[k]
    v = f[k] - b / (2 * a)
    return min(max(v, f[lo]), f[hi - 1])


def make_cases():
    rng = numpy.random.default_rng(1108)
    cases = []
    # (points, vertex position in samples, curvature in dB per sample squared, noise in dB)
    shapes = [(33, 16.3, 0.5, 0.05), (33, 15.9, 0.05, 0.02), (33, 1.2, 0.8, 0.05), (33, 30.6, 0.3, 0.1),
              (40, 25.45, 0.2, 0.05), (20, 9.7, 1.0, 0.01), (33, 16.0, 2.0, 0.2), (33, 0.3, 0.4, 0.02),
              (61, 44.8, 0.1, 0.05), (33, 16.5, 0.01, 0.001), (5, 2.2, 0.5, 0.01), (33, 32.4, 0.5, 0.05)]
    for index, (n, position, curvature, noise) in enumerate(shapes):
        # Spacings and frequencies where 1e-9 of the spacing is still several units in the last
        # place of the frequencies.
        step = float(10 ** rng.uniform(-3, -0.5))
        start = float(round(rng.uniform(100, 3000), 3))
        stop = start + step * (n - 1)
        f = frequencies(start, stop, n)
        top = float(rng.uniform(-40, -5))
        centre = start + position * step
        levels = [top - curvature * ((x - centre) / step) ** 2 + float(rng.normal(0, noise)) for x in f]
        mags = [float(10 ** (level / 20)) for level in levels]
        cases.append((start, stop, n, mags))
    return cases


def write():
    lines = []
    for start, stop, n, mags in make_cases():
        v = vertex(start, stop, mags)
        lines.append(" ".join(["case", repr(start), repr(stop), str(n), repr(float(v))] + [repr(m) for m in mags]))
    with open(GOLDEN, "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


def read():
    cases = []
    with open(GOLDEN, encoding="ascii") as f:
        for line in f:
            parts = line.split()
            if not parts or parts[0] != "case":
                continue
            start, stop, n, v = float(parts[1]), float(parts[2]), int(parts[3]), float(parts[4])
            mags = [float(x) for x in parts[5:]]
            if len(mags) != n:
                raise ValueError("bad line: " + line[:60])
            cases.append((start, stop, n, v, mags))
    return cases


def check(dump):
    problems = []
    cases = read()
    for i, (start, stop, n, v, mags) in enumerate(cases):
        step = (stop - start) / (n - 1)
        again = vertex(start, stop, mags)
        if abs(again - v) > 1e-11 * step:
            problems.append("case %d: numpy now gives %r, the file holds %r" % (i, again, v))
        v = again
        cases[i] = (start, stop, n, v, mags)
    result = subprocess.run([dump, GOLDEN], capture_output=True, text=True)
    if result.returncode != 0:
        problems.append("helper failed with %d: %s" % (result.returncode, result.stderr))
    else:
        ours = [float(x) for x in result.stdout.split()]
        if len(ours) != len(cases):
            problems.append("helper gave %d values for %d cases" % (len(ours), len(cases)))
        for i, ((start, stop, n, v, _), got) in enumerate(zip(cases, ours)):
            step = (stop - start) / (n - 1)
            if not abs(got - v) <= 1e-9 * step:
                problems.append("case %d: FindPeakFrequency %r, numpy %r (step %g)" % (i, got, v, step))
    for p in problems:
        print(p)
    print("peer_peakfit: %s (%d cases)" % ("FAILED" if problems else "ok", len(cases)))
    return 1 if problems else 0


def main():
    if numpy is None:
        print("numpy is missing")
        return 77
    if len(sys.argv) == 2 and sys.argv[1] == "--write":
        write()
        return 0
    if len(sys.argv) == 3 and sys.argv[1] == "--check":
        return check(sys.argv[2])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
