#!/usr/bin/env python3
"""Builds the bitmaps and cursors of areacap from the text pixel maps in
areacap/resources/*.txt and writes them next to their sources.

Each source starts with a header:
    kind bitmap16 | bitmap1 | cursor
    size WIDTH HEIGHT
    hotspot X Y          (cursors only)
followed by one line of characters per pixel row, top row first. Blank lines
and lines starting with '# ' before the first pixel row are comments.

bitmap16: a hexadecimal digit is an index into the standard 16-colour VGA
          palette; '.' is index 7, the light grey of the toolbar buttons.
bitmap1:  '#' is black (bit 0), '.' is white (bit 1).
cursor:   '#' black, 'o' white, '.' transparent, 'x' inverted screen.

Usage: make_areacap_resources.py [RESOURCE_DIR] [--check]
With --check nothing is written: the script fails when a generated file in
RESOURCE_DIR differs from what its pixel map gives.
"""
import os
import struct
import sys

VGA_PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# source file -> output file
OUTPUTS = {
    "bm_select.txt": "bm_select.bmp",
    "capture.txt": "capture.bmp",
    "zoomin.txt": "zoomin.bmp",
    "zoomout.txt": "zoomout.bmp",
    "help.txt": "help.bmp",
    "cameracur.txt": "cameracur.cur",
    "boxselcur.txt": "boxselcur.cur",
}


class SourceError(Exception):
    pass


def parse(path):
    kind = None
    size = None
    hotspot = None
    rows = []
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.rstrip("\n")
            words = line.split()
            if not rows and (not words or line.startswith("# ")):
                continue   # blank line or comment (pixel rows hold no spaces)
            if not rows and words[0] in ("kind", "size", "hotspot"):
                if words[0] == "kind":
                    kind = words[1]
                elif words[0] == "size":
                    size = (int(words[1]), int(words[2]))
                else:
                    hotspot = (int(words[1]), int(words[2]))
                continue
            rows.append(line)
    if kind not in ("bitmap16", "bitmap1", "cursor") or size is None:
        raise SourceError("%s: missing or unknown kind/size" % path)
    width, height = size
    if len(rows) != height or any(len(r) != width for r in rows):
        raise SourceError("%s: expected %d rows of %d pixels" % (path, height, width))
    if kind == "cursor" and hotspot is None:
        raise SourceError("%s: a cursor needs a hotspot" % path)
    return kind, width, height, hotspot, rows


def row_bytes(bits_per_pixel, width):
    return ((width * bits_per_pixel + 31) // 32) * 4


def pack_rows(values_by_row, bits_per_pixel, width):
    """Packs rows of pixel values (top row first) into bottom-up DIB rows."""
    stride = row_bytes(bits_per_pixel, width)
    data = bytearray()
    for values in reversed(values_by_row):
        row = bytearray(stride)
        for x, v in enumerate(values):
            bit = x * bits_per_pixel
            shift = 8 - bits_per_pixel - (bit % 8)
            row[bit // 8] |= v << shift
        data += row
    return bytes(data)


def info_header(width, height, bits_per_pixel, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits_per_pixel, 0, image_size, 0, 0,
                       colours, 0)


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)


def bitmap_file(bits_per_pixel, width, height, colours, pixels):
    body = info_header(width, height, bits_per_pixel, len(pixels), len(colours)) + palette_bytes(colours) + pixels
    offset = 14 + 40 + 4 * len(colours)
    return struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, offset) + body


def make_bitmap16(path, width, height, rows):
    values = []
    for line in rows:
        row = []
        for c in line:
            if c == ".":
                row.append(7)
            elif c in "0123456789ABCDEFabcdef":
                row.append(int(c, 16))
            else:
                raise SourceError("%s: bad pixel %r" % (path, c))
        values.append(row)
    return bitmap_file(4, width, height, VGA_PALETTE, pack_rows(values, 4, width))


def make_bitmap1(path, width, height, rows):
    values = []
    for line in rows:
        if any(c not in "#." for c in line):
            raise SourceError("%s: bad pixel in %r" % (path, line))
        values.append([0 if c == "#" else 1 for c in line])
    return bitmap_file(1, width, height, [(0, 0, 0), (255, 255, 255)], pack_rows(values, 1, width))


def make_cursor(path, width, height, hotspot, rows):
    # (AND bit, XOR bit) of each character
    masks = {"#": (0, 0), "o": (0, 1), ".": (1, 0), "x": (1, 1)}
    and_rows = []
    xor_rows = []
    for line in rows:
        if any(c not in masks for c in line):
            raise SourceError("%s: bad pixel in %r" % (path, line))
        and_rows.append([masks[c][0] for c in line])
        xor_rows.append([masks[c][1] for c in line])
    xor_bits = pack_rows(xor_rows, 1, width)
    and_bits = pack_rows(and_rows, 1, width)
    image = (info_header(width, height * 2, 1, len(xor_bits) + len(and_bits), 0)
             + palette_bytes([(0, 0, 0), (255, 255, 255)]) + xor_bits + and_bits)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", width & 0xFF, height & 0xFF, 0, 0, hotspot[0], hotspot[1], len(image),
                        6 + 16)
    return directory + entry + image


def build(directory, check):
    stale = []
    for source, output in sorted(OUTPUTS.items()):
        path = os.path.join(directory, source)
        kind, width, height, hotspot, rows = parse(path)
        if kind == "bitmap16":
            data = make_bitmap16(path, width, height, rows)
        elif kind == "bitmap1":
            data = make_bitmap1(path, width, height, rows)
        else:
            data = make_cursor(path, width, height, hotspot, rows)
        target = os.path.join(directory, output)
        if check:
            try:
                with open(target, "rb") as f:
                    if f.read() != data:
                        stale.append(output)
            except OSError:
                stale.append(output)
        else:
            with open(target, "wb") as f:
                f.write(data)
    return stale


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    args = [a for a in sys.argv[1:] if a != "--check"]
    check = "--check" in sys.argv[1:]
    directory = args[0] if args else os.path.join(here, "..", "areacap", "resources")
    try:
        stale = build(directory, check)
    except (OSError, SourceError, ValueError, IndexError) as error:
        print("make_areacap_resources: %s" % error, file=sys.stderr)
        return 1
    if stale:
        print("make_areacap_resources: out of date: %s" % " ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
