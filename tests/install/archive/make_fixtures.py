#!/usr/bin/env python3
"""Makes the ARJ archives that the archive tests decode.

Usage: make_fixtures.py OUTDIR

Writes OUTDIR/data/ (the original files) and OUTDIR/*.arj made by Debian's
arj with MS-DOS as host system (-2d): one archive per method 0..4 with every
binary file, one per method in forced text mode with the text files,
archives with leading bytes before the first header, and archives whose
entry header was rewritten afterwards (names arj does not store, a size
the data do not hold). Deterministic data; takes a few seconds.
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zlib

WINDOW = 26624

WORDS = ("the installer reads each archive from the distribution diskette and "
         "writes every file into its destination directory while the window "
         "keeps painting program manager group item setup copy disk path "
         "value section number archive entry header method table code length "
         "position match literal block window buffer piece progress percent").split()


def english(rng, size):
    out = []
    n = 0
    line = 0
    while n < size:
        w = rng.choice(WORDS)
        if rng.random() < 0.05:
            w = w.capitalize()
        if rng.random() < 0.02:
            w += "%d" % rng.randint(0, 99999)
        out.append(w)
        n += len(w) + 1
        line += len(w) + 1
        if line > 60:
            out.append("\r\n")
            line = 0
        else:
            out.append(" ")
    return "".join(out).encode("ascii")[:size]


def mixed_binary(rng, size):
    """Executable-like data: tables of small integers, strings, some noise."""
    parts = []
    n = 0
    while n < size:
        kind = rng.random()
        if kind < 0.4:
            chunk = b"".join((rng.randint(0, 4000)).to_bytes(4, "little") for _ in range(64))
        elif kind < 0.7:
            chunk = english(rng, 200) + b"\0"
        elif kind < 0.85:
            chunk = bytes(rng.getrandbits(8) for _ in range(128))
        else:
            chunk = bytes([rng.getrandbits(8)]) * rng.randint(10, 600)
        parts.append(chunk)
        n += len(chunk)
    return b"".join(parts)[:size]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def arj(outdir, archive, options, files):
    path = os.path.join(outdir, archive)
    if os.path.exists(path):
        os.remove(path)
    subprocess.run(["arj", "a", "-2d", "-y"] + options + [path] + files,
                   cwd=os.path.join(outdir, "data"), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


def header_block(data, pos):
    """The basic header at pos and the offset after its extended headers."""
    size = struct.unpack_from("<H", data, pos + 2)[0]
    end = pos + 4 + size + 4
    while struct.unpack_from("<H", data, end)[0]:
        end += 2 + struct.unpack_from("<H", data, end)[0] + 4
    return data[pos + 4:pos + 4 + size], end + 2


def patch_entry(source, target, name=None, host=None, file_type=None, original_size=None):
    """Copies an archive of one entry with fields of the entry's basic header
    replaced; the header's size and CRC are made to match."""
    data = open(source, "rb").read()
    _, pos = header_block(data, 0)  # the main header
    basic, _ = header_block(data, pos)
    first = basic[0]
    zero = basic.index(b"\0", first)
    fields = bytearray(basic[:first])
    if host is not None:
        fields[3] = host
    if file_type is not None:
        fields[6] = file_type
    if original_size is not None:
        fields[16:20] = struct.pack("<I", original_size)
    new = bytes(fields) + (basic[first:zero] if name is None else name) + basic[zero:]
    block = struct.pack("<HH", 0xEA60, len(new)) + new + struct.pack("<I", zlib.crc32(new))
    write(target, data[:pos] + block + data[pos + 4 + len(basic) + 4:])


def trim_entry(source, target):
    """Copies an archive of one entry with the trailing zero bytes of the
    entry's data cut off; the header's compressed size and CRC are made to
    match. Returns the number of bytes cut."""
    data = open(source, "rb").read()
    _, pos = header_block(data, 0)  # the main header
    basic, start = header_block(data, pos)
    size = struct.unpack_from("<I", basic, 12)[0]
    packed = data[start:start + size].rstrip(b"\0")
    fields = bytearray(basic)
    fields[12:16] = struct.pack("<I", len(packed))
    block = struct.pack("<HH", 0xEA60, len(fields)) + fields + struct.pack("<I", zlib.crc32(fields))
    write(target, data[:pos] + block + data[pos + 4 + len(basic) + 4:start] + packed +
          data[start + size:])
    return size - len(packed)


def main():
    outdir = os.path.abspath(sys.argv[1])
    data = os.path.join(outdir, "data")
    shutil.rmtree(data, ignore_errors=True)
    rng = random.Random(20261207)

    binary = {
        "empty.bin": b"",
        "one.bin": b"Z",
        "window.bin": english(rng, WINDOW),
        "window1.bin": english(rng, WINDOW + 1),
        "random.bin": bytes(rng.getrandbits(8) for _ in range(3 * WINDOW + 77)),
        "runs.bin": b"\0" * 5000 + b"ab" * 3000 + bytes([0xFF]) * 700 + b"xyz" * 9000,
        "mixed.bin": mixed_binary(rng, 5 * WINDOW + 1234),
        "text.txt": english(rng, 6 * WINDOW + 500),
        "sub/dir/nested.txt": english(rng, 3000),
    }
    text = ["text.txt", "window.bin", "window1.bin", "sub/dir/nested.txt", "one.bin", "empty.bin"]
    for name, content in binary.items():
        write(os.path.join(data, name), content)

    order = sorted(binary)
    for m in range(5):
        arj(outdir, "bin%d.arj" % m, ["-m%d" % m], order)
        arj(outdir, "text%d.arj" % m, ["-m%d" % m, "-t1f"], text)

    # Leading bytes: a stub ending just before offset 25,000 still leaves the
    # header findable; one of exactly 25,000 bytes does not.
    with open(os.path.join(outdir, "bin1.arj"), "rb") as f:
        plain = f.read()
    stub = bytes(rng.getrandbits(8) & 0x5F for _ in range(24999))
    write(os.path.join(outdir, "lead24999.arj"), stub + plain)
    write(os.path.join(outdir, "lead25000.arj"), stub + b"\0" + plain)
    # A header id with a size that fits but a wrong CRC, and one with an
    # oversized size, before the real header.
    fake = b"MZ" + b"\x60\xEA\x1E\x00" + bytes(30) + b"\1\2\3\4" + b"\x60\x60\xEA\xFF\xFF" + b"\0" * 9
    write(os.path.join(outdir, "falsepair.arj"), fake + plain)

    # Names that Windows would shorten when it parses the path: a part made
    # only of dots becomes "..", a final dot or space is dropped. The last
    # one comes from another system, whose names lose bit 7 (0xAE is '.').
    # Then names of devices, which Windows would write to.
    arj(outdir, "one.arj", ["-m0"], ["one.bin"])
    for archive, name, host, file_type in (
            ("dots3.arj", b"...\\newdir\\x.txt", 0, 0),
            ("dots4.arj", b"..../newdir/x.txt", 0, 0),
            ("enddot.arj", b"sub.\\x.txt", 0, 0),
            ("endspace.arj", b"sub \\x.txt", 0, 0),
            ("highdots.arj", b"\xae\xae\xae\\newdir\\x.txt", 2, 1),
            ("devnul.arj", b"NUL", 0, 0),
            ("devsub.arj", b"SUB\\NUL.TXT", 0, 0),
            ("devaux.arj", b"AUX.TXT", 0, 0),
            ("devcom.arj", b"COM1", 0, 0)):
        patch_entry(os.path.join(outdir, "one.arj"), os.path.join(outdir, archive), name=name,
                    host=host, file_type=file_type)
    os.remove(os.path.join(outdir, "one.arj"))

    # 4,000 zero bytes (about 150-byte archives) claiming 2^31 - 1 bytes.
    write(os.path.join(data, "zeros.bin"), bytes(4000))
    for m in (1, 4):
        arj(outdir, "zeros.arj", ["-m%d" % m], ["zeros.bin"])
        patch_entry(os.path.join(outdir, "zeros.arj"), os.path.join(outdir, "huge%d.arj" % m),
                    original_size=0x7FFFFFFF)
    os.remove(os.path.join(outdir, "zeros.arj"))

    # Method 4 data whose last codes are zero bits, with the zero bytes at
    # the end cut off: the decoder reads zeros past the data, like arj.
    write(os.path.join(data, "tail.bin"), english(rng, 5000) + b"\x80\0\0\0")
    arj(outdir, "tail.arj", ["-m4"], ["tail.bin"])
    trimmed = os.path.join(outdir, "trimmed4.arj")
    if trim_entry(os.path.join(outdir, "tail.arj"), trimmed) < 4:
        raise SystemExit("trimmed4.arj: fewer than 4 zero bytes to cut")
    subprocess.run(["arj", "t", trimmed], check=True, stdout=subprocess.DEVNULL)
    os.remove(os.path.join(outdir, "tail.arj"))

    # Random bytes, then pieces of them again 26,620 bytes on, each after a
    # short repeat: matches that reach to the window's far end right after
    # copies that may write past their end, in the fast loop and after it.
    far = bytes(rng.getrandbits(8) for _ in range(6 * WINDOW))
    chunks = [far[:WINDOW - 4]]
    for a in range(0, 5 * WINDOW, 38):
        chunks += [far[a:a + 28], far[a + 18:a + 28]]
    write(os.path.join(data, "far.bin"), b"".join(chunks))
    arj(outdir, "far1.arj", ["-m1"], ["far.bin"])

    # Made without -2d: binary entries from another host system.
    path = os.path.join(outdir, "unix.arj")
    if os.path.exists(path):
        os.remove(path)
    subprocess.run(["arj", "a", "-y", "-m1", path, "one.bin"], cwd=data, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
