#!/usr/bin/env python3
"""Writes the picture fixtures of the display tests into fixtures/.

plain.wmf      a standard metafile (18-byte header at offset 0): window
               extent 100 x 100, the left half filled red
placeable.wmf  the same drawing in blue behind a 22-byte placeable header
bad_header.wmf a header whose size field is 8 instead of 9 at both offsets
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def record(function, *params):
    return struct.pack('<IH', 3 + len(params), function) + b''.join(
        struct.pack('<h', p) if p < 0x8000 else struct.pack('<H', p) for p in params)


def drawing(colour):
    r, g, b = colour
    body = b''
    body += record(0x020B, 0, 0)                       # SetWindowOrg(y, x)
    body += record(0x020C, 100, 100)                   # SetWindowExt(y, x)
    # CreateBrushIndirect: style BS_SOLID, COLORREF (two words), hatch
    body += record(0x02FC, 0, r | (g << 8), b, 0)
    body += record(0x012D, 0)                          # SelectObject(0)
    body += record(0x02FA, 5, 0, 0, 0, 0)              # CreatePenIndirect: PS_NULL
    body += record(0x012D, 1)                          # SelectObject(1)
    body += record(0x041B, 101, 51, 0, 0)              # Rectangle(bottom, right, top, left)
    body += record(0x0000)                             # end of file
    return body


def metafile(colour, header_words=9):
    body = drawing(colour)
    size_words = (18 + len(body)) // 2
    max_record = 8
    header = struct.pack('<HHHIHIH', 1, header_words, 0x0300, size_words, 2, max_record, 0)
    return header + body


def placeable(inner):
    # key, handle, bounding box, units per inch, reserved, checksum
    words = struct.unpack('<10H', struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, 100, 100, 96, 0))
    checksum = 0
    for w in words:
        checksum ^= w
    return struct.pack('<IHhhhhHIH', 0x9AC6CDD7, 0, 0, 0, 100, 100, 96, 0, checksum) + inner


def main():
    out = os.path.join(HERE, 'fixtures')
    os.makedirs(out, exist_ok=True)
    files = {
        'plain.wmf': metafile((0xFF, 0, 0)),
        'placeable.wmf': placeable(metafile((0, 0, 0xFF))),
        'bad_header.wmf': placeable(metafile((0, 0xFF, 0), header_words=8)),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
