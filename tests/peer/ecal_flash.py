#!/usr/bin/python3
"""Peer check of the calibration module's flash layout.

    ecal_flash.py --write          packs a small model-1 image with struct and zlib.crc32 into
                                   golden/ecal_flash.bin and writes its decoded values and their
                                   thermally corrected values (numpy) into golden/ecal_flash.txt
    ecal_flash.py --check DUMP     packs the image again and compares with the committed golden
                                   files; runs the C++ helper DUMP (tests/peer/ecal_flash_dump.cpp)
                                   on the golden image, which decodes it with the program's
                                   readers and writes it again with the program's writer from the
                                   ranges and codes it read; then checks
                                     - the program's values equal the golden ones within 1e-12,
                                     - the program's bytes equal the golden bytes.

golden/ecal_flash.bin holds the written parts of the image as pieces: u32 address, u32 length,
then the bytes; every other byte of the flash is erased (0xFF).
golden/ecal_flash.txt: one line per value, "<kind> <slot> <point> <re> <im>", kind "raw" for the
decoded slots and "hot" for the corrected standards at the temperature below.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN_BIN = os.path.join(HERE, "golden", "ecal_flash.bin")
GOLDEN_TXT = os.path.join(HERE, "golden", "ecal_flash.txt")

N = 4
F1, F2 = 50e6, 6000e6          # Hz
CHAR_TEMP = 25.0
NOW_TEMP = 35.5                # the module's temperature for the corrected values
K = 3
TF1, TF2 = 10e6, 9000e6        # Hz
BLOCK_ORDER = [0, 1, 2, 3, 4, 5, 8, 6, 7, 9, 12, 10, 11, 13, 14, 15, 16, 17]
# The standards of port A (port map 0, 1), their slot and the index of their magnitude table
# (the phase table follows it).
CORRECTED = [(0, 0), (2, 2), (4, 4), (8, 6), (6, 8), (7, 10), (9, 12), (16, 14), (14, 16)]


def crc(data):
    return struct.pack("<I", zlib.crc32(data) & 0xFFFFFFFF)


def i24(v):
    return struct.pack("<i", v)[:3]


def ranges_and_codes():
    """Per slot (min, max, [(m, p)]), chosen to reach the ends of the codes."""
    out = {}
    for s in range(18):
        lo = -4000 + 37 * s
        hi = lo + 500 + 91 * s
        if s == 5:
            lo, hi = hi, lo  # an inverted range decodes by the same formula
        pts = []
        for i in range(N):
            m = [8388607, -8388608, 0, -1][(i + s) % 4] if s % 3 == 0 else (s * 977 + i * 400009) % 16777216 - 8388608
            p = [8388607, -8388607, 4194304, -3][(i + s) % 4] if s % 2 == 0 else (s * 131 + i * 1234567) % 16777215 - 8388607
            pts.append((m, p))
        out[s] = (lo, hi, pts)
    return out


def thermal_tables():
    out = []
    for t in range(18):
        lo = -150 + 7 * t
        hi = 90 + 11 * t
        out.append((lo, hi, [[32767, -32768, 5][(j + t) % 3] + 0 * t for j in range(K)]))
    return out


def text(s, width):
    b = s.encode("ascii")
    return b + b"\0" * (width - len(b))


def pack():
    pieces = []
    header = bytearray(124)
    header[64:72] = b"PEER0001"
    header[72:74] = struct.pack("<H", 1)
    pieces.append((0, bytes(header) + crc(bytes(header))))

    d = bytearray(298)
    d[0:12] = text("2026-12-11", 12)
    d[12:22] = text("05:00:00", 10)
    d[22:42] = text("Peer", 20)
    d[82:90] = struct.pack("<d", F1)
    d[90:98] = struct.pack("<d", F2)
    d[98:102] = struct.pack("<I", N)
    d[102:110] = struct.pack("<d", CHAR_TEMP)
    d[110:118] = struct.pack("<hhhh", 3, 2, -1, -1)
    area = bytes(d) + crc(bytes(d))
    rc = ranges_and_codes()
    for slot in BLOCK_ORDER:
        lo, hi, pts = rc[slot]
        block = struct.pack("<hh", lo, hi) + b"".join(i24(m) + i24(p) for m, p in pts)
        area += block + crc(block)
    pieces.append((128, area))

    th = bytearray(76)
    th[22:30] = struct.pack("<d", TF1)
    th[30:38] = struct.pack("<d", TF2)
    th[38:42] = struct.pack("<i", K)
    thermal = bytes(th) + crc(bytes(th))
    for lo, hi, codes in thermal_tables():
        table = struct.pack("<hh", lo, hi) + b"".join(struct.pack("<h", q) for q in codes)
        thermal += table + crc(table)
    pieces.append((400000, thermal))
    return b"".join(struct.pack("<II", a, len(b)) + b for a, b in pieces)


def values(np):
    rc = ranges_and_codes()
    raw = {}
    lines = []
    for s in range(18):
        lo, hi, pts = rc[s]
        mn, mx = lo * 0.01, hi * 0.01
        m = np.array([p[0] for p in pts], dtype=float)
        p = np.array([p[1] for p in pts], dtype=float)
        level = m * (mx - mn) / (2.0 ** 24 - 1) + (mn + mx) / 2
        phase = p * np.pi / (2.0 ** 23 - 1)
        raw[s] = 10 ** (level / 20) * np.exp(1j * phase)
        for i, v in enumerate(raw[s]):
            lines.append("raw %d %d %r %r" % (s, i, float(v.real), float(v.imag)))
    tables = [np.array([(lo + hi) * 0.01 / 2 + q * (hi - lo) * 0.01 / 65535 for q in codes])
              for lo, hi, codes in thermal_tables()]
    f = np.linspace(F1 * 1e-6, F2 * 1e-6, N)
    grid = np.linspace(TF1 * 1e-6, TF2 * 1e-6, K)
    dt = NOW_TEMP - CHAR_TEMP
    for slot, t in CORRECTED:
        g = raw[slot]
        level = 20 * np.log10(np.abs(g)) + dt * np.interp(f, grid, tables[t])
        deg = np.angle(g) * 180 / np.pi + dt * np.interp(f, grid, tables[t + 1])
        hot = 10 ** (level / 20) * np.exp(1j * deg * np.pi / 180)
        for i, v in enumerate(hot):
            lines.append("hot %d %d %r %r" % (slot, i, float(v.real), float(v.imag)))
    return lines


def import_numpy():
    try:
        import numpy as np
    except ImportError:
        print("numpy is not installed: check skipped")
        return None
    return np


def main():
    np = import_numpy()
    if np is None:
        return 0
    image = pack()
    lines = values(np)
    if sys.argv[1:2] == ["--write"]:
        with open(GOLDEN_BIN, "wb") as f:
            f.write(image)
        with open(GOLDEN_TXT, "w") as f:
            f.write("\n".join(lines) + "\n")
        return 0
    if sys.argv[1:2] != ["--check"] or len(sys.argv) != 3:
        print(__doc__)
        return 2
    problems = []
    with open(GOLDEN_BIN, "rb") as f:
        if f.read() != image:
            problems.append("the packed image differs from golden/ecal_flash.bin")
    with open(GOLDEN_TXT) as f:
        golden = f.read().split("\n")[:-1]
    if golden != lines:
        problems.append("the peer's values differ from golden/ecal_flash.txt")
    with tempfile.TemporaryDirectory() as folder:
        result = subprocess.run([sys.argv[2], GOLDEN_BIN, NOW_TEMP.__repr__(), folder], capture_output=True, text=True)
        if result.returncode != 0:
            problems.append("the dump failed: " + result.stdout + result.stderr)
        else:
            with open(os.path.join(folder, "values.txt")) as f:
                ours = f.read().split("\n")[:-1]
            if len(ours) != len(golden):
                problems.append("the program gave %d values, the peer %d" % (len(ours), len(golden)))
            for a, b in zip(ours, golden):
                ka, kb = a.split(), b.split()
                if ka[:3] != kb[:3]:
                    problems.append("value order differs: %s / %s" % (a, b))
                    break
                if abs(complex(float(ka[3]), float(ka[4])) - complex(float(kb[3]), float(kb[4]))) > 1e-12:
                    problems.append("program %s, peer %s" % (a, b))
            with open(os.path.join(folder, "image.bin"), "rb") as f:
                if f.read() != image:
                    problems.append("the program's writer gives other bytes than the golden image")
    for p in problems:
        print(p)
    print("ecal_flash: %d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
