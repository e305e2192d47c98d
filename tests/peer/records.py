#!/usr/bin/python3
"""Peer check of the binary stimulus records and of the segment file.

    records.py --write          packs the sample records below with Python's struct, at the
                                byte offsets of their layout tables, into golden/records.bin
    records.py --check DUMP     packs them again and compares with the committed golden file;
                                runs the C++ helper DUMP (tests/peer/records_dump.cpp), which
                                writes the same records with the program's own serialiser,
                                decodes the golden file with the program's own reader, and
                                saves a segment file; then checks
                                  - the program's bytes equal the golden bytes,
                                  - what the program decoded equals the sample values,
                                  - Python's codecs and configparser read the segment file
                                    with the same keys, in the same order, and the same values.

golden/records.bin: the three segments (40 bytes each), then the two stimulus records
(152 bytes each). The sample values are repeated in records_dump.cpp (the first stimulus
record in tests/model/RangeSettingsSample.h).
"""
import codecs
import configparser
import math
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden", "records.bin")

# start, stop, points, IF bandwidth, delay, power
SEGMENTS = [
    (100.5, 2000.25, 401, 3000, 0.125, -7.5),
    (0.3, 1300.0000001, 16001, 100, 320.0, -10.0),
    (-1e-300, 1.7976931348623157e308, -2147483648, 2147483647, 0.17500000000000002, -0.0),
]

# Offsets of a segment: (offset, struct code, field).
SEGMENT_LAYOUT = [(0, "d", 0), (8, "d", 1), (16, "i", 2), (20, "i", 3), (24, "d", 4), (32, "d", 5)]
SEGMENT_SIZE = 40

RANGE_FIELDS = [
    "SweepMode", "NPoints", "MinFrequency", "MaxFrequency", "MinPower", "MaxPower", "FixedFreq",
    "FOMState", "FOMOffset0", "FOMOffset1", "FOMMultiplier0", "FOMMultiplier1", "FOMDivider0",
    "FOMDivider1", "FOMAdjust", "FOMAdjPort", "FOMAdjValue0", "FOMAdjValue1", "CommonIFBW",
    "CommonDelay", "OutputPower", "PowerSlope", "SegmentListIFBW", "SegmentListPower",
    "SegmentListDelay", "SegmentCount",
]

RANGE_LAYOUT = [
    (0, "i", "SweepMode"), (4, "i", "NPoints"), (8, "d", "MinFrequency"),
    (16, "d", "MaxFrequency"), (24, "d", "MinPower"), (32, "d", "MaxPower"),
    (40, "d", "FixedFreq"), (48, "B", "FOMState"), (56, "d", "FOMOffset0"),
    (64, "d", "FOMOffset1"), (72, "i", "FOMMultiplier0"), (76, "i", "FOMMultiplier1"),
    (80, "i", "FOMDivider0"), (84, "i", "FOMDivider1"), (88, "B", "FOMAdjust"),
    (92, "i", "FOMAdjPort"), (96, "d", "FOMAdjValue0"), (104, "d", "FOMAdjValue1"),
    (112, "i", "CommonIFBW"), (120, "d", "CommonDelay"), (128, "d", "OutputPower"),
    (136, "d", "PowerSlope"), (144, "B", "SegmentListIFBW"), (145, "B", "SegmentListPower"),
    (146, "B", "SegmentListDelay"), (148, "i", "SegmentCount"),
]
RANGE_SIZE = 152

RANGES = [
    dict(SweepMode=4, NPoints=1601, MinFrequency=100.125, MaxFrequency=9000.5, MinPower=-30.5,
         MaxPower=-1.25, FixedFreq=2500.75, FOMState=1, FOMOffset0=-123.456, FOMOffset1=654.321,
         FOMMultiplier0=-3, FOMMultiplier1=7, FOMDivider0=2, FOMDivider1=999, FOMAdjust=1,
         FOMAdjPort=1, FOMAdjValue0=0.125, FOMAdjValue1=-0.25, CommonIFBW=3000, CommonDelay=12.5,
         OutputPower=-10.0, PowerSlope=1.75, SegmentListIFBW=1, SegmentListPower=0,
         SegmentListDelay=1, SegmentCount=3),
    dict(SweepMode=0, NPoints=201, MinFrequency=85.0, MaxFrequency=14000.0, MinPower=0.0,
         MaxPower=0.0, FixedFreq=7042.5, FOMState=0, FOMOffset0=0.0, FOMOffset1=1e-06,
         FOMMultiplier0=1, FOMMultiplier1=-1000, FOMDivider0=1000, FOMDivider1=1, FOMAdjust=0,
         FOMAdjPort=0, FOMAdjValue0=-0.5, FOMAdjValue1=0.5, CommonIFBW=-1, CommonDelay=0.175,
         OutputPower=-10.0, PowerSlope=0.0, SegmentListIFBW=0, SegmentListPower=1,
         SegmentListDelay=0, SegmentCount=-7),
]

# The segment file the helper saves: the list flags, then the first two sample segments.
SEG_FLAGS = [("SegmentListPower", 1), ("SegmentListIFBW", 0), ("SegmentListDelay", 1),
             ("SegmentCenterPriority", 0)]
SEG_TABLE = SEGMENTS[:2]


def pack():
    out = bytearray()
    for seg in SEGMENTS:
        buf = bytearray(SEGMENT_SIZE)
        for offset, code, field in SEGMENT_LAYOUT:
            struct.pack_into("<" + code, buf, offset, seg[field])
        out += buf
    for rec in RANGES:
        buf = bytearray(RANGE_SIZE)  # reserved bytes stay 0
        for offset, code, name in RANGE_LAYOUT:
            struct.pack_into("<" + code, buf, offset, rec[name])
        out += buf
    return bytes(out)


def unpack(data):
    segments = []
    for k in range(len(SEGMENTS)):
        base = k * SEGMENT_SIZE
        segments.append(tuple(struct.unpack_from("<" + code, data, base + offset)[0]
                              for offset, code, _ in SEGMENT_LAYOUT))
    ranges = []
    for k in range(len(RANGES)):
        base = len(SEGMENTS) * SEGMENT_SIZE + k * RANGE_SIZE
        ranges.append({name: struct.unpack_from("<" + code, data, base + offset)[0]
                       for offset, code, name in RANGE_LAYOUT})
    return segments, ranges


def same_number(a, b):
    """Equal values, with the sign of a zero counted."""
    return a == b and math.copysign(1.0, a) == math.copysign(1.0, b)


def expected_seg_keys():
    keys = list(SEG_FLAGS) + [("SegmentCount", len(SEG_TABLE))]
    for i, (start, stop, points, ifbw, delay, power) in enumerate(SEG_TABLE):
        keys += [("SegmentStart%d" % i, start), ("SegmentStop%d" % i, stop),
                 ("SegmentPoints%d" % i, points), ("SegmentIFBW%d" % i, ifbw),
                 ("SegmentDelay%d" % i, delay), ("SegmentOutPower%d" % i, power)]
    return keys


def check_seg_file(path, problems):
    with open(path, "rb") as f:
        raw = f.read()
    if not raw.startswith(codecs.BOM_UTF16_LE):
        problems.append("segment file: no UTF-16LE byte-order mark")
    text = raw.decode("utf-16")
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read_string(text)
    if parser.sections() != ["SegmentSweepData"]:
        problems.append("segment file: sections %r" % parser.sections())
        return
    section = parser["SegmentSweepData"]
    want = expected_seg_keys()
    if list(section.keys()) != [k for k, _ in want]:
        problems.append("segment file: keys %r" % list(section.keys()))
    for key, value in want:
        if key not in section:
            continue
        got = section[key]
        ok = int(got) == value if isinstance(value, int) else same_number(float(got), value)
        if not ok:
            problems.append("segment file: %s = %r, expected %r" % (key, got, value))


def check_decoded(lines, problems):
    """Lines 'segment k v1 ... v6' and 'range k Name value' from the helper."""
    got_segments = {}
    got_ranges = {}
    for line in lines:
        parts = line.split()
        if not parts:
            continue
        if parts[0] == "segment":
            got_segments[int(parts[1])] = [float(x) for x in parts[2:]]
        elif parts[0] == "range":
            got_ranges.setdefault(int(parts[1]), {})[parts[2]] = float(parts[3])
    for k, seg in enumerate(SEGMENTS):
        got = got_segments.get(k)
        if got is None or len(got) != 6 or not all(same_number(g, float(e)) for g, e in zip(got, seg)):
            problems.append("decoded segment %d: %r, expected %r" % (k, got, seg))
    for k, rec in enumerate(RANGES):
        got = got_ranges.get(k, {})
        for name in RANGE_FIELDS:
            if name not in got or not same_number(got[name], float(rec[name])):
                problems.append("decoded record %d: %s = %r, expected %r" % (k, name, got.get(name), rec[name]))


def main():
    if len(sys.argv) >= 2 and sys.argv[1] == "--write":
        with open(GOLDEN, "wb") as f:
            f.write(pack())
        return 0
    if len(sys.argv) != 3 or sys.argv[1] != "--check":
        print(__doc__)
        return 2
    problems = []
    with open(GOLDEN, "rb") as f:
        golden = f.read()
    packed = pack()
    if packed != golden:
        problems.append("Python's packing differs from the committed golden file")
    segments, ranges = unpack(golden)
    if any(not all(same_number(float(a), float(b)) for a, b in zip(s, e)) for s, e in zip(segments, SEGMENTS)):
        problems.append("unpacking the golden segments gives other values")
    if ranges != RANGES:
        problems.append("unpacking the golden records gives other values")

    with tempfile.TemporaryDirectory() as folder:
        result = subprocess.run([sys.argv[2], folder, GOLDEN], capture_output=True, text=True)
        if result.returncode != 0:
            print(result.stdout, result.stderr)
            problems.append("helper failed with %d" % result.returncode)
        else:
            with open(os.path.join(folder, "records.bin"), "rb") as f:
                ours = f.read()
            if ours != golden:
                first = next((i for i, (a, b) in enumerate(zip(ours, golden)) if a != b), min(len(ours), len(golden)))
                problems.append("the program's bytes differ from the golden file at byte %d" % first)
            with open(os.path.join(folder, "decoded.txt"), encoding="ascii") as f:
                check_decoded(f.read().splitlines(), problems)
            check_seg_file(os.path.join(folder, "table.seg"), problems)

    for p in problems:
        print(p)
    print("peer_records: %s" % ("FAILED" if problems else "ok"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
