#!/usr/bin/env python3
"""Writes a Windows metafile (with the 22-byte placeable header) from a small
drawing description, one command a line:

    extent W H                 logical size of the picture (window extent)
    brush R G B | brush none   fill of the following shapes
    pen R G B WIDTH | pen none outline of the following shapes
    rect L T R B               filled rectangle
    ellipse L T R B            filled ellipse
    polygon X Y X Y ...        filled polygon
    font HEIGHT WEIGHT FACE    font of the following texts (FACE may have spaces)
    textcolor R G B
    text X Y TEXT              text in the current font, transparent background
    gradient L T R B R1 G1 B1 R2 G2 B2 STEPS   vertical colour bands

Lines starting with # are comments.  usage: make_picture.py SOURCE OUTPUT
"""
import struct
import sys


def rgb(r, g, b):
    return int(r) | (int(g) << 8) | (int(b) << 16)


class Metafile:
    def __init__(self):
        self.records = []
        self.max_record = 0
        self.objects = 0     # object table slots in use at most
        self.free = []       # free object table slots
        self.live = 0
        self.current = {}    # kind -> object slot selected for it

    def record(self, function, words):
        data = struct.pack("<IH", 3 + len(words), function)
        data += b"".join(struct.pack("<H", w & 0xFFFF) for w in words)
        self.records.append(data)
        self.max_record = max(self.max_record, 3 + len(words))

    def create(self, kind, function, words):
        # A new object takes the lowest free slot; the one it replaces is
        # deleted after the new one is selected.
        self.record(function, words)
        slot = min(self.free) if self.free else self.objects
        if slot in self.free:
            self.free.remove(slot)
        else:
            self.objects += 1
        self.record(0x012D, [slot])  # SelectObject
        old = self.current.get(kind)
        if old is not None:
            self.record(0x01F0, [old])  # DeleteObject
            self.free.append(old)
        self.current[kind] = slot

    def brush(self, color):
        if color is None:
            self.create("brush", 0x02FC, [1, 0, 0, 0])  # BS_NULL
        else:
            self.create("brush", 0x02FC, [0, color & 0xFFFF, color >> 16, 0])

    def pen(self, color, width):
        if color is None:
            self.create("pen", 0x02FA, [5, 0, 0, 0, 0])  # PS_NULL
        else:
            self.create("pen", 0x02FA, [0, width, 0, color & 0xFFFF, color >> 16])

    def font(self, height, weight, face):
        name = face.encode("ascii")[:31].ljust(32, b"\0")
        words = [(-height) & 0xFFFF, 0, 0, 0, weight,
                 0,           # italic, underline
                 0,           # strikeout, charset ANSI
                 0,           # out and clip precision
                 (2 | (0x20 << 8)) & 0xFFFF]  # PROOF_QUALITY, FF_SWISS
        words += list(struct.unpack("<16H", name))
        self.create("font", 0x02FB, words)

    def text(self, x, y, s):
        b = s.encode("cp1252")
        padded = b + (b"\0" if len(b) % 2 else b"")
        words = [len(b)] + list(struct.unpack("<%dH" % (len(padded) // 2), padded)) + [y, x]
        self.record(0x0521, words)

    def bytes(self, extent):
        eof = struct.pack("<IH", 3, 0)
        body = b"".join(self.records) + eof
        size_words = (18 + len(body)) // 2
        header = struct.pack("<HHHIHIH", 1, 9, 0x0300, size_words, self.objects,
                             max(self.max_record, 3), 0)
        w, h = extent
        fields = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, w, h, 96, 0)
        checksum = 0
        for (word,) in struct.iter_unpack("<H", fields):
            checksum ^= word
        placeable = fields + struct.pack("<H", checksum)
        return placeable + header + body


def build(source):
    mf = Metafile()
    extent = (1000, 750)
    for number, raw in enumerate(source.splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        op, *args = line.split(None, 1)
        rest = args[0] if args else ""
        nums = lambda: [int(v) for v in rest.split()]
        if op == "extent":
            extent = tuple(nums())
            mf.record(0x020B, [0, 0])                     # SetWindowOrg (y, x)
            mf.record(0x020C, [extent[1], extent[0]])     # SetWindowExt (y, x)
            mf.record(0x0102, [1])                        # SetBkMode TRANSPARENT
        elif op == "brush":
            mf.brush(None if rest == "none" else rgb(*nums()))
        elif op == "pen":
            mf.pen(None, 0) if rest == "none" else mf.pen(rgb(*nums()[:3]), nums()[3])
        elif op == "rect":
            l, t, r, b = nums()
            mf.record(0x041B, [b, r, t, l])
        elif op == "ellipse":
            l, t, r, b = nums()
            mf.record(0x0418, [b, r, t, l])
        elif op == "polygon":
            pts = nums()
            mf.record(0x0324, [len(pts) // 2] + pts)
        elif op == "font":
            height, weight, face = rest.split(None, 2)
            mf.font(int(height), int(weight), face)
        elif op == "textcolor":
            c = rgb(*nums())
            mf.record(0x0209, [c & 0xFFFF, c >> 16])
        elif op == "text":
            x, y, s = rest.split(None, 2)
            mf.text(int(x), int(y), s)
        elif op == "gradient":
            l, t, r, b, r1, g1, b1, r2, g2, b2, steps = nums()
            mf.pen(None, 0)
            for i in range(steps):
                f = i / max(steps - 1, 1)
                mf.brush(rgb(r1 + (r2 - r1) * f, g1 + (g2 - g1) * f, b1 + (b2 - b1) * f))
                top = t + (b - t) * i // steps
                bottom = t + (b - t) * (i + 1) // steps + 3  # overlap: no gaps when scaled
                mf.record(0x041B, [bottom, r + 1, top, l])
        else:
            sys.exit("line %d: unknown command %r" % (number, op))
    return mf.bytes(extent)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="utf-8") as f:
        data = build(f.read())
    with open(sys.argv[2], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
