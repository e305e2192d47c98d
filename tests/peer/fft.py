#!/usr/bin/python3
"""Reference values for the transforms and the Kaiser window of the time domain, from numpy.

    fft.py --write    writes golden/fft.txt
    fft.py --check    recomputes it in memory and compares it with the committed file (same
                      lines and numbers within 1e-12 of the input's norm for the transforms,
                      1e-14 for the window); exit 77 when numpy is missing

The input of length N is made from one integer sequence that the C++ side generates the same
way (tests/traces/FftPeerTest.cpp): s = N, then for every value s = (s * 1103515245 + 12345)
mod 2^31 twice, each time taking ((s >> 8) mod 2001) - 1000, first the real and then the
imaginary part. The values are integers, exact in doubles on both sides.

Lines (numbers in shortest form):
    fft <N> <k> <re> <im>      numpy.fft.fft(x)[k]
    ifft <N> <k> <re> <im>     N * numpy.fft.ifft(x)[k] (the unscaled inverse)
    kaiser <L> <beta> <i> <w>  numpy.kaiser(L, beta)[i]
Every bin of the short lengths is listed, an evenly strided subset (and the last bin) of the
long ones.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden", "fft.txt")

FFT_LENGTHS = (1, 2, 3, 5, 7, 8, 12, 201, 401, 1000, 1601, 2002, 3200, 16001, 32002, 60000)
KAISER_LENGTHS = (2, 3, 5, 201, 32003)
KAISER_BETAS = ("0", "4.3", "6", "6.53", "13")
FULL_UP_TO = 401   # lengths up to this are listed whole
STRIDED_COUNT = 128  # about this many entries of a longer one


def sequence(n):
    """The 2n integers of the input of length n (real, imaginary, real, ...)."""
    s = n
    out = []
    for _ in range(2 * n):
        s = (s * 1103515245 + 12345) % 2147483648
        out.append(((s >> 8) % 2001) - 1000)
    return out


def indices(n):
    if n <= FULL_UP_TO:
        return list(range(n))
    step = n // STRIDED_COUNT
    return sorted(set(range(0, n, step)) | {n - 1})


def lines(np):
    out = ["# Transforms and Kaiser windows from numpy %s (tests/peer/fft.py)" % np.__version__]
    for n in FFT_LENGTHS:
        v = sequence(n)
        x = np.array(v[0::2], dtype=float) + 1j * np.array(v[1::2], dtype=float)
        forward = np.fft.fft(x)
        inverse = n * np.fft.ifft(x)
        for name, y in (("fft", forward), ("ifft", inverse)):
            for k in indices(n):
                out.append("%s %d %d %r %r" % (name, n, k, float(y[k].real), float(y[k].imag)))
    for length in KAISER_LENGTHS:
        for beta in KAISER_BETAS:
            w = np.kaiser(length, float(beta))
            for i in indices(length):
                out.append("kaiser %d %s %d %r" % (length, beta, i, float(w[i])))
    return out


def norms():
    """The Euclidean norm of every input, by length."""
    result = {}
    for n in FFT_LENGTHS:
        v = sequence(n)
        result[n] = sum(float(a) * a for a in v) ** 0.5
    return result


def agree(committed, fresh):
    if len(committed) != len(fresh):
        print("line count %d, expected %d" % (len(committed), len(fresh)))
        return False
    size = norms()
    for a, b in zip(committed, fresh):
        if a.startswith("#") and b.startswith("#"):
            continue
        ta, tb = a.split(), b.split()
        if len(ta) != len(tb) or ta[:-2] != tb[:-2] or ta[0] != tb[0]:
            print("differs: %r / %r" % (a, b))
            return False
        if ta[0] == "kaiser":
            if ta[:4] != tb[:4] or abs(float(ta[4]) - float(tb[4])) > 1e-14:
                print("differs: %r / %r" % (a, b))
                return False
            continue
        tolerance = 1e-12 * size[int(ta[1])]
        for x, y in zip(ta[3:], tb[3:]):
            if abs(float(x) - float(y)) > tolerance:
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
        print("golden/fft.txt does not match numpy %s" % np.__version__)
        return 1
    print("golden/fft.txt matches numpy %s" % np.__version__)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
