#!/usr/bin/python3
"""The CSV export read back by numpy.

    formats_csv.py <dump program> <folder>

Runs the program's dump helper (tests/peer/formats_csv_dump.cpp), which writes the CSV export
of a 201-point trace and, beside it, the values the trace shows; numpy.loadtxt(..., delimiter=',')
must read the CSV to those values within the nine significant digits of the export. Exit 77
when numpy is missing.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peerlib  # noqa: E402  (from this folder)


def main(argv):
    if len(argv) != 3:
        print(__doc__)
        return 2
    np = peerlib.import_numpy()
    if np is None:
        return 77
    program, folder = argv[1], argv[2]
    os.makedirs(folder, exist_ok=True)
    subprocess.run([program, folder], check=True)
    ok = True
    for name in ("scalar", "smith"):
        got = np.loadtxt(os.path.join(folder, name + ".csv"), delimiter=",")
        expected = np.loadtxt(os.path.join(folder, name + ".txt"))
        if got.shape != (201, 3) or got.shape != expected.shape:
            print("%s: shape %s, expected %s" % (name, got.shape, expected.shape))
            ok = False
            continue
        if not np.allclose(got, expected, rtol=5e-9, atol=0.0):
            worst = np.max(np.abs(got - expected) / np.maximum(np.abs(expected), 1e-300))
            print("%s: values differ (worst relative %g)" % (name, worst))
            ok = False
        with open(os.path.join(folder, name + ".csv"), "rb") as f:
            raw = f.read()
        if raw.count(b"\r\n") != 201 or raw.count(b"\n") != 201:
            print("%s: lines do not end in CR LF" % name)
            ok = False
    print("CSV export reads back through numpy %s" % np.__version__ if ok else "CSV check failed")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
