#!/usr/bin/env python3
"""Checks that every English text the program translates has a Russian value.

    check_translations.py TOP [TABLE]

Scans the program's source folders under TOP (not the tests) for string literals handed to
the lookup: Translate("..."), TranslateAnsi("..."), TranslateText("...") and the marker
TranslationKey("...") for keys translated away from their literal. TABLE is the translation
table kept as UTF-8 text (default TOP/resources/translation/Translation_RU.txt): "key"="value"
lines, blank lines and '#' notes. Every key found must be in the table with a value that is
not empty. Exit code 0 when all are; otherwise each missing key is printed as
file:line: "key" and the exit code is 1.
"""
import os
import re
import sys

SOURCE_FOLDERS = ["platform", "model", "instrument", "calibration", "traces", "display",
                  "widgets", "shell", "automation", "dialogs"]
SOURCE_EXT = (".h", ".hpp", ".cpp", ".cc")

# A call of the lookup or the marker with one plain string literal as its whole argument.
CALL_RE = re.compile(
    r'(?<![A-Za-z0-9_])(?:Translate|TranslateAnsi|TranslateText|TranslationKey)\s*\(\s*'
    r'(?:u8)?"((?:\\.|[^"\\\n])*)"\s*\)')
SIMPLE_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"', "'": "'", "?": "?",
                  "0": "\0"}


def unescape(literal):
    """The text of a C++ string literal's body (simple escapes only)."""
    return re.sub(r'\\(.)', lambda m: SIMPLE_ESCAPES.get(m.group(1), m.group(0)), literal)


def strip_comments(text):
    """Blanks out comments, keeping line numbers and string literals."""
    out = []
    i = 0
    n = len(text)
    while i < n:
        c = text[i]
        if c == '"':
            j = i + 1
            while j < n and text[j] != '"' and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif c == "'":
            j = i + 1
            while j < n and text[j] != "'" and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_table(path):
    """Keys of the table with a value that is not empty."""
    keys = set()
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            line = line.lstrip("\ufeff")
            if not line or line.startswith("#"):
                continue
            # Split as the language module does: at the first '='.
            eq = line.find("=")
            if (len(line) >= 2 and line[0] == '"' and line[-1] == '"' and eq >= 2
                    and eq + 2 < len(line) - 1 and line[eq - 1] == '"' and line[eq + 1] == '"'):
                keys.add(line[1:eq - 1])
    return keys


def scan(top):
    """(relative path, line number, key) of every literal key under top's source folders."""
    found = []
    for folder in SOURCE_FOLDERS:
        root = os.path.join(top, folder)
        if not os.path.isdir(root):
            continue
        for dirpath, dirs, files in os.walk(root):
            dirs.sort()
            for name in sorted(files):
                if not name.endswith(SOURCE_EXT):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    code = strip_comments(f.read())
                rel = os.path.relpath(path, top).replace(os.sep, "/")
                for m in CALL_RE.finditer(code):
                    line = code.count("\n", 0, m.start()) + 1
                    found.append((rel, line, unescape(m.group(1))))
    return found


def main():
    if len(sys.argv) < 2 or len(sys.argv) > 3:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    top = sys.argv[1]
    table = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
        top, "resources", "translation", "Translation_RU.txt")
    keys = read_table(table)
    missing = [(rel, line, key) for rel, line, key in scan(top) if key and key not in keys]
    for rel, line, key in missing:
        print(f'{rel}:{line}: "{key}" has no Russian value in {os.path.relpath(table, top)}')
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
