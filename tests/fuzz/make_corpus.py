#!/usr/bin/env python3
"""Writes the starting corpora of the fuzzing harnesses into tests/fuzz/corpus/: small, valid
inputs of each reader, as the program meets them. Run once by a developer; the files are kept in
the repository, beside every input that once crashed a reader. Needs ImageMagick's convert for
the photographs (scripts/deps.sh installs it with HALCYRA_DEV_TOOLS=1).

    make_corpus.py [KIND...]    KIND: factor_file legacy_file course_columns patient_search
                                photograph report_file (default: all)"""

import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CORPUS = os.path.join(HERE, "corpus")


def write(kind, name, data):
    folder = os.path.join(CORPUS, kind)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- dose factor files ------------------------------------------------------------------------

def demo_fields():
    fields = {}
    with open(os.path.join(ROOT, "demo", "UVB_Factors.txt"), encoding="ascii") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            name, value = line.rstrip("\n").split("\t", 1)
            fields[name] = value
    return fields


def bmp(width, height, bits, rows, palette=b"", compression=0):
    header_size = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(rows), 2835, 2835,
                       len(palette) // 4, 0)
    return b"BM" + struct.pack("<IHHI", header_size + len(rows), 0, 0, header_size) + info + palette + rows


def factor_files():
    f = demo_fields()
    fixed = struct.pack("<d", float(f["ESF"]))
    for table in ("Lighter", "Average", "Darker"):
        fixed += struct.pack("<24d", *(float(v) for v in f[table].split()))
    for table in ("MED_Min", "MED_Max"):
        fixed += struct.pack("<6i", *(int(v) for v in f[table].split()))
    fixed += bytes.fromhex(f["Min_DA"]) + bytes.fromhex(f["Max_DA"]) + bytes(8)
    assert len(fixed) == 656
    pattern = f["Default_Format"].encode("ascii")
    tail = struct.pack("<ii", int(f["Default_Lang"]), len(pattern)) + pattern
    # A 2 x 2 logo in 24-bit colour (rows padded to 4 bytes), one in 8 bits with a palette and one
    # run-length coded.
    logo24 = bmp(2, 2, 24, b"\x00\x00\xff\xff\xff\xff\x00\x00" + b"\xff\x00\x00\x00\xff\x00\x00\x00")
    palette = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    logo8 = bmp(2, 2, 8, b"\x00\x01\x00\x00\x01\x00\x00\x00", palette)
    rle8 = bmp(4, 2, 8, b"\x04\x01\x00\x00\x02\x00\x02\x01\x00\x01", palette, compression=1)
    write("factor_file", "fixed-part-only.Dat", fixed)
    write("factor_file", "pattern-no-logo.Dat", fixed + tail)
    write("factor_file", "logo-24bit.Dat", fixed + tail + logo24)
    write("factor_file", "logo-8bit-no-pattern.Dat", fixed + struct.pack("<ii", 0, 0) + logo8)
    write("factor_file", "logo-rle8.Dat", fixed + tail + rle8)
    write("factor_file", "short-200-bytes.Dat", fixed[:200])
    # A demonstration calibration: the mark after the logo, and after the fixed part alone.
    mark = b"\nHALCYRA DEMONSTRATION CALIBRATION: NOT FOR CLINICAL USE\n"
    write("factor_file", "demonstration-mark.Dat", fixed + tail + logo24 + mark)
    write("factor_file", "demonstration-mark-no-tail.Dat", fixed + mark)


# ---- legacy patient files ---------------------------------------------------------------------

def uvb(name, nhi, age, duration, skin, med, increments):
    def text(t):
        data = t.encode("cp1252")
        return struct.pack("<i", len(data)) + data
    return (text(name) + text(nhi) + text(age) + text(duration) + struct.pack("<i", skin) + text(med) +
            struct.pack("<29i", *increments))


def legacy_files():
    standard = [25] * 4 + [20] * 10 + [15] * 10 + [10] * 5
    write("legacy_file", "two-words.UVB", uvb("John Smith", "ABC1234", "45.5", "3 years", 2, "120", standard))
    write("legacy_file", "initial-and-accents.UVB",
          uvb("J Paul Sánchez-Ørsted", "  XYZ9876", "45 years", "since childhood, worse in winter", 7, "-5",
              [-5, 0, 32766, 32767, -32768] + [10] * 24))
    write("legacy_file", "blank-nhi.UVB", uvb("Mary Ng", "", "", "", 1, "80", [0] * 29))


# ---- course columns ---------------------------------------------------------------------------

NULL, INTEGER, REAL, TEXT, BYTES = range(5)


def column(kind, value=None):
    if kind == NULL:
        return bytes([NULL])
    if kind == INTEGER:
        return bytes([INTEGER]) + struct.pack("<q", value)
    if kind == REAL:
        return bytes([REAL]) + struct.pack("<d", value)
    return bytes([kind]) + struct.pack("<H", len(value)) + value


def short_strings(texts):
    return b"".join(bytes([len(t)]) + t for t in texts)


def course(records, increments, spots, spots_kind=INTEGER):
    burn = bytes(r[0] & 0xFF for r in records)
    condition = bytes(r[1] & 0xFF for r in records)
    temperature = b"".join(struct.pack("<f", r[2]) for r in records)
    dose = b"".join(struct.pack("<f", r[3]) for r in records)
    when = b"".join(struct.pack("<d", r[4])[4:] for r in records)
    times = short_strings([r[5] for r in records])
    initials = short_strings([r[6] for r in records])
    pinc = b"".join(struct.pack("<h", -32768 if i is None else i) for i in increments)
    spot_bytes = b"".join(struct.pack("<ii", x, y) for x, y in spots)
    count = column(spots_kind, len(spots)) if spots_kind in (INTEGER,) else column(spots_kind, str(len(spots)).encode())
    return b"".join(column(BYTES, v) for v in (burn, condition, temperature, dose, when, times, initials, pinc,
                                               spot_bytes)) + count


def course_columns():
    empty = [(0, 0, 0.0, 0.0, 0.0, b"", b"")] * 29
    recorded = [(0, 3, 36.5, 250.0 + 10 * k, 43800.0 + 2 * k, b"02:%02d" % (10 + k), b"AB") for k in range(12)]
    recorded[3] = (6, 2, 36.5, 250.0, 43806.0, b"02:13", b"XYZ")
    recorded += [(0, 0, 0.0, 0.0, 0.0, b"", b"")] * 17
    increments = [25] * 4 + [20] * 10 + [15] * 10 + [None] * 5
    write("course_columns", "new-course.bin", course(empty, [None] * 29, []))
    write("course_columns", "twelve-treatments.bin", course(recorded, increments, [(100, 50), (150, 200), (40, 10)]))
    full_times = [(0, 4, 35.0, 300.0, 43900.0, b"10:00", b"ABC")] * 29
    write("course_columns", "full-course-twenty-spots.bin",
          course(full_times, [10] * 29, [(x * 10, x * 12) for x in range(20)], spots_kind=TEXT))
    # A course whose records were never stored: only its increments.
    write("course_columns", "increments-only.bin",
          column(NULL) * 7 + column(BYTES, struct.pack("<29h", *([15] * 29))) + column(NULL) * 2)


# ---- patient search ---------------------------------------------------------------------------

def patient_searches():
    write("patient_search", "everyone.bin", b"\x07")
    write("patient_search", "nhi-prefix.bin", b"\x07ABC")
    write("patient_search", "surname-pending.bin", b"\x02\x00smith")
    write("patient_search", "quote.bin", b"\x07\x00O'Br")
    write("patient_search", "both-complete.bin", "\x04ß0\x00straSSe".encode("utf-8"))
    write("patient_search", "wildcards.bin", b"\x01X_Z*\x00%")


# ---- photographs ------------------------------------------------------------------------------

def exif_orientation(jpeg, orientation):
    tiff = b"II*\x00\x08\x00\x00\x00" + b"\x01\x00" + struct.pack("<HHIHH", 0x0112, 3, 1, orientation, 0) + bytes(4)
    body = b"Exif\x00\x00" + tiff
    return jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + jpeg[2:]


def photographs():
    with tempfile.TemporaryDirectory() as tmp:
        def make(name, size, *options):
            out = os.path.join(tmp, name)
            subprocess.run(["convert", "-size", size, "gradient:red-blue", "-strip", *options, out], check=True)
            with open(out, "rb") as f:
                return f.read()
        write("photograph", "baseline-q90.jpg", make("a.jpg", "16x12", "-quality", "90"))
        write("photograph", "progressive.jpg", make("b.jpg", "24x16", "-interlace", "JPEG", "-quality", "75"))
        write("photograph", "grey.jpg", make("c.jpg", "8x8", "-colorspace", "Gray", "-quality", "80"))
        write("photograph", "cmyk.jpg", make("d.jpg", "16x8", "-colorspace", "CMYK", "-quality", "70"))
        write("photograph", "sampling-444.jpg", make("e.jpg", "12x20", "-sampling-factor", "1x1", "-quality", "85"))
        write("photograph", "exif-turned-quarter.jpg", exif_orientation(make("f.jpg", "20x10", "-quality", "90"), 6))
        write("photograph", "optimised-tables.jpg",
              make("g.jpg", "32x16", "-define", "jpeg:optimize-coding=true", "-quality", "90"))


# ---- prepared reports -------------------------------------------------------------------------

# The file is written with Qt's QDataStream (version 6.4): big-endian numbers, doubles of 8 bytes,
# a bool as one byte; texts and pictures as a 32-bit length and the bytes.

def u8(v): return struct.pack(">B", v)
def u32(v): return struct.pack(">I", v)
def i32(v): return struct.pack(">i", v)
def real(*vs): return b"".join(struct.pack(">d", v) for v in vs)
def blob(b): return u32(len(b)) + b
def text(t): return blob(t.encode("utf-8"))
def colour(rgba, valid=True): return u8(1 if valid else 0) + u32(rgba)
BLACK, RED, WHITE = 0xFF000000, 0xFFC80000, 0xFFFFFFFF


def png(width, height, rows=None, idat=None):
    """A PNG in 8-bit RGB; `idat` replaces the pixel data (for a header that claims more)."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    if idat is None:
        raw = b"".join(b"\x00" + row for row in rows)
        idat = zlib.compress(raw, 9)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


def stroke(width=0.2, dashes=()):
    return colour(BLACK) + real(width) + u8(1) + u8(0) + u32(len(dashes)) + real(*dashes)


def outline(elements, rule=0):
    """elements: (type, x, y) with 0 move, 1 line, 2 curve point, 3 curve data."""
    return u8(rule) + u32(len(elements)) + b"".join(u8(t) + real(x, y) for t, x, y in elements)


def item(kind, clip, body): return u8(kind) + i32(clip) + body
def text_run(x, y, t, size=10, clip=-1, rgba=BLACK):
    return item(1, clip, real(x, y) + text(t) + real(size) + u8(0) + u8(0) + colour(rgba) + real(0, len(t) * size * 0.2))
def fill(x, y, w, h, rgba, clip=-1): return item(2, clip, real(x, y, w, h) + colour(rgba))
def line(x1, y1, x2, y2, clip=-1, dashes=()): return item(3, clip, real(x1, y1, x2, y2) + stroke(dashes=dashes))
def shape(elements, clip=-1): return item(4, clip, outline(elements) + u8(1) + stroke() + colour(RED))
def picture(x, y, w, h, index, clip=-1): return item(5, clip, real(x, y, w, h) + u32(index))


def page(title, items, clips=(), size=(297.0, 210.0)):
    return text(title) + real(*size) + u32(len(clips)) + b"".join(clips) + u32(len(items)) + b"".join(items)


def report(name, pictures, pages):
    return (b"HALCYRA PREPARED REPORT\n" + u32(1) + text(name) + u32(len(pictures)) + b"".join(blob(p) for p in pictures)
            + u32(len(pages)) + b"".join(pages))


def report_files():
    pixels = png(2, 2, [b"\xff\x00\x00\x00\xff\x00", b"\x00\x00\xff\xff\xff\xff"])
    summary = page("Summary", [text_run(43.2, 6.0, "Example, Ann"), text_run(43.4, 12.0, "DEM0001"),
                               fill(2.0, 182.0, 14.0, 5.0, 0xFFC0C0C0), line(2.6, 21.3, 276.6, 21.3)])
    write("report_file", "one-page.hrep", report("DEM0001.pdf", [], [summary]))
    curve = [(0, 10, 10), (2, 50, 10), (3, 10, 50), (3, 50, 50), (1, 10, 50)]
    clip = outline([(0, 5, 5), (1, 100, 5), (1, 100, 100), (1, 5, 100), (1, 5, 5)], rule=1)
    write("report_file", "outlines-clipped-dashed.hrep",
          report("DEM0002.pdf", [], [page("Summary", [shape(curve, 0), line(0, 0, 120, 120, 0, (2.0, 1.0)),
                                                       text_run(20, 30, "Ünïcode ŽŠČ", 12, 0)], [clip])]))
    write("report_file", "pictures-two-pages.hrep",
          report("DEM0003.pdf", [pixels],
                 [summary, page("Photographs", [picture(1, 0, 55, 55, 0), picture(141, 0, 55, 55, 0),
                                                text_run(62, 5, "Elbow, week 3")])]))
    # Crafted files a prepared report might be: refused, or shown without harm.
    write("report_file", "crafted-name-outside-the-folder.hrep", report("../../.bashrc", [], [summary]))
    write("report_file", "crafted-name-of-the-database.hrep", report("/srv/halcyra/Brell_Data.db", [], [summary]))
    write("report_file", "crafted-picture-claiming-20000-square.hrep",
          report("X.pdf", [png(20000, 20000, idat=zlib.compress(b"\x00" * 64))], [summary]))
    write("report_file", "crafted-huge-page.hrep", report("X.pdf", [], [page("Summary", [], size=(1e6, 1e6))]))
    write("report_file", "crafted-1001-empty-pages.hrep", report("X.pdf", [], [page("", [])] * 1001))


KINDS = {"factor_file": factor_files, "legacy_file": legacy_files, "course_columns": course_columns,
         "patient_search": patient_searches, "photograph": photographs, "report_file": report_files}

if __name__ == "__main__":
    for kind in sys.argv[1:] or KINDS:
        KINDS[kind]()
