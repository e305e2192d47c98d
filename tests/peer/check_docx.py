#!/usr/bin/python3
"""Peer check of the report packages (.docx) with Python's own zip and XML readers.

    check_docx.py DUMP              runs DUMP (tests/peer/docx_dump.cpp) into a temporary folder:
                                    it writes the report of every fixture template, the templates
                                    and manifest.txt; then every report is read with zipfile and
                                    xml.etree and checked:
                                      - the zip is whole (CRCs) and the content types come first;
                                      - the content types make the main part a document and know
                                        PNG once; the package relationship reaches the main part;
                                      - no "<Model>", "<SerialNum>" or "<Image>" in the body, the
                                        model and serial number in it when the template asks;
                                      - one drawing, whose relationship (ids unique) names a PNG
                                        part that zlib and the PNG row filters here decode to the
                                        fixture's picture, pixel for pixel;
                                      - its size: 9525 EMU per pixel, shrunk to the last
                                        section's text width, never grown, aspect kept;
                                      - in a table cell or at the end of the last paragraph as
                                        the fixture says; every other part of the template
                                        byte for byte (headers keep their placeholders).
    check_docx.py --soffice DUMP    converts every report to PDF with LibreOffice (headless, a
                                    private profile); exit 77 (skipped) without soffice.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile
import zlib

W = "{http://schemas.openxmlformats.org/wordprocessingml/2006/main}"
R = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"
A = "{http://schemas.openxmlformats.org/drawingml/2006/main}"
WP = "{http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing}"
CT = "{http://schemas.openxmlformats.org/package/2006/content-types}"
PR = "{http://schemas.openxmlformats.org/package/2006/relationships}"
DOCUMENT_TYPE = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"
IMAGE_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image"
OFFICE_DOC_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument"
REWRITTEN = {"word/document.xml", "[Content_Types].xml", "word/_rels/document.xml.rels"}

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        print("FAIL:", what)


def fixture_pixel(x, y):
    """The fixture picture (docxfix::Pixels): RGB of pixel (x, y)."""
    return ((x * 7) & 0xFF, (y * 5) & 0xFF, (x ^ y) & 0xFF)


def decode_png(data):
    """(width, height, rows of RGB bytes) of an 8-bit RGB PNG, decoded here."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "no PNG signature"
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        assert zlib.crc32(kind + body) & 0xFFFFFFFF == crc, "chunk CRC"
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (depth, colour, interlace) == (8, 2, 0), "not 8-bit RGB without interlace"
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            if f == 1:
                line[i] = (line[i] + a) & 0xFF
            elif f == 2:
                line[i] = (line[i] + b) & 0xFF
            elif f == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 0xFF
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
            else:
                assert f == 0, "filter %d" % f
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def texts(node):
    return "".join(t.text or "" for t in node.iter(W + "t"))


def check_report(folder, fields):
    name = fields[0]
    width, height = int(fields[1]), int(fields[2])
    has_template, in_body, in_table, at_end, header = (f == "1" for f in fields[3:8])
    path = os.path.join(folder, name + ".docx")
    with zipfile.ZipFile(path) as z:
        check(z.testzip() is None, name + ": a damaged entry")
        names = z.namelist()
        check(len(names) == len(set(names)), name + ": a part twice")
        check(names[0] == "[Content_Types].xml", name + ": content types not first")
        parts = {n: z.read(n) for n in names}

    types = ET.fromstring(parts["[Content_Types].xml"])
    pngs = [d for d in types.findall(CT + "Default") if d.get("Extension", "").lower() == "png"]
    check(len(pngs) == 1 and pngs[0].get("ContentType") == "image/png", name + ": PNG content type")
    mains = [o for o in types.findall(CT + "Override") if o.get("PartName") == "/word/document.xml"]
    check(len(mains) == 1 and mains[0].get("ContentType") == DOCUMENT_TYPE, name + ": main part type")
    check(not any("template.main" in (o.get("ContentType") or "") for o in types), name + ": still a template")
    package = ET.fromstring(parts["_rels/.rels"])
    check(any(r.get("Type") == OFFICE_DOC_REL and r.get("Target").lstrip("/") == "word/document.xml"
              for r in package), name + ": main part not reached")

    doc = ET.fromstring(parts["word/document.xml"])
    body = doc.find(W + "body")
    text = texts(body)
    for placeholder in ("<Model>", "<SerialNum>", "<Image>"):
        check(placeholder not in text, "%s: %s left in %r" % (name, placeholder, text))
    if in_body:
        check("TERVAN K30" in text and "1234" in text, "%s: texts missing in %r" % (name, text))

    drawings = list(body.iter(W + "drawing"))
    check(len(drawings) == 1, "%s: %d drawings" % (name, len(drawings)))
    if len(drawings) != 1:
        return
    drawing = drawings[0]
    embed = drawing.find(".//" + A + "blip").get(R + "embed")
    rels = ET.fromstring(parts["word/_rels/document.xml.rels"])
    ids = [r.get("Id") for r in rels]
    check(len(ids) == len(set(ids)), name + ": relationship ids repeat")
    targets = [r.get("Target") for r in rels if r.get("Id") == embed and r.get("Type") == IMAGE_REL]
    check(len(targets) == 1, name + ": no image relationship " + str(embed))
    if len(targets) != 1:
        return
    png = parts.get("word/" + targets[0])
    check(png is not None, name + ": no part " + targets[0])
    if png is None:
        return
    w, h, rows = decode_png(png)
    check((w, h) == (width, height), "%s: picture %dx%d" % (name, w, h))
    bad = [(x, y) for y in range(h) for x in range(w)
           if tuple(rows[y][3 * x:3 * x + 3]) != fixture_pixel(x, y)]
    check(not bad, "%s: %d pixels differ, first %s" % (name, len(bad), bad[:1]))

    sect = body.find(W + "sectPr")
    text_width = int(sect.find(W + "pgSz").get(W + "w"))
    margins = sect.find(W + "pgMar")
    for side in ("left", "right", "gutter"):
        text_width -= int(margins.get(W + side, "0"))
    text_width *= 635
    extent = drawing.find(".//" + WP + "extent")
    cx, cy = int(extent.get("cx")), int(extent.get("cy"))
    check(cx == min(width * 9525, text_width), "%s: width %d EMU" % (name, cx))
    check(abs(cy - height * 9525 * cx / (width * 9525)) <= 1, "%s: height %d EMU" % (name, cy))

    parents = {child: parent for parent in doc.iter() for child in parent}
    chain, node = [], drawing
    while node in parents:
        node = parents[node]
        chain.append(node.tag)
    if in_table:
        check(W + "tc" in chain, name + ": picture not in the table cell")
    if at_end:
        last = body.findall(W + "p")[-1]
        check(drawing in list(last.iter(W + "drawing")), name + ": picture not in the last paragraph")

    if has_template:
        with zipfile.ZipFile(os.path.join(folder, name + ".dotx")) as t:
            for n in t.namelist():
                if n in REWRITTEN:
                    continue
                check(parts.get(n) == t.read(n), "%s: part %s changed" % (name, n))
                if header and n == "word/header1.xml":
                    check(b"&lt;Model&gt;" in parts.get(n, b""), name + ": header lost its placeholder")


def run_soffice(folder, reports):
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print("LibreOffice (soffice) is not installed: check skipped")
        return 77
    profile = tempfile.mkdtemp(prefix="tervan-soffice-")
    try:
        out = os.path.join(folder, "pdf")
        paths = [os.path.join(folder, r + ".docx") for r in reports]
        subprocess.run([soffice, "-env:UserInstallation=file://" + profile, "--headless", "--norestore",
                        "--convert-to", "pdf", "--outdir", out] + paths,
                       check=True, timeout=240, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        for r in reports:
            pdf = os.path.join(out, r + ".pdf")
            ok = os.path.isfile(pdf) and os.path.getsize(pdf) > 0
            if ok:
                with open(pdf, "rb") as f:
                    ok = f.read(5) == b"%PDF-"
            check(ok, r + ": no PDF from LibreOffice")
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    return 1 if failures else 0


def main():
    args = sys.argv[1:]
    soffice = bool(args) and args[0] == "--soffice"
    if soffice:
        args = args[1:]
    if len(args) != 1:
        print(__doc__)
        return 2
    if soffice and not (shutil.which("soffice") or shutil.which("libreoffice")):
        print("LibreOffice (soffice) is not installed: check skipped")
        return 77
    with tempfile.TemporaryDirectory(prefix="tervan-docx-") as folder:
        subprocess.run([args[0], folder], check=True)
        with open(os.path.join(folder, "manifest.txt")) as f:
            lines = [line.split() for line in f if line.strip()]
        check(len(lines) >= 6, "the manifest lists %d reports" % len(lines))
        if soffice:
            return run_soffice(folder, [fields[0] for fields in lines])
        for fields in lines:
            check_report(folder, fields)
        print("%d reports checked, %d failures" % (len(lines), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
