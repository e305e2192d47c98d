#!/usr/bin/python3
"""Reference values for the complex matrix helpers, from numpy and scikit-rf.

    foundation_matrix.py --write    writes golden/foundation_matrix.txt
    foundation_matrix.py --check    recomputes it in memory and compares it with the committed file
                                    (inputs exactly, results within 1e-12 relative); exit 77 when
                                    numpy or scikit-rf is missing

Lines (every complex number is two decimal numbers, real then imaginary, in shortest form):
    cascade <S of network A: S11 S12 S21 S22> <S of network B> <S of A followed by B>
        the two-port cascade of scikit-rf (Network ** Network)
    det <n> <n*n elements, row by row> <determinant>                     numpy.linalg.det
    inv <n> <n*n elements> <n*n elements of the inverse>                 numpy.linalg.inv
    mul <m> <n> <p> <m*n elements of A> <n*p elements of B> <m*p of A B>  numpy matmul
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden", "foundation_matrix.txt")


def load_peers():
    import numpy
    numpy.complex = complex  # scikit-rf 0.15 still refers to it
    import skrf
    return numpy, skrf


def fmt(z):
    return "%r %r" % (float(z.real), float(z.imag))


def lines(np, skrf):
    rng = np.random.default_rng(20240611)

    def cmat(rows, cols, scale=1.0):
        m = (rng.normal(size=(rows, cols)) + 1j * rng.normal(size=(rows, cols))) * scale
        # Round the inputs to 12 significant digits so the file holds short, exact texts.
        return np.vectorize(lambda z: complex(float("%.12g" % z.real), float("%.12g" % z.imag)))(m)

    out = ["# Complex matrix references from numpy %s and scikit-rf %s (tests/peer/foundation_matrix.py)"
           % (np.__version__, skrf.__version__)]
    freq = skrf.Frequency(1, 1, 1, unit="GHz")
    for k in range(6):
        a = cmat(2, 2, 0.5)
        b = cmat(2, 2, 0.5)
        if k == 0:  # a matched thru: cascading with it changes nothing
            a = np.array([[0, 1], [1, 0]], dtype=complex)
        c = (skrf.Network(frequency=freq, s=a[None]) ** skrf.Network(frequency=freq, s=b[None])).s[0]
        out.append("cascade " + " ".join(fmt(z) for m in (a, b, c) for z in m.flatten()))
    for n in (1, 2, 3, 3, 3, 4):
        m = cmat(n, n)
        out.append("det %d %s %s" % (n, " ".join(fmt(z) for z in m.flatten()), fmt(np.linalg.det(m))))
    for n in (1, 2, 3, 3, 3):
        m = cmat(n, n)
        out.append("inv %d %s %s" % (n, " ".join(fmt(z) for z in m.flatten()),
                                      " ".join(fmt(z) for z in np.linalg.inv(m).flatten())))
    for m_, n_, p_ in ((3, 5, 3), (3, 5, 1), (2, 3, 4), (1, 1, 1)):
        a = cmat(m_, n_)
        b = cmat(n_, p_)
        out.append("mul %d %d %d %s %s %s" % (m_, n_, p_, " ".join(fmt(z) for z in a.flatten()),
                                               " ".join(fmt(z) for z in b.flatten()),
                                               " ".join(fmt(z) for z in (a @ b).flatten())))
    return out


def agree(committed, fresh):
    """Same keywords and sizes; numbers within 1e-12 relative of the larger magnitude."""
    if len(committed) != len(fresh):
        return False
    for a, b in zip(committed, fresh):
        if a.startswith("#") and b.startswith("#"):
            continue
        ta, tb = a.split(), b.split()
        if len(ta) != len(tb) or ta[0] != tb[0]:
            return False
        for x, y in zip(ta[1:], tb[1:]):
            fx, fy = float(x), float(y)
            if abs(fx - fy) > 1e-12 * max(1.0, abs(fx), abs(fy)):
                print("differs: %s vs %s in line starting %s" % (x, y, " ".join(ta[:3])))
                return False
    return True


def main(argv):
    try:
        np, skrf = load_peers()
    except ImportError as e:
        print("peer packages missing (%s): skipped" % e)
        return 77
    fresh = lines(np, skrf)
    if len(argv) == 2 and argv[1] == "--write":
        os.makedirs(os.path.dirname(GOLDEN), exist_ok=True)
        with open(GOLDEN, "w", encoding="ascii", newline="\n") as f:
            f.write("\n".join(fresh) + "\n")
        return 0
    if len(argv) == 2 and argv[1] == "--check":
        with open(GOLDEN, encoding="ascii") as f:
            committed = f.read().splitlines()
        if not agree(committed, fresh):
            print("golden/foundation_matrix.txt does not agree with numpy and scikit-rf")
            return 1
        print("foundation_matrix.txt: %d lines agree" % len(fresh))
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
