#!/usr/bin/env python3
"""Makes the distribution archives of the installer's end-to-end tests.

Usage: make_fixtures.py OUTDIR

The archives are made with Debian's arj (host system MS-DOS, -2d) from
source files written here; the sources stay in OUTDIR/src so that the tests
can compare every installed file with its origin. All sources carry the date
2001-02-03 04:05:06 (UTC), which the tests expect on the installed files.
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zlib

STAMP = "2001-02-03 04:05:06"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def arj_add(archive, workdir, names, method):
    env = dict(os.environ, TZ="UTC")
    for name in names:
        subprocess.run(["touch", "-d", STAMP, name], cwd=workdir, env=env, check=True)
    subprocess.run(["arj", "a", "-2d", "-y", "-m%d" % method, archive] + names,
                   cwd=workdir, env=env, check=True, stdout=subprocess.DEVNULL)


def headers(data):
    """Yields (offset, basic header size) of every header block after the main one."""
    pos = 0
    first = True
    while True:
        assert data[pos:pos + 2] == b"\x60\xea", "header expected at %d" % pos
        size = struct.unpack("<H", data[pos + 2:pos + 4])[0]
        if size == 0:
            return
        basic = pos + 4
        end = basic + size + 4
        ext = struct.unpack("<H", data[end:end + 2])[0]
        end += 2
        while ext:
            end += ext + 4
            ext = struct.unpack("<H", data[end:end + 2])[0]
            end += 2
        compressed = 0 if first else struct.unpack("<I", data[basic + 12:basic + 16])[0]
        if not first:
            yield pos, size, end
        first = False
        pos = end + compressed


def entry_name(data, pos):
    basic = pos + 4
    start = basic + data[basic]
    return data[start:data.index(b"\0", start)].decode("latin-1")


def mark_text(archive, wanted):
    """Turns the named entry into a seven-bit text entry (file type 1),
    keeping its data and file CRC, and fixes the header CRC."""
    data = bytearray(open(archive, "rb").read())
    for pos, size, _ in headers(bytes(data)):
        if entry_name(data, pos) == wanted:
            data[pos + 4 + 6] = 1
            crc = zlib.crc32(bytes(data[pos + 4:pos + 4 + size])) & 0xFFFFFFFF
            data[pos + 4 + size:pos + 8 + size] = struct.pack("<I", crc)
            open(archive, "wb").write(data)
            return
    raise SystemExit("entry %s not found" % wanted)


def corrupt_stored(archive, source, target):
    """Copies the archive with one data byte of its first entry flipped."""
    data = bytearray(open(os.path.join(archive), "rb").read())
    _, _, data_start = next(headers(bytes(data)))
    data[data_start + 10] ^= 0x55
    open(target, "wb").write(data)


def text_lines(rng, count):
    words = ["alpha", "beta", "gamma", "delta", "setup", "notes", "install", "Tarvo",
             "directory", "archive", "window", "program", "manager", "diskette"]
    lines = []
    for i in range(count):
        lines.append("%05d %s" % (i, " ".join(rng.choice(words) for _ in range(rng.randint(3, 12)))))
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def main():
    out = os.path.abspath(sys.argv[1])
    shutil.rmtree(out, ignore_errors=True)
    rng = random.Random(1994)
    src = os.path.join(out, "src")

    # The complete installation: every method, directories, a read-only
    # file, a text entry with bytes above 127 and mixed-case names.
    main_dir = os.path.join(src, "main")
    write(os.path.join(main_dir, "PROG.BIN"), bytes(rng.getrandbits(8) for _ in range(70000)))
    write(os.path.join(main_dir, "Data", "Table.DAT"), text_lines(rng, 1500))
    write(os.path.join(main_dir, "sub", "deep", "Notes.TXT"), text_lines(rng, 900))
    write(os.path.join(main_dir, "FAST.DAT"), text_lines(rng, 1200) + bytes(range(256)) * 40)
    write(os.path.join(main_dir, "STORED.BIN"), bytes(rng.getrandbits(8) for _ in range(5000)))
    write(os.path.join(main_dir, "RDONLY.TXT"), b"This file is read-only.\r\n")
    write(os.path.join(main_dir, "HIGH.TXT"), bytes(range(32, 256)) * 20 + b"\r\nend\r\n")
    os.chmod(os.path.join(main_dir, "RDONLY.TXT"), 0o444)
    archive = os.path.join(out, "MAIN.ARJ")
    arj_add(archive, main_dir, ["PROG.BIN"], 1)
    arj_add(archive, main_dir, ["Data/Table.DAT"], 2)
    arj_add(archive, main_dir, ["sub/deep/Notes.TXT"], 3)
    arj_add(archive, main_dir, ["FAST.DAT"], 4)
    arj_add(archive, main_dir, ["STORED.BIN"], 0)
    arj_add(archive, main_dir, ["RDONLY.TXT"], 1)
    arj_add(archive, main_dir, ["HIGH.TXT"], 1)
    mark_text(archive, "HIGH.TXT")

    # The archive of the second diskette.
    extra_dir = os.path.join(src, "extra")
    write(os.path.join(extra_dir, "SECOND.TXT"), text_lines(rng, 50))
    arj_add(os.path.join(out, "EXTRA.ARJ"), extra_dir, ["SECOND.TXT"], 1)

    # Replace modes: two archives with two files each.
    repl_dir = os.path.join(src, "repl")
    for name in ["A.TXT", "B.TXT", "C.TXT", "D.TXT"]:
        write(os.path.join(repl_dir, name), ("new contents of %s\r\n" % name).encode("ascii"))
    arj_add(os.path.join(out, "REPL1.ARJ"), repl_dir, ["A.TXT", "B.TXT"], 1)
    arj_add(os.path.join(out, "REPL2.ARJ"), repl_dir, ["C.TXT", "D.TXT"], 1)

    # A large archive, for a cancel in the middle of it: 58 MB of output,
    # so that even a fast decoder takes a good part of a second. The block
    # repeats far beyond the format's history, so every copy is decoded in
    # full.
    big_dir = os.path.join(src, "big")
    write(os.path.join(big_dir, "LARGE.DAT"), text_lines(rng, 120000) * 8)
    arj_add(os.path.join(out, "BIG.ARJ"), big_dir, ["LARGE.DAT"], 1)

    # A stored entry whose data no longer match its CRC.
    bad_dir = os.path.join(src, "bad")
    write(os.path.join(bad_dir, "BROKEN.BIN"), bytes(rng.getrandbits(8) for _ in range(3000)))
    arj_add(os.path.join(out, "GOOD.ARJ"), bad_dir, ["BROKEN.BIN"], 0)
    corrupt_stored(os.path.join(out, "GOOD.ARJ"), bad_dir, os.path.join(out, "BAD.ARJ"))
    os.remove(os.path.join(out, "GOOD.ARJ"))

    # The complete archive cut in the middle of its first entry's data.
    data = open(archive, "rb").read()
    open(os.path.join(out, "SHORT.ARJ"), "wb").write(data[:30000])

    open(os.path.join(out, "stamp"), "w").write("ok\n")


if __name__ == "__main__":
    main()
