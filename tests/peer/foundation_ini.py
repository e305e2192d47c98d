#!/usr/bin/python3
"""Peer check of the in-memory ini document's file form.

Drives the C++ helper (argv[1]) with a list of writes, then reads the file it saved with
Python's own codecs and configparser and checks it against a model of those writes kept here:
the same sections, keys and values in the same order. The model follows the document's rules:
section and key names match regardless of ASCII case, a write replaces the value (and the
key's spelling) in place, raw lines are kept in order, and CR, LF and NUL inside a text are
written as blanks. configparser strips values, as the program's own reader does.
"""
import codecs
import configparser
import os
import random
import struct
import subprocess
import sys
import tempfile


def fold(name):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in name)


class Model:
    """Sections in first-written order, each a list of [key, value] (value None: raw line)."""

    def __init__(self):
        self.sections = []  # [name, entries]

    def section(self, name, create):
        for s in self.sections:
            if fold(s[0]) == fold(name):
                return s
        if not create:
            return None
        s = [name, []]
        self.sections.append(s)
        return s

    def write(self, section, key, value):
        entries = self.section(section, True)[1]
        for e in entries:
            if e[1] is not None and fold(e[0]) == fold(key):
                e[0], e[1] = key, value
                return
        entries.append([key, value])

    def raw(self, section, line):
        self.section(section, True)[1].append([line, None])

    def delete(self, section, key):
        s = self.section(section, False)
        if s:
            s[1][:] = [e for e in s[1] if e[1] is None or fold(e[0]) != fold(key)]

    def erase(self, section):
        self.sections = [s for s in self.sections if fold(s[0]) != fold(section)]


def as_written(text):
    return text.replace("\r", " ").replace("\n", " ").replace("\0", " ")


def main():
    tool = sys.argv[1]
    rng = random.Random(2024)
    model = Model()
    ops = []

    def op(kind, section, key, value):
        data = value if isinstance(value, bytes) else value.encode("utf-8")
        ops.append(kind.encode() + b"".join(struct.pack("<I", len(f)) + f
                                            for f in (section.encode("utf-8"), key.encode("utf-8"), data)))

    def write(section, key, value):
        op("S", section, key, value)
        model.write(section, key, value)

    write("Main", "Title", "  padded on both sides\t ")
    write("Main", "Equation", "a=b=c")
    write("Main", "Semicolon", "x ; not a comment")
    write("Main", "Hash", "# not a comment either")
    write("Main", "Percent", "100% %(name)s")
    write("Main", "Brackets", "[Not a section]")
    write("Main", "Quotes", "\"quoted\" and 'single' \\ back\\slash")
    write("Main", "Empty", "")
    write("Main", "Cyrillic", "Калибровка порта 1")
    write("Main", "Astral", "emoji 😀 and 𝄞")
    write("Main", "Label", "line one\r\n[Forged]\r\nInjected=1\nend")
    write("Main", "Nul", "before\0after")
    write("Main", "Tab", "in\tside")
    write("main", "TITLE", "replaced in place")          # same key, other case
    write("Канал 1", "Имя", "значение")
    write("Emoji 😀 Section", "Key", "v")
    write("CHANNEL2RANGE", "NPoints", "201")
    write("Channel2Range", "npoints", "16001")            # same section, other case
    write("Doomed", "K", "v")
    op("E", "doomed", "", "")
    model.erase("doomed")
    write("Main", "Gone", "v")
    op("D", "MAIN", "gone", "")
    model.delete("MAIN", "gone")
    # A raw line holding '=' reads back as a key (by both readers).
    for line in ("1.5 2.5 3.5", "row with = sign", "-7 8e-3 9,5"):
        op("R", "Table", "", line)
        model.raw("Table", line)
    write("Table", "Count", "3")

    floats = [0.005 * int(0.175 / 0.005 + 0.5), 0.1, 1.0 / 3.0, -2.5e-300, 5e-324, 1.7976931348623157e308,
              16001.0, 1e16, 123456789.125]
    for i, x in enumerate(floats):
        op("F", "Numbers", "F%d" % i, repr(x))
        model.write("Numbers", "F%d" % i, ("float", x))
    for i, n in enumerate([0, -1, 2147483647, -2147483648, 9007199254740993]):
        op("I", "Numbers", "I%d" % i, str(n))
        model.write("Numbers", "I%d" % i, str(n))

    blob = bytes(rng.getrandbits(8) for _ in range(16001 * 32))
    op("B", "Channel1Range", "RangeData", blob)
    model.write("Channel1Range", "RangeData", blob.hex().upper())

    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        ops_path = os.path.join(tmp, "ops.bin")
        ini_path = os.path.join(tmp, "state.cfg")
        with open(ops_path, "wb") as f:
            f.write(b"".join(ops))
        subprocess.run([tool, ops_path, ini_path], check=True)
        with open(ini_path, "rb") as f:
            raw = f.read()

    if not raw.startswith(codecs.BOM_UTF16_LE):
        failures.append("no UTF-16LE byte-order mark")
    text = raw[2:].decode("utf-16-le")
    if "\r" in text.replace("\r\n", "") or "\n" in text.replace("\r\n", ""):
        failures.append("a line break other than CR LF")

    parser = configparser.ConfigParser(interpolation=None, delimiters=("=",), comment_prefixes=(";",),
                                       inline_comment_prefixes=None, strict=True, allow_no_value=True,
                                       empty_lines_in_values=False, default_section="\x01none")
    parser.optionxform = str
    parser.read_string(text)

    expected_sections = [as_written(s[0]) for s in model.sections]
    if parser.sections() != expected_sections:
        failures.append("sections %r, expected %r" % (parser.sections(), expected_sections))
    for name, entries in model.sections:
        name = as_written(name)
        if not parser.has_section(name):
            continue
        got = list(parser.items(name, raw=True))
        want = []
        for key, value in entries:
            if value is None and "=" in key:
                k, v = as_written(key).split("=", 1)
                want.append((k.strip(), v))
            elif value is None:
                want.append((as_written(key).strip(), None))
            else:
                want.append((as_written(key).strip(), value))
        if [k for k, _ in got] != [k for k, _ in want]:
            failures.append("[%s] keys %r, expected %r" % (name, [k for k, _ in got], [k for k, _ in want]))
            continue
        for (key, g), (_, w) in zip(got, want):
            if isinstance(w, tuple):
                ok = g is not None and float(g) == w[1]
                shown = w[1]
            else:
                w = None if w is None else as_written(w).strip()
                ok = g == w
                shown = w
            if not ok:
                failures.append("[%s] %s = %r, expected %r" % (name, key, (g or "")[:80], str(shown)[:80]))

    for f in failures:
        print("FAIL:", f)
    if failures:
        return 1
    print("configparser read %d sections, %d keys, as written" %
          (len(model.sections), sum(len(s[1]) for s in model.sections)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
