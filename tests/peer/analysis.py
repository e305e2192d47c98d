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
sys.path.insert(0, HERE)
import peerlib  # noqa: E402  (from this folder)

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
