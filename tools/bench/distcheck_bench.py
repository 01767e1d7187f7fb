#!/usr/bin/env python3
"""Times distcheck on the sample distribution whose install.ini has grown to
4.6 MB (a section of notes appended that the installer never reads): the
script is read and indexed once per check, so the time is the reading.
Usage: distcheck_bench.py DISTCHECK SAMPLE_DIR WORKDIR"""
import shutil
import subprocess
import sys
import time

distcheck, sample, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
shutil.copytree(sample, work)
script = work + "/disk1/install.ini"
text = open(script, "rb").read()
lines = [b"[Notes]"]
size = len(text)
number = 0
while size < 4_600_000:
    line = b"Note_%06d=a line of the notes that the installer never reads, number %06d" % (number, number)
    lines.append(line)
    size += len(line) + 2
    number += 1
open(script, "wb").write(text + b"\r\n".join(lines) + b"\r\n")
best = None
for _ in range(3):
    start = time.perf_counter()
    subprocess.run([distcheck, work + "/disk1", work + "/disk2"], check=True, stdout=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print("distcheck, %.1f MB install.ini (%d keys): %.2f s (best of 3)" % (size / 1e6, number, best))
