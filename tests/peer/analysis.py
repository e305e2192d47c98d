#!/usr/bin/python3
"""Reference values for the statistics and flatness readouts of a trace, from numpy.

    analysis.py --write    writes golden/analysis.txt
    analysis.py --check    recomputes it in memory and compares it with the committed file
                           (same lines, numbers within 1e-12); exit 77 when numpy is missing

The trace has 401 points at 100 + 2.5 i MHz; its values come from one integer sequence:
s = 401, then for every point s = (s * 1103515245 + 12345) mod 2^31 and the value is
(((s >> 8) mod 4001) - 2000) / 64, exact in doubles. A few points are raised to make peaks.
The C++ side (tests/traces/TraceAnalysisPeerTest.cpp) reads the trace from the golden file.

Lines (numbers in shortest form):
    trace <i> <stimulus> <value>
    whole <mean> <std> <ptp>            the values with the first and last appended once more
    range <a> <b> <mean> <std> <ptp>    numpy.interp at both ends (in ascending order, clamped
                                        to the trace) with the points after the point at or
                                        below the lower end up to the point at or below the
                                        upper end
    flat <a> <b> <gain> <slope> <pos> <neg>
                                        gain = numpy.interp at the lower end; the line through
                                        the points at or below both ends; slope = its change
                                        across them; the largest distances above and below it
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden", "analysis.txt")
N = 401

RANGES = ((200.0, 300.0), (300.0, 200.0), (101.3, 777.7), (0.0, 5000.0), (512.5, 512.5), (512.5, 513.0),
          (1099.0, 1100.0), (100.0, 102.5), (450.25, 451.0), (800.0, 100.0))


def trace():
    stimuli = [100.0 + 2.5 * i for i in range(N)]
    s = N
    values = []
    for i in range(N):
        s = (s * 1103515245 + 12345) % 2147483648
        values.append((((s >> 8) % 4001) - 2000) / 64.0)
    for i in (37, 150, 151, 300):
        values[i] += 64.0
    return stimuli, values


def at_or_below(np, s, x):
    """The point at or below x: 0 below the first, N-1 at or beyond the last, else at most N-2."""
    if x < s[0]:
        return 0
    if x >= s[-1]:
        return len(s) - 1
    return min(int(np.searchsorted(s, x, side="right")) - 1, len(s) - 2)


def lines(np):
    stimuli, values = trace()
    s = np.array(stimuli)
    v = np.array(values)
    out = ["# Statistics and flatness from numpy %s (tests/peer/analysis.py)" % np.__version__]
    for i in range(N):
        out.append("trace %d %r %r" % (i, stimuli[i], values[i]))
    w = np.concatenate([v, [v[0], v[-1]]])
    out.append("whole %r %r %r" % (float(w.mean()), float(w.std()), float(w.max() - w.min())))
    for a0, b0 in RANGES:
        a, b = sorted((a0, b0))
        a, b = sorted((min(max(a, s[0]), s[-1]), min(max(b, s[0]), s[-1])))
        ends = [np.interp(a, s, v), np.interp(b, s, v)]
        inner = v[at_or_below(np, s, a) + 1:at_or_below(np, s, b) + 1]
        r = np.concatenate([ends, inner])
        out.append("range %r %r %r %r %r" % (a0, b0, float(r.mean()), float(r.std()), float(r.max() - r.min())))
    for a0, b0 in RANGES:
        a, b = sorted((a0, b0))
        gain = float(np.interp(a, s, v))
        i, j = at_or_below(np, s, max(a, s[0])), at_or_below(np, s, min(b, s[-1]))
        slope = pos = neg = 0.0
        if i < j:
            k = (v[j] - v[i]) / (s[j] - s[i])
            line = v[j] + k * (s[i:j + 1] - s[j])
            slope = float(line[-1] - line[0])
            d = v[i:j + 1] - line
            pos = float(max(d.max(), 0.0)) + 0.0
            neg = float(max(-d.min(), 0.0)) + 0.0
        out.append("flat %r %r %r %r %r %r" % (a0, b0, gain, slope, pos, neg))
    return out


def agree(committed, fresh):
    if len(committed) != len(fresh):
        print("line count %d, expected %d" % (len(committed), len(fresh)))
        return False
    for a, b in zip(committed, fresh):
        if a.startswith("#") and b.startswith("#"):
            continue
        ta, tb = a.split(), b.split()
        if len(ta) != len(tb) or ta[0] != tb[0]:
            print("differs: %r / %r" % (a, b))
            return False
        for x, y in zip(ta[1:], tb[1:]):
            if abs(float(x) - float(y)) > 1e-12:
                print("differs: %r / %r" % (a, b))
                return False
    return True


def main(argv):
    mode = argv[1] if len(argv) > 1 else ""
    if mode not in ("--write", "--check"):
        print(__doc__)
        return 2
    try:
        import numpy as np
    except ImportError:
        print("numpy is not installed: check skipped")
        return 77
    fresh = lines(np)
    if mode == "--write":
        os.makedirs(os.path.dirname(GOLDEN), exist_ok=True)
        with open(GOLDEN, "w", encoding="ascii", newline="\n") as f:
            f.write("\n".join(fresh) + "\n")
        return 0
    with open(GOLDEN, encoding="ascii") as f:
        committed = f.read().splitlines()
    if not agree(committed, fresh):
        print("golden/analysis.txt does not match numpy %s" % np.__version__)
        return 1
    print("golden/analysis.txt matches numpy %s" % np.__version__)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
