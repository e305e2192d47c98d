"""What the golden-file peer scripts share: loading the peers, the --write / --check run over a
text golden file, and the comparison of committed and fresh lines.

A script imports it from its own folder:

    HERE = os.path.dirname(os.path.abspath(__file__))
    sys.path.insert(0, HERE)
    import peerlib
"""
import os


def import_numpy():
    """numpy, or None (said on stdout) when it is not installed."""
    try:
        import numpy as np
    except ImportError:
        print("numpy is not installed: check skipped")
        return None
    return np


def import_numpy_skrf():
    """(numpy, skrf), or (None, None) (said on stdout) when either is not installed."""
    try:
        import numpy as np
        np.complex = complex  # scikit-rf 0.15 still uses the alias numpy dropped
        import skrf as rf
    except ImportError:
        print("numpy or scikit-rf is not installed: check skipped")
        return None, None
    return np, rf


def random_polar(np, rng):
    """polar(lo, hi, n): n complex values drawn from rng, magnitudes uniform in [lo, hi) and
    phases uniform in [-pi, pi) (each call draws the magnitudes first, then the phases)."""
    def polar(lo, hi, n):
        return rng.uniform(lo, hi, n) * np.exp(1j * rng.uniform(-np.pi, np.pi, n))
    return polar


def golden_mode(argv, doc):
    """The run's mode, "--write" or "--check"; None after printing the usage text."""
    mode = argv[1] if len(argv) > 1 else ""
    if mode not in ("--write", "--check"):
        print(doc)
        return None
    return mode


def agree(committed, fresh, same, numbers_from=1):
    """True when the committed lines and the fresh ones agree: as many lines; comment lines
    ("#") standing in the same place are passed over; in the others the words before index
    numbers_from (a negative index counts from the end) are equal and every word from it on is
    a number with same(committed, fresh). The first difference is printed."""
    if len(committed) != len(fresh):
        print("line count %d, expected %d" % (len(committed), len(fresh)))
        return False
    for a, b in zip(committed, fresh):
        if a.startswith("#") and b.startswith("#"):
            continue
        ta, tb = a.split(), b.split()
        if len(ta) != len(tb) or ta[:numbers_from] != tb[:numbers_from]:
            print("differs: %r / %r" % (a, b))
            return False
        for x, y in zip(ta[numbers_from:], tb[numbers_from:]):
            if not same(float(x), float(y)):
                print("differs: %r / %r" % (a, b))
                return False
    return True


def within(tolerance):
    """A comparison of two numbers: not more than tolerance apart (so NaN passes, as a
    difference that is not greater)."""
    return lambda x, y: not abs(x - y) > tolerance


def write_or_check(mode, path, fresh, same, peers, numbers_from=1):
    """--write: the fresh lines become the golden file at path (ASCII, LF). --check: the
    committed file must agree with them (see agree). peers names the peers and their versions
    in the verdict line, e.g. "numpy 1.24.2". Returns the exit code."""
    if mode == "--write":
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="ascii", newline="\n") as f:
            f.write("\n".join(fresh) + "\n")
        return 0
    with open(path, encoding="ascii") as f:
        committed = f.read().splitlines()
    name = "golden/" + os.path.basename(path)
    if not agree(committed, fresh, same, numbers_from):
        print("%s does not match %s" % (name, peers))
        return 1
    print("%s matches %s" % (name, peers))
    return 0
