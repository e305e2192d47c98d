#!/usr/bin/python3
"""Peer of the binary calibration form: three sample forms packed with Python's struct at the
offsets of the form's layout tables, with zlib.crc32 as the checksum.

    calfiles.py --write    writes golden/calform_v2.bin, golden/calform_v1.bin, golden/calform_grid.bin
    calfiles.py --check    packs them again and compares with the committed files

calibration_tests (suite CalibrationForm) writes the same calibrations with the program's own
writer and compares byte for byte, and reads all three back. The sample values are repeated in
tests/calibration/CalibrationFormTest.cpp; every number is a dyadic fraction, exact in binary.
"""
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden")

DATA_TIME = "2026-03-14 15:09:26"
# 15 Cyrillic letters and a blank (31 bytes of UTF-8), cut to 19 bytes on a whole character.
KIT_LABEL = "Набор калибровки"
N = 3


def text20(s):
    raw = s.encode("utf-8")
    if len(raw) > 19:
        cut = 19
        while cut > 0 and (raw[cut] & 0xC0) == 0x80:
            cut -= 1
        raw = raw[:cut]
    return raw + b"\0" * (20 - len(raw))


def term(i, t):
    """Record i, term t (0..7: Er0 Er1 Ed0 Ed1 Es0 Es1 Et0 Et1)."""
    return ((i + 1) * 0.125 + t * 0.0078125, -(t + 1) * 0.25 + i * 0.5)


def frequency(i):
    return (100.0, 150.5, 201.0)[i]


def header(sweep_mode, min_f, max_f, ifbw, npoints):
    h = text20(DATA_TIME) + text20(KIT_LABEL)
    h += struct.pack("<ddiiiiiBBi", min_f, max_f, ifbw, npoints, sweep_mode, 4, 1, 1, 0, N)
    assert len(h) == 82
    return h


def records():
    out = b""
    for i in range(N):
        out += struct.pack("<d", frequency(i))
        for t in range(8):
            out += struct.pack("<dd", *term(i, t))
    assert len(out) == 136 * N
    return out


def with_crc(b):
    return b + struct.pack("<I", zlib.crc32(b) & 0xFFFFFFFF)


# start, stop, points, IF bandwidth, delay, power
SEGMENTS = [(100.0, 150.5, 2, 3000, 0.5, -10.0), (150.5, 201.0, 1, 10000, 0.0, -12.5)]



def range_settings(count):
    """The 152-byte stimulus record at its layout offsets."""
    b = bytearray(152)
    struct.pack_into("<ii", b, 0, 4, 3)               # SweepMode (segment), NPoints
    struct.pack_into("<ddddd", b, 8, 100.0, 201.0, -30.5, -1.25, 150.75)  # Min/MaxFrequency, Min/MaxPower, FixedFreq
    b[48] = 1                                          # FOMState
    struct.pack_into("<dd", b, 56, -12.5, 0.75)        # FOMOffset0/1
    struct.pack_into("<iiii", b, 72, 2, -3, 4, 5)      # FOMMultiplier0/1, FOMDivider0/1
    b[88] = 1                                          # FOMAdjust
    struct.pack_into("<i", b, 92, 1)                   # FOMAdjPort
    struct.pack_into("<dd", b, 96, 0.125, -0.0625)     # FOMAdjValue0/1
    struct.pack_into("<i", b, 112, 3000)               # CommonIFBW
    struct.pack_into("<ddd", b, 120, 2.5, -10.0, 0.5)  # CommonDelay, OutputPower, PowerSlope
    b[144], b[145], b[146] = 1, 0, 1                   # SegmentList IFBW, Power, Delay
    struct.pack_into("<i", b, 148, count)              # SegmentCount
    return bytes(b)


def range_param():
    """The older 208-byte stimulus record of a version-1 extension; other values than above."""
    b = bytearray(208)
    struct.pack_into("<iii", b, 0, 51, 1, 1000)        # NPoints, SweepMode (log), CommonIFBW
    struct.pack_into("<dddddddd", b, 16, 120.0, 180.0, 1.5, -7.5, 0.25, -20.0, 2.0, 160.0)
    # MinFrequency, MaxFrequency, CommonDelay, OutputPower, PowerSlope, MinPower, MaxPower, FixedFreq
    b[80] = 1                                          # FOMState
    struct.pack_into("<dd", b, 88, 3.5, -4.25)         # FOMOffset0/1
    struct.pack_into("<iiii", b, 104, -1, 2, 3, 7)     # FOMMultiplier0/1, FOMDivider0/1
    b[120] = 1                                         # FOMAdjust
    struct.pack_into("<i", b, 124, 1)                  # FOMAdjPort
    struct.pack_into("<dd", b, 128, -0.25, 0.375)      # FOMAdjValue0/1
    b[153], b[154], b[155] = 0, 1, 1                   # SegmentList IFBW, Power, Delay
    b[180:192] = b"\xAA" * 12                          # the older writer's text references
    return bytes(b)


def seg40(s):
    """A 40-byte segment: start, stop, points, IF bandwidth, delay, power."""
    return struct.pack("<ddiidd", *s)


def form_v2():
    base = with_crc(header(4, 100.0, 201.0, 3000, 3) + records())
    ext = struct.pack("<i", 2) + range_settings(len(SEGMENTS)) + b"".join(seg40(s) for s in SEGMENTS)
    return with_crc(base + ext)


def form_v1():
    base = with_crc(header(4, 100.0, 201.0, 3000, 3) + records())
    ext = struct.pack("<i", 1) + range_param() + struct.pack("<i", 1)
    assert len(ext) == 216
    return with_crc(base + ext + seg40(SEGMENTS[1]))


def form_grid():
    return with_crc(header(3, 85.0, 5400.0, 300, 893) + records())


FORMS = {"calform_v2.bin": form_v2, "calform_v1.bin": form_v1, "calform_grid.bin": form_grid}


def main():
    if len(sys.argv) != 2 or sys.argv[1] not in ("--write", "--check"):
        print(__doc__)
        return 2
    bad = 0
    for name, make in FORMS.items():
        data = make()
        path = os.path.join(GOLDEN, name)
        if sys.argv[1] == "--write":
            with open(path, "wb") as f:
                f.write(data)
            print("wrote", path, len(data), "bytes")
        else:
            with open(path, "rb") as f:
                if f.read() != data:
                    print("MISMATCH", path)
                    bad += 1
    # The sizes of the layout: 86 + 136 N without extension, 246 + 136 N + 40 S with one.
    assert len(form_grid()) == 86 + 136 * N
    assert len(form_v2()) == 246 + 136 * N + 40 * len(SEGMENTS)
    assert len(form_v1()) == 86 + 136 * N + 216 + 40 + 4
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
