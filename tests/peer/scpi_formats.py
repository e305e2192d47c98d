#!/usr/bin/python3
"""The formatted arrays a client reads over SCPI (FDAT?) recomputed from the complex arrays
(SDAT?) of the same sweep with numpy, by the formulas of formats.py:

    RLOS  20 log10 |G|
    PHAS  angle in degrees
    SWR   (1 + |G|) / (1 - |G|)
    GDEL  backward difference of the unwrapped phase, -dphi / (2 pi df), in seconds; point 0
          repeats point 1

    scpi_formats.py <dump>   the file ScpiFormatsDump writes (automation_tests)

Every value must agree within 1e-9 relative; the second value of every point is 0. Exit 77 when
numpy is missing.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peerlib  # noqa: E402  (from this folder)


def numbers(text):
    return [float(x) for x in text.split(",")] if text.strip() else []


def read(path):
    freq = {}
    traces = []
    with open(path) as f:
        for line in f:
            parts = line.split(" ", 1)
            if parts[0] == "freq":
                i, v = parts[1].split()
                freq[int(i)] = float(v)
            elif parts[0] == "trace":
                traces.append({"format": parts[1].strip()})
            elif parts[0] in ("sdat", "fdat"):
                traces[-1][parts[0]] = numbers(parts[1])
    return [freq[i] for i in range(len(freq))], traces


def expected(np, fmt, f, g):
    if fmt == "RLOS":
        return 20 * np.log10(np.abs(g))
    if fmt == "PHAS":
        return np.degrees(np.angle(g))
    if fmt == "SWR":
        r = np.abs(g)
        return (1 + r) / (1 - r)
    if fmt == "GDEL":
        phi = np.unwrap(np.angle(g))
        gd = -np.diff(phi) / (2 * math.pi * np.diff(f))
        return np.concatenate(([gd[0]], gd))
    raise ValueError(fmt)


def main(argv):
    np = peerlib.import_numpy()
    if np is None:
        return 77
    f, traces = read(argv[1])
    f = np.array(f)
    bad = 0
    for t in traces:
        s = np.array(t["sdat"])
        d = np.array(t["fdat"])
        if len(s) != 2 * len(f) or len(d) != 2 * len(f):
            print("%s: %d and %d values for %d points" % (t["format"], len(s), len(d), len(f)))
            bad += 1
            continue
        g = s[0::2] + 1j * s[1::2]
        want = expected(np, t["format"], f, g)
        got = d[0::2]
        for i in range(len(f)):
            tol = 1e-9 * max(abs(want[i]), abs(got[i])) + 1e-300
            if not abs(want[i] - got[i]) <= tol or d[2 * i + 1] != 0:
                if bad < 20:
                    print("%s point %d: %r, numpy %r" % (t["format"], i, got[i], want[i]))
                bad += 1
    print("%d traces of %d points, %d disagreements" % (len(traces), len(f), bad))
    return 1 if bad or len(traces) != 4 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
