#!/usr/bin/python3
"""Reference values for the checksum and the Windows-1251 table, from Python's own zlib and codecs.

    foundation_crc.py --write           writes golden/foundation_crc.txt and golden/foundation_cp1251.txt
    foundation_crc.py --check crc       recomputes the CRC file in memory and compares it with the
    foundation_crc.py --check cp1251    committed one (exit 1 and a diff on any difference)

The C++ tests read the same golden files and compare the program's CRC-32 and Windows-1251
decoder with them. Buffers are described by a rule both sides can rebuild:
    hex <bytes in hex, '-' for none> <start> <crc>
    ramp <n> <start> <crc>              byte i = (7 * i + 3) mod 256
    lcg <seed> <n> <start> <crc>        x = (1103515245 * x + 12345) mod 2^31, byte = (x >> 16) & 0xFF
    chain <n> <split> <crc>             the lcg 1 buffer of n bytes, folded in two pieces at split
All numbers are decimal except the hex bytes and the crc (8 hex digits).
"""
import difflib
import os
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden")


def ramp(n):
    return bytes((7 * i + 3) & 0xFF for i in range(n))


def lcg(seed, n):
    out = bytearray(n)
    x = seed
    for i in range(n):
        x = (1103515245 * x + 12345) & 0x7FFFFFFF
        out[i] = (x >> 16) & 0xFF
    return bytes(out)


def crc_lines():
    lines = ["# CRC-32 reference values from Python's zlib.crc32 (tests/peer/foundation_crc.py)"]
    texts = [b"123456789", b"abc", b"", b"a", b"The quick brown fox jumps over the lazy dog",
             bytes(range(256)), b"\x00" * 32, b"\xff" * 32]
    for data in texts:
        for start in (0, 0x12345678, 0xFFFFFFFF):
            lines.append("hex %s %d %08x" % (data.hex() or "-", start, zlib.crc32(data, start)))
    for n in (1, 7, 8, 9, 255, 256, 4097, 65537):
        lines.append("ramp %d %d %08x" % (n, 0, zlib.crc32(ramp(n))))
    for seed, n in ((1, 1000), (2, 100000), (12345, 1 << 20)):
        lines.append("lcg %d %d %d %08x" % (seed, n, 0, zlib.crc32(lcg(seed, n))))
    lines.append("lcg %d %d %d %08x" % (3, 5000, 0xCAFEBABE, zlib.crc32(lcg(3, 5000), 0xCAFEBABE)))
    whole = lcg(1, 10000)
    for split in (0, 1, 7, 8, 4999, 9999, 10000):
        crc = zlib.crc32(whole[split:], zlib.crc32(whole[:split]))
        lines.append("chain %d %d %08x" % (len(whole), split, crc))
    return lines


def cp1251_lines():
    lines = ["# Windows-1251 byte -> Unicode code point from Python's cp1251 codec "
             "(tests/peer/foundation_crc.py); 0x98 is unassigned there and is U+FFFD here"]
    for b in range(256):
        try:
            cp = ord(bytes([b]).decode("cp1251"))
        except UnicodeDecodeError:
            cp = 0xFFFD
        lines.append("%02x %04x" % (b, cp))
    return lines


FILES = {
    "crc": ("foundation_crc.txt", crc_lines),
    "cp1251": ("foundation_cp1251.txt", cp1251_lines),
}


def main(argv):
    if len(argv) == 2 and argv[1] == "--write":
        os.makedirs(GOLDEN, exist_ok=True)
        for name, make in FILES.values():
            with open(os.path.join(GOLDEN, name), "w", encoding="ascii", newline="\n") as f:
                f.write("\n".join(make()) + "\n")
        return 0
    if len(argv) == 3 and argv[1] == "--check" and argv[2] in FILES:
        name, make = FILES[argv[2]]
        path = os.path.join(GOLDEN, name)
        with open(path, encoding="ascii") as f:
            committed = f.read().splitlines()
        fresh = make()
        if committed != fresh:
            sys.stdout.writelines(l + "\n" for l in difflib.unified_diff(committed, fresh, path, "recomputed"))
            return 1
        print("%s: %d lines agree" % (name, len(fresh)))
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
