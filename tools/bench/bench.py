#!/usr/bin/env python3
"""Decoding speed of arjx against arj and 7z.

Usage: bench.py ARJX WORKDIR

Makes the three archives of a typical distribution, 16 MB of output each:
text packed with -m1, mixed binary data with -m4 and random data with -m0
(stored; MS-DOS host, -2d); and 32 MB of random words of a vocabulary of a
few thousand packed with -m1 (a literal in every four codes, the rest short
matches: the slowest mix for the decoder). Then times "arjx -t", "arj t" and "7z t" on
each, best of RUNS rounds, and prints the output rates in MB/s and the
arjx/7z and arjx/arj rate ratios. The last line is "ratio_vs_7z_min: X", the
smallest arjx/7z ratio over the rows.
"""
import os
import random
import resource
import subprocess
import sys
import time

TARGET = 16 * 1024 * 1024
RUNS = 7

WORDS = ("the of and to in is that for it as was with be by on not he this are or "
         "his from at which but have an they you were her she there been one all "
         "would their we him more if no when will can out so said what up its into "
         "than them only other new some could time these two may then first any "
         "installer archive directory program manager window diskette header method "
         "decoder position literal buffer piece progress percent section").split()


def word_lines(size, next_word, line_end):
    """size bytes of the words of next_word() in lines of about 70
    characters, each ended by line_end()."""
    out = []
    n = 0
    col = 0
    while n < size:
        w = next_word()
        out.append(w)
        n += len(w) + 1
        col += len(w) + 1
        if col > 70:
            out.append(line_end())
            col = 0
        else:
            out.append(" ")
    return "".join(out).encode("ascii")[:size]


def text_block(rng, size):
    def next_word():
        w = rng.choice(WORDS)
        r = rng.random()
        if r < 0.04:
            w = w.capitalize()
        elif r < 0.06:
            w = "%s%d" % (w, rng.randint(0, 9999))
        return w
    return word_lines(size, next_word, lambda: ".\r\n" if rng.random() < 0.3 else "\r\n")


def binary_block(rng, size):
    parts = []
    n = 0
    while n < size:
        k = rng.random()
        if k < 0.35:   # tables of small numbers, like relocations and resources
            base = rng.randint(0, 1 << 20)
            chunk = b"".join((base + 4 * rng.randint(0, 300)).to_bytes(4, "little")
                             for _ in range(rng.randint(16, 256)))
        elif k < 0.6:  # code-like bytes from a small alphabet
            alphabet = bytes(rng.getrandbits(8) for _ in range(24))
            chunk = bytes(rng.choice(alphabet) for _ in range(rng.randint(64, 1024)))
        elif k < 0.8:  # strings
            chunk = text_block(rng, rng.randint(40, 400)) + b"\0"
        elif k < 0.9:  # compressed or random data
            chunk = rng.randbytes(rng.randint(64, 2048))
        else:          # padding
            chunk = bytes([rng.choice((0, 0xFF, 0x90))]) * rng.randint(16, 1024)
        parts.append(chunk)
        n += len(chunk)
    return b"".join(parts)[:size]


def word_block(rng, size, vocabulary=3000):
    """Random words of a vocabulary of a few thousand, with English letter
    frequencies. Packed, about one code in four is a literal and the rest are
    short matches at random distances: the decoder's dearest mix."""
    letters = "etaoinshrdlcumwfgypbvkjxqz"
    weights = [127, 91, 82, 75, 70, 67, 63, 61, 60, 43, 40, 28, 28, 24, 24, 22, 20, 20, 19, 15,
               10, 8, 2, 2, 1, 1]
    words = set()
    while len(words) < vocabulary:
        words.add("".join(rng.choices(letters, weights, k=rng.randint(2, 10))))
    words = sorted(words)
    return word_lines(size, lambda: rng.choice(words), lambda: "\r\n")


def make_file(path, block, target=TARGET):
    """target bytes: distinct 4 MB blocks repeated; repeats lie far beyond
    the 26 KB history of the format, so they cost the decoder full price."""
    if os.path.exists(path) and os.path.getsize(path) == target:
        return
    with open(path, "wb") as f:
        written = 0
        while written < target:
            f.write(block[:target - written])
            written += min(len(block), target - written)


def make_archive(work, name, source, method):
    path = os.path.join(work, name)
    if os.path.exists(path) and os.path.getmtime(path) >= os.path.getmtime(os.path.join(work, source)):
        return path
    if os.path.exists(path):
        os.remove(path)
    subprocess.run(["arj", "a", "-2d", "-y", "-m%d" % method, path, source], cwd=work,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


def run_time(command, cwd=None):
    """Wall time and CPU time (user + system) of one run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    r = subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if r.returncode != 0:
        raise SystemExit("failed: %s" % " ".join(command))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def best_times(commands, prepare=None, cwd=None):
    """Best time of each command over RUNS rounds; the commands take turns
    within each round, each after prepare(i) when given (not timed), in cwd.
    The time is the CPU time of the run (all its threads) when the machine
    is busy (wall time well above CPU time: other jobs share the
    processors), else the wall time."""
    best_wall = [None] * len(commands)
    best_cpu = [None] * len(commands)
    for _ in range(RUNS):
        for i, command in enumerate(commands):
            if prepare is not None:
                prepare(i)
            wall, cpu = run_time(command, cwd)
            best_wall[i] = wall if best_wall[i] is None else min(best_wall[i], wall)
            best_cpu[i] = cpu if best_cpu[i] is None else min(best_cpu[i], cpu)
    busy = any(w > 1.3 * c for w, c in zip(best_wall, best_cpu))
    return (best_cpu if busy else best_wall), busy


def main():
    arjx = os.path.abspath(sys.argv[1])
    work = os.path.abspath(sys.argv[2])
    os.makedirs(work, exist_ok=True)
    rng = random.Random(31)
    make_file(os.path.join(work, "text.dat"), text_block(rng, 4 * 1024 * 1024 + 17))
    make_file(os.path.join(work, "mixed.dat"), binary_block(rng, 4 * 1024 * 1024 + 29))
    make_file(os.path.join(work, "random.dat"), rng.randbytes(TARGET))
    make_file(os.path.join(work, "words.dat"), word_block(rng, 4 * 1024 * 1024 + 7), 2 * TARGET)
    rows = [("text -m1", make_archive(work, "text1.arj", "text.dat", 1), "text.dat"),
            ("mixed -m4", make_archive(work, "mixed4.arj", "mixed.dat", 4), "mixed.dat"),
            ("random -m0", make_archive(work, "random0.arj", "random.dat", 0), "random.dat"),
            ("words -m1", make_archive(work, "words1.arj", "words.dat", 1), "words.dat")]

    print("%-10s %9s %9s %10s %10s %10s %8s %8s" % (
        "archive", "output MB", "packed MB", "arjx MB/s", "arj MB/s", "7z MB/s", "arjx/7z",
        "arjx/arj"))
    ratios = []
    any_busy = False
    for label, archive, source in rows:
        size_mb = os.path.getsize(os.path.join(work, source)) / 1e6
        packed_mb = os.path.getsize(archive) / 1e6
        (t_arjx, t_arj, t_7z), busy = best_times([[arjx, "-t", archive],
                                                  ["arj", "t", "-y", archive],
                                                  ["7z", "t", archive]])
        any_busy = any_busy or busy
        ratio = t_7z / t_arjx
        ratios.append(ratio)
        print("%-10s %9.1f %9.1f %10.1f %10.1f %10.1f %8.2f %8.2f" % (
            label, size_mb, packed_mb, size_mb / t_arjx, size_mb / t_arj, size_mb / t_7z, ratio,
            t_arj / t_arjx))
    print("times: %s, best of %d" % ("CPU time (machine busy)" if any_busy else "wall time", RUNS))
    print("ratio_vs_7z_min: %.2f" % min(ratios))


if __name__ == "__main__":
    main()
