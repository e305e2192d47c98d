#!/usr/bin/env python3
"""Checks the layering of the source tree.

A file includes only from its own folder's layer or the layers above it; the engine folders
include no Qt and call no locale-bound or printf/scanf-family text functions.
Exit code 0 when clean; every violation is printed as file:line: reason.
"""
import os
import re
import sys

# Layers from top to bottom; a folder may include only from its own rank or a smaller one.
LAYERS = ["platform", "model", "instrument", "calibration", "traces", "platform/ui",
          "display", "widgets", "shell", "automation", "dialogs"]
ENGINE = {"platform", "model", "instrument", "calibration", "traces"}
# Folders above the engine that still include no Qt header themselves.
NO_QT = {"automation"}
SOURCE_EXT = (".h", ".hpp", ".cpp", ".cc")
# Libraries outside Qt that a layer links (the report package: zip and XML in the shell); their
# headers are included only from that layer and the layers below it.
LIBRARY_LAYER = {"zip.h": "shell", "zipconf.h": "shell", "pugixml.hpp": "shell", "pugiconfig.hpp": "shell"}

INCLUDE_RE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_RE = re.compile(r'^(Q[A-Za-z0-9_]*|Qt[A-Za-z]+/.*)(\.h)?$')
BANNED_CALL_RE = re.compile(
    r'(?<![A-Za-z0-9_])(?:std::)?(printf|fprintf|sprintf|snprintf|vprintf|vfprintf|vsprintf|vsnprintf|'
    r'scanf|fscanf|sscanf|vscanf|vfscanf|vsscanf|strtod|strtof|strtold|atof|atoi|atol|atoll|'
    r'stod|stof|stold)\s*\(')
TO_STRING_RE = re.compile(r'std::to_string\s*\(')


def layer_of(rel_path):
    """The layer a path (relative to the top) belongs to, or None."""
    parts = rel_path.split("/")
    if len(parts) >= 3 and parts[1] == "ui":
        if parts[0] == "platform":
            return "platform/ui"
        return "dialogs"  # <folder>/ui dialogs sit with the dialogs
    if parts[0] in LAYERS:
        return parts[0]
    return None


def strip_comments_and_strings(text):
    text = re.sub(r'/\*.*?\*/', lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)
    text = re.sub(r'//[^\n]*', '', text)
    text = re.sub(r'"(?:\\.|[^"\\\n])*"', '""', text)
    return text


def main():
    top = sys.argv[1] if len(sys.argv) > 1 else os.getcwd()
    problems = []
    for folder in sorted({layer.split("/")[0] for layer in LAYERS}):
        root = os.path.join(top, folder)
        if not os.path.isdir(root):
            continue
        for dirpath, _dirs, files in os.walk(root):
            for name in files:
                if not name.endswith(SOURCE_EXT):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, top).replace(os.sep, "/")
                layer = layer_of(rel)
                if layer is None:
                    continue
                rank = LAYERS.index(layer)
                with open(path, encoding="utf-8", errors="replace") as f:
                    raw = f.read()
                for lineno, line in enumerate(raw.splitlines(), 1):
                    m = INCLUDE_RE.match(line)
                    if not m:
                        continue
                    target = m.group(2)
                    target_layer = layer_of(target)
                    if m.group(1) == '"' and target_layer is not None:
                        if LAYERS.index(target_layer) > rank:
                            problems.append(f"{rel}:{lineno}: {layer} includes {target} from the lower layer {target_layer}")
                    lib_layer = LIBRARY_LAYER.get(target) if m.group(1) == '<' else None
                    if lib_layer is not None and LAYERS.index(lib_layer) > rank:
                        problems.append(f"{rel}:{lineno}: {layer} includes {target}, a library of the layer {lib_layer}")
                    if layer in ENGINE and QT_RE.match(target):
                        problems.append(f"{rel}:{lineno}: engine folder {layer} includes Qt header {target}")
                    if layer in NO_QT and QT_RE.match(target):
                        problems.append(f"{rel}:{lineno}: folder {layer} includes Qt header {target}")
                code = strip_comments_and_strings(raw)
                if layer in ENGINE:
                    for lineno, line in enumerate(code.splitlines(), 1):
                        m = BANNED_CALL_RE.search(line)
                        if m:
                            problems.append(f"{rel}:{lineno}: engine folder {layer} calls {m.group(1)}")
                        if TO_STRING_RE.search(line):
                            problems.append(f"{rel}:{lineno}: engine folder {layer} calls std::to_string")
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} layering problem(s)")
        return 1
    print("layering clean")
    return 0


if __name__ == "__main__":
    sys.exit(main())
