#!/usr/bin/env python3
"""Builds the installer's icons from their pixel maps.

Each install/resources/icons/NAME.txt holds a 32 x 32 map, one character per
pixel (lines starting with '#' are comments). The script writes
install/resources/NAME.ico with two images of 32 x 32 pixels: a 2-colour one
(black and white, chosen by brightness) and a 16-colour one in the standard
16-colour palette. '.' is transparent in both.

Usage: tools/make_install_resources.py [repository root]
"""
import os
import struct
import sys

SIZE = 32

# The standard 16-colour palette, in palette index order.
PALETTE = [
    ('k', (0x00, 0x00, 0x00)), ('r', (0x80, 0x00, 0x00)),
    ('g', (0x00, 0x80, 0x00)), ('y', (0x80, 0x80, 0x00)),
    ('b', (0x00, 0x00, 0x80)), ('m', (0x80, 0x00, 0x80)),
    ('c', (0x00, 0x80, 0x80)), ('s', (0xC0, 0xC0, 0xC0)),
    ('d', (0x80, 0x80, 0x80)), ('R', (0xFF, 0x00, 0x00)),
    ('G', (0x00, 0xFF, 0x00)), ('Y', (0xFF, 0xFF, 0x00)),
    ('B', (0x00, 0x00, 0xFF)), ('M', (0xFF, 0x00, 0xFF)),
    ('C', (0x00, 0xFF, 0xFF)), ('w', (0xFF, 0xFF, 0xFF)),
]
INDEX = {ch: i for i, (ch, _) in enumerate(PALETTE)}
TRANSPARENT = '.'

ICONS = ['computer', 'diskette', 'firework']


def read_map(path):
    rows = []
    with open(path, encoding='ascii') as f:
        for line in f:
            line = line.rstrip('\n')
            if line.startswith('#') or not line:
                continue
            rows.append(line)
    if len(rows) != SIZE or any(len(r) != SIZE for r in rows):
        raise SystemExit('%s: expected %d rows of %d characters' % (path, SIZE, SIZE))
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != TRANSPARENT and ch not in INDEX:
                raise SystemExit('%s:%d:%d: unknown colour %r' % (path, y + 1, x + 1, ch))
    return rows


def pack_rows(rows_of_values, bits):
    """Packs rows of pixel values (top row first) bottom-up, each row padded
    to a multiple of four bytes, as device-independent bitmaps store them."""
    out = bytearray()
    for row in reversed(rows_of_values):
        acc = 0
        nbits = 0
        line = bytearray()
        for v in row:
            acc = (acc << bits) | v
            nbits += bits
            if nbits == 8:
                line.append(acc)
                acc = 0
                nbits = 0
        if nbits:
            line.append(acc << (8 - nbits))
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def brightness(rgb):
    r, g, b = rgb
    return (299 * r + 587 * g + 114 * b) // 1000


def image(rows, bpp):
    colours = 1 << bpp
    if bpp == 4:
        palette = [rgb for _, rgb in PALETTE]
        pixels = [[0 if ch == TRANSPARENT else INDEX[ch] for ch in row] for row in rows]
    else:
        palette = [(0, 0, 0), (0xFF, 0xFF, 0xFF)]
        pixels = [[0 if ch == TRANSPARENT else
                   (1 if brightness(PALETTE[INDEX[ch]][1]) >= 0x60 else 0)
                   for ch in row] for row in rows]
    mask = [[1 if ch == TRANSPARENT else 0 for ch in row] for row in rows]
    xor_bits = pack_rows(pixels, bpp)
    and_bits = pack_rows(mask, 1)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, bpp, 0,
                         len(xor_bits) + len(and_bits), 0, 0, colours, 0)
    quads = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    return header + quads + xor_bits + and_bits, colours


def make_icon(rows):
    images = [image(rows, 1), image(rows, 4)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for data, colours in images:
        bpp = 1 if colours == 2 else 4
        out += struct.pack('<BBBBHHII', SIZE, SIZE, colours, 0, 1, bpp, len(data), offset)
        offset += len(data)
    for data, _ in images:
        out += data
    return out


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    res = os.path.join(root, 'install', 'resources')
    for name in ICONS:
        rows = read_map(os.path.join(res, 'icons', name + '.txt'))
        with open(os.path.join(res, name + '.ico'), 'wb') as f:
            f.write(make_icon(rows))


if __name__ == '__main__':
    main()
