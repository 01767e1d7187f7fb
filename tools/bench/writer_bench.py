#!/usr/bin/env python3
"""Packing speed and size of "arjx -c" against "arj a", with gzip -9.

Usage: writer_bench.py ARJX WORKDIR SOURCE_TREE BUILD_TREES

Three corpora, copied into WORKDIR so that both archivers see the same
files under the same names:
  text    the top-level modules of Python's standard library (source text)
  binary  built programs: the Windows programs of BUILD_TREES/win32 and
          BUILD_TREES/win64 (the tests' programs too), up to 8 MB
  mixed   this source tree (sources, documents, pictures, icons; no names
          starting with a dot, on which arj a -r hangs) and dist/
and each of them again as one file, its files concatenated in name order
("one text", "one binary", "one mixed"): one long entry, where the many
small entries no longer favour the smaller headers and first blocks.

For each corpus and method 1-4 it prints the archive bytes and MB/s of
"arjx -c -m N" and of "arj a -2d -mN" (best of RUNS rounds, taking turns),
their ratios, whether the targets are met (method 1: no larger than arj and
at least 1.5 times its speed; methods 2-4: no larger and at least 3 times
its speed), and the bytes of gzip -9 over each file as a reference. Then
the largest resident memory of packing a 1 GB file with method 1.

A benchmark prints figures and never fails.
"""
import glob
import os
import shutil
import subprocess
import sys
import sysconfig
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench  # noqa: E402

RUNS = 5
bench.RUNS = RUNS
BINARY_LIMIT = 8 * 1024 * 1024
TARGET_SPEED = {1: 1.5, 2: 3.0, 3: 3.0, 4: 3.0}
GIGABYTE = 1 << 30


def copy_files(paths, root, target):
    shutil.rmtree(target, ignore_errors=True)
    for path in paths:
        name = os.path.join(target, os.path.relpath(path, root))
        os.makedirs(os.path.dirname(name), exist_ok=True)
        shutil.copyfile(path, name)


def text_corpus(target):
    stdlib = sysconfig.get_paths()["stdlib"]
    copy_files(sorted(glob.glob(os.path.join(stdlib, "*.py"))), stdlib, target)


def binary_corpus(builds, target):
    paths = []
    total = 0
    for path in sorted(glob.glob(os.path.join(builds, "win32", "bin", "*.exe")) +
                       glob.glob(os.path.join(builds, "win64", "bin", "*.exe"))):
        if total >= BINARY_LIMIT:
            break
        paths.append(path)
        total += os.path.getsize(path)
    copy_files(paths, builds, target)


def mixed_corpus(source, target):
    files = subprocess.run(["git", "-C", source, "ls-files"], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True).stdout.split()
    # Without names that start with a dot: "arj a -r" loops for ever when one
    # is in the tree.
    paths = [os.path.join(source, f) for f in files
             if os.path.isfile(os.path.join(source, f)) and
             not any(part.startswith(".") for part in f.split("/"))]
    for root, _, names in os.walk(os.path.join(source, "dist")):
        paths.extend(os.path.join(root, n) for n in sorted(names))
    copy_files(paths, source, target)


def one_file_corpus(source, target, name):
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    paths = corpus_files(source)
    if not paths:
        return
    with open(os.path.join(target, name), "wb") as out:
        for path in paths:
            with open(path, "rb") as f:
                shutil.copyfileobj(f, out)


def corpus_files(root):
    return sorted(os.path.join(r, n) for r, _, names in os.walk(root) for n in names)


def gzip_bytes(files):
    total = 0
    for path in files:
        with open(path, "rb") as f:
            out = subprocess.run(["gzip", "-9n"], stdin=f, stdout=subprocess.PIPE).stdout
        total += len(out)
    return total


def fresh(path):
    if os.path.exists(path):
        os.remove(path)
    return path


def bench_corpus(label, root, arjx, work):
    files = corpus_files(root)
    size_mb = sum(os.path.getsize(f) for f in files) / 1e6
    ours = os.path.join(work, "ours.arj")
    theirs = os.path.join(work, "theirs.arj")
    gz = gzip_bytes(files)
    busy_any = False
    for method in range(1, 5):
        commands = [[arjx, "-c", ours, "-m", str(method), "."],
                    ["arj", "a", "-2d", "-r", "-y", "-m%d" % method, theirs, "*"]]
        # Each run makes a new archive: arj would otherwise add to the last.
        (t_ours, t_arj), busy = bench.best_times(
            commands, prepare=lambda i: fresh((ours, theirs)[i]), cwd=root)
        busy_any = busy_any or busy
        b_ours = os.path.getsize(ours)
        b_arj = os.path.getsize(theirs)
        met = b_ours <= b_arj and t_arj / t_ours >= TARGET_SPEED[method]
        print("%-10s %2d %10d %8.1f %10d %8.1f %7.3f %6.2f %-7s %10d" % (
            label, method, b_ours, size_mb / t_ours, b_arj, size_mb / t_arj, b_ours / b_arj,
            t_arj / t_ours, "met" if met else "missed", gz), flush=True)
    fresh(ours)
    fresh(theirs)
    return busy_any


def memory_row(arjx, work):
    """Largest resident set of packing a 1 GB file (4 MB pieces of varied
    data, each a little changed) with method 1."""
    big = os.path.join(work, "big")
    os.makedirs(big, exist_ok=True)
    path = os.path.join(big, "1gb.bin")
    if not os.path.exists(path) or os.path.getsize(path) != GIGABYTE:
        text = open(sysconfig.get_paths()["stdlib"] + "/typing.py", "rb").read()
        piece = (text * (4 * 1024 * 1024 // len(text) + 1))[:4 * 1024 * 1024]
        with open(path, "wb") as f:
            for i in range(GIGABYTE // len(piece)):
                f.write(piece[i % 4096:] + piece[:i % 4096])
    archive = fresh(os.path.join(work, "big.arj"))
    # The peak resident set read from /proc while it runs: the one the
    # kernel reports at the end also counts the Python process it was
    # started from.
    p = subprocess.Popen([arjx, "-c", archive, "-m", "1", path], stdout=subprocess.DEVNULL)
    peak_kb = 0
    while p.poll() is None:
        try:
            with open("/proc/%d/status" % p.pid) as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak_kb = max(peak_kb, int(line.split()[1]))
        except OSError:
            pass
        time.sleep(0.05)
    if p.returncode != 0:
        print("memory: arjx -c failed on the 1 GB file")
    else:
        print("memory: a 1 GB file packed with method 1 into %d bytes; largest resident set %.1f MB"
              % (os.path.getsize(archive), peak_kb / 1024))
    fresh(archive)


def main():
    arjx = os.path.abspath(sys.argv[1])
    work = os.path.abspath(sys.argv[2])
    source = os.path.abspath(sys.argv[3])
    builds = os.path.abspath(sys.argv[4])
    os.makedirs(work, exist_ok=True)
    corpora = [("text", text_corpus), ("binary", lambda t: binary_corpus(builds, t)),
               ("mixed", lambda t: mixed_corpus(source, t))]
    corpora += [("one " + label, lambda t, label=label: one_file_corpus(
        os.path.join(work, label), t, label + ".dat")) for label, _ in corpora]
    print("%-10s %2s %10s %8s %10s %8s %7s %6s %-7s %10s" % (
        "corpus", "m", "arjx bytes", "MB/s", "arj bytes", "MB/s", "size", "speed", "target",
        "gzip -9"))
    busy = False
    for label, make in corpora:
        root = os.path.join(work, label.replace(" ", "-"))
        make(root)
        if not corpus_files(root):
            print("%-10s (no files)" % label)
            continue
        busy = bench_corpus(label, root, arjx, work) or busy
    print("size: arjx/arj bytes; speed: arj time/arjx time; times: %s, best of %d" % (
        "CPU time (machine busy)" if busy else "wall time", RUNS))
    memory_row(arjx, work)


if __name__ == "__main__":
    main()
