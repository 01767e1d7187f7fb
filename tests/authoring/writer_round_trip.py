#!/usr/bin/env python3
"""Archives made by "arjx -c" against the peers: every method over one corpus,
then one file of more than 100 MB with method 1.

Usage: writer_round_trip.py ARJX WORKDIR

Each archive must pass "arjx -t", "arj t" and "7z t", and extract byte for
byte with "arj x" and "7z x" (text entries: arj x, like the installer, clears
bit 7 of every byte; 7z x keeps them). The corpus: an empty file, one byte,
sizes around the 26,624-byte history and its multiples, repeats exactly as
far back as a match may reach, runs longer than a match, incompressible data
(stored), 8-bit text as text entries, and many small files in nested
directories. Prints one line per failure; exits 1 when there was any.
"""
import os
import random
import shutil
import subprocess
import sys

HISTORY = 26624
FAST_REACH = 15872  # method 4's farthest match
BIG = 100 * 1024 * 1024 + 12345

failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text, flush=True)


def words(rng, size, alphabet="abcdefghij klmnop\r\n"):
    vocabulary = ["".join(rng.choice(alphabet) for _ in range(rng.randint(2, 9))) for _ in range(300)]
    out = []
    n = 0
    while n < size:
        w = rng.choice(vocabulary) + " "
        out.append(w)
        n += len(w)
    return "".join(out).encode("latin-1")[:size]


def corpus(rng):
    """name -> bytes"""
    files = {
        "empty.bin": b"",
        "one.bin": b"Z",
        "runs.bin": b"\0" * 5000 + b"ab" * 3000 + b"\xff" * 700 + b"xyz" * 9000,
        "random.bin": rng.randbytes(3 * HISTORY + 77),
        "text8.txt": words(rng, 70000, "abcdefg \xe4\xf6\xfc\xe9\xdf\r\n"),
    }
    for size in (HISTORY - 1, HISTORY, HISTORY + 1, 2 * HISTORY, 3 * HISTORY + 1):
        files["window/%d.bin" % size] = words(rng, size)
    # Repeats exactly as far back as methods 1-3 and method 4 may reach.
    for period in (HISTORY, FAST_REACH):
        block = rng.randbytes(period)
        files["reach/%d.bin" % period] = block + block + block[:3000]
    for i in range(120):
        depth = "/".join("d%d" % ((i >> k) % 3) for k in range(i % 4))
        name = (depth + "/" if depth else "") + "f%03d.%s" % (i, "txt" if i % 5 == 0 else "dat")
        files["tree/" + name] = words(rng, rng.randint(0, 3000))
    return files


def write_tree(root, files):
    shutil.rmtree(root, ignore_errors=True)
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def run(command, cwd=None):
    r = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return r.returncode, r.stdout.decode("latin-1")


def check_archive(label, arjx, archive, files, text_names, work):
    code, out = run([arjx, "-t", archive])
    if code != 0:
        fail("%s: arjx -t exited %d: %s" % (label, code, out[-300:]))
    code, out = run(["arj", "t", "-y", archive])
    if code != 0:
        fail("%s: arj t exited %d: %s" % (label, code, out[-300:]))
    code, out = run(["7z", "t", archive])
    if code != 0:
        fail("%s: 7z t exited %d: %s" % (label, code, out[-300:]))
    for tool, command in (("arj x", ["arj", "x", "-y", archive]),
                          ("7z x", ["7z", "x", "-y", archive])):
        out_dir = os.path.join(work, "x")
        shutil.rmtree(out_dir, ignore_errors=True)
        os.makedirs(out_dir)
        code, out = run(command, cwd=out_dir)
        if code != 0:
            fail("%s: %s exited %d: %s" % (label, tool, code, out[-300:]))
            continue
        for name, data in files.items():
            path = os.path.join(out_dir, name)
            if not os.path.exists(path):
                fail("%s: %s did not extract %s" % (label, tool, name))
                continue
            expected = data
            if tool == "arj x" and name in text_names:
                expected = bytes(c & 0x7F for c in data)
            with open(path, "rb") as f:
                if f.read() != expected:
                    fail("%s: %s extracted %s differently" % (label, tool, name))
        shutil.rmtree(out_dir)


def main():
    arjx = os.path.abspath(sys.argv[1])
    work = os.path.abspath(sys.argv[2])
    os.makedirs(work, exist_ok=True)
    files = corpus(random.Random(18))
    src = os.path.join(work, "src")
    write_tree(src, files)
    text_names = {n for n in files if n.endswith(".txt")}
    for method in range(5):
        archive = os.path.join(work, "m%d.arj" % method)
        if os.path.exists(archive):
            os.remove(archive)
        code, out = run([arjx, "-c", archive, "-m", str(method), "--text", "*.TXT", src])
        if code != 0:
            fail("method %d: arjx -c exited %d: %s" % (method, code, out[-300:]))
            continue
        # Incompressible data are stored whatever the method.
        if "random.bin  method 0" not in out:
            fail("method %d: random.bin not stored" % method)
        check_archive("method %d" % method, arjx, archive, files, text_names, work)
        os.remove(archive)
    shutil.rmtree(src)

    # A file larger than memory budgets: 1 MB pieces of the corpus's kinds
    # of data in changing order.
    rng = random.Random(19)
    pieces = [words(rng, 1 << 20), rng.randbytes(1 << 20), b"".join(files.values())[:1 << 20]]
    big = os.path.join(work, "big")
    os.makedirs(big, exist_ok=True)
    with open(os.path.join(big, "big.bin"), "wb") as f:
        written = 0
        i = 0
        while written < BIG:
            piece = pieces[(i * 7) % 3][(i * 4099) % 65536:]
            piece = piece[:BIG - written]
            f.write(piece)
            written += len(piece)
            i += 1
    archive = os.path.join(work, "big.arj")
    code, out = run([arjx, "-c", archive, "-m", "1", os.path.join(big, "big.bin")])
    if code != 0:
        fail("big file: arjx -c exited %d: %s" % (code, out[-300:]))
    else:
        with open(os.path.join(big, "big.bin"), "rb") as f:
            check_archive("big file", arjx, archive, {"big.bin": f.read()}, set(), work)
    shutil.rmtree(big)
    if os.path.exists(archive):
        os.remove(archive)

    if not failures:
        print("all round trips passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
