#!/usr/bin/env python3
"""Speed and responsiveness of the whole installation against 7z x.

Usage: install_bench.py prepare WORK
       install_bench.py measure WORK NAME ROUNDS DRIVER_EXE INSTALL_EXE
       install_bench.py report WORK

prepare: makes the distribution in WORK/install: three archives made with
"arj a -2d" (16 MiB of text at -m1, 16 MiB of mixed data at -m4, 16 MiB of
random data at -m0), one script directory per speed level (0, 2 and 4) that
installs them, and a tiny installation with the same dialogs (the same
script and archive names, a few bytes per archive). For the slow media, the
same three kinds of archive at 64 KiB each and one script directory per
level.

measure (run with WINE and WINEPREFIX set, on a display): ROUNDS rounds of
"7z x" of the three archives, then the tiny installation and the one of each
level, driven by install_bench_driver under $WINE, then the installation of
the small archives at each level with the installer's reads slowed to a
diskette's 45 KB/s (install_bench_driver --slow-reads); checks that the last
installation of each level is byte-exact and stores the figures in
WORK/install/NAME.json.

report: prints the tables of every NAME measured. The archive phase is the
installation's time less the tiny installation's (both from process start
to exit, best of the rounds), so that start-up, dialogs and exit cancel out.
"""
import filecmp
import json
import os
import random
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench import binary_block, text_block  # noqa: E402

SIZE = 16 * 1024 * 1024
SLOW_SIZE = 64 * 1024
LEVELS = (0, 2, 4)
TINY = "tiny"
# (archive, member, method)
ARCHIVES = (("TEXT.ARJ", "TEXT.DAT", 1), ("MIXED.ARJ", "MIXED.DAT", 4), ("RANDOM.ARJ", "RANDOM.DAT", 0))
# Targets: the archive phase at least this share of 7z x's speed, and the
# main window's slowest answer during it at most this many ms.
SPEED_TARGET = 0.67
LATENCY_TARGET_MS = 50.0
# On slow media the target holds for the levels whose read pieces a diskette
# delivers within it; level 4 reads 32 KB pieces (0.7 s each).
SLOW_TARGET_LEVELS = (0, 2)
TOP = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

SCRIPT = """[General Info]
IniWndStt=1
ProducNam=Benchmark
DlgBoxCap=Benchmark Setup
PicFilDir=Ini_Dir

[Check Boxes]
ChckBoxNumber=0

[Archive Files]
ArcFileNumber={count}
DefSrcDir=Ini_Dir
DefDstDir=Win_RooBENCH\\{dest}
{archives}
[Program Items]
AddIconNumber=0

{bars}
[Other Options]
DefPrgSpd={level}
"""


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def level_names(prefix="L"):
    return ["%s%d" % (prefix, level) for level in LEVELS]


def sample_bars():
    """The sample product's percent bars, so that progress is drawn as in a
    real installation."""
    with open(os.path.join(TOP, "examples", "sample", "install.ini")) as f:
        text = f.read()
    start = text.index("[Percent Bars]")
    return text[start:text.index("\n[", start) + 1]


def write_data(path, make, size):
    if os.path.exists(path) and os.path.getsize(path) == size:
        return
    data = make()
    with open(path + ".new", "wb") as f:
        f.write((data * (size // len(data) + 1))[:size])
    os.replace(path + ".new", path)


def make_archive(directory, archive, member, method):
    path = os.path.join(directory, archive)
    source = os.path.join(directory, member)
    if os.path.exists(path) and os.path.getmtime(path) >= os.path.getmtime(source):
        return
    if os.path.exists(path):
        os.remove(path)
    subprocess.run(["arj", "a", "-2d", "-y", "-m%d" % method, archive, member], cwd=directory, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def prepare(work):
    data = os.path.join(work, "data")
    slow = os.path.join(work, "slowdata")
    tiny = os.path.join(work, "tinydata")
    for directory in (data, slow, tiny):
        os.makedirs(directory, exist_ok=True)
    rng = random.Random(12)
    # Distinct 4 MiB blocks repeated: the repeats lie far beyond the
    # format's 26 KB history, so they cost full price.
    makers = {"TEXT.DAT": lambda size: text_block(rng, min(size, 4 * 1024 * 1024 + 17)),
              "MIXED.DAT": lambda size: binary_block(rng, min(size, 4 * 1024 * 1024 + 29)),
              "RANDOM.DAT": lambda size: rng.randbytes(size)}
    for archive, member, method in ARCHIVES:
        for directory, size in ((data, SIZE), (slow, SLOW_SIZE)):
            write_data(os.path.join(directory, member), lambda: makers[member](size), size)
            make_archive(directory, archive, member, method)
        if not os.path.exists(os.path.join(tiny, member)):
            with open(os.path.join(tiny, member), "wb") as f:
                f.write(b"tiny %s\r\n" % member.encode())
        make_archive(tiny, archive, member, method)
    entries = "".join("ArcFile_%02d=%s\nArcDest_%02d=Dst_Dir\nArcSize_%02d=16\nArcCBox_%02d=0\n"
                      "ArcRExs_%02d=2\nArcCDir_%02d=0\n" % (i, archive, i, i, i, i, i)
                      for i, (archive, _, _) in enumerate(ARCHIVES, 1))
    bars = sample_bars()
    for name, level, source in ([(TINY, 2, tiny)] + [("L%d" % lv, lv, data) for lv in LEVELS] +
                                [("S%d" % lv, lv, slow) for lv in LEVELS]):
        directory = os.path.join(work, name)
        os.makedirs(directory, exist_ok=True)
        with open(os.path.join(directory, "install.ini"), "w", newline="\r\n") as f:
            f.write(SCRIPT.format(count=len(ARCHIVES), dest=name.upper(), archives=entries, bars=bars,
                                  level=level))
        shutil.copyfile(os.path.join(TOP, "examples", "sample", "Install.Pic"),
                        os.path.join(directory, "Install.Pic"))
        for archive, _, _ in ARCHIVES:
            link = os.path.join(directory, archive)
            if os.path.lexists(link):
                os.remove(link)
            os.symlink(os.path.join(source, archive), link)


def time_7z(work):
    """Wall time of "7z x" of the three archives into a fresh directory."""
    out = os.path.join(work, "7z-out")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    start = time.perf_counter()
    for archive, _, _ in ARCHIVES:
        subprocess.run(["7z", "x", "-y", "-o" + out, os.path.join(work, "data", archive)], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    shutil.rmtree(out, ignore_errors=True)
    return elapsed


def find_nocase(directory, name):
    """The entry of directory whose name equals name in any case, or None."""
    if not os.path.isdir(directory):
        return None
    for entry in os.listdir(directory):
        if entry.lower() == name.lower():
            return os.path.join(directory, entry)
    return None


def installed_exactly(work, name, data):
    """Whether the level's destination in the Wine prefix holds every file of
    the data directory byte-exact."""
    bench_dir = find_nocase(os.path.join(os.environ["WINEPREFIX"], "drive_c"), "BENCH")
    dest = find_nocase(bench_dir, name) if bench_dir else None
    for _, member, _ in ARCHIVES:
        installed = find_nocase(dest, member) if dest else None
        if installed is None or not filecmp.cmp(installed, os.path.join(work, data, member), shallow=False):
            return False
    return True


def jobs_of(work, labels):
    jobs = []
    for label in labels:
        jobs += [label, winpath(os.path.join(work, label)), "C:\\BENCH\\" + label.upper()]
    return jobs


def measure(work, name, rounds, driver, installer):
    wine = os.environ["WINE"]
    fast = [TINY] + level_names()
    runs = {label: [] for label in fast + level_names("S")}
    sevenzip = []
    for _ in range(rounds):
        sevenzip.append(time_7z(work))
        for options, labels in (([], fast), (["--slow-reads"], level_names("S"))):
            result = subprocess.run([wine, driver] + options + [winpath(installer), "1"] + jobs_of(work, labels),
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            for line in result.stdout.splitlines():
                if line.startswith("#"):
                    print("  %s: %s" % (name, line[1:].strip()))
                    continue
                fields = line.split()
                if len(fields) < 2 or fields[0] != "run":
                    continue
                values = dict(f.split("=", 1) for f in fields[2:])
                runs[fields[1]].append({"ok": values["ok"] == "1", "ms": float(values["ms"]),
                                        "answers": [float(a) for a in values["answers"].split(",") if a]})
    exact = {label: installed_exactly(work, label, "data") for label in level_names()}
    exact.update({label: installed_exactly(work, label, "slowdata") for label in level_names("S")})
    with open(os.path.join(work, name + ".json"), "w") as f:
        json.dump({"rounds": rounds, "sevenzip": sevenzip, "runs": runs, "exact": exact}, f)


BUILDS = (("win64", "win64 (wine64)", False), ("win32", "win32 EMULATED (qemu-i386)", True))


def verdict(met):
    return "met" if met else "MISSED"


def latencies(ok_runs):
    """p95 of all rounds' answers, the slowest answer of the quietest round
    and of all rounds. The quietest round judges the installer: a pump gap of
    its own shows in every round, a busy machine's does not."""
    maxima = [max(r["answers"], default=0) for r in ok_runs]
    answers = sorted(a for r in ok_runs for a in r["answers"])
    p95 = answers[int(0.95 * (len(answers) - 1))] if answers else 0
    return len(answers), p95, min(maxima), max(maxima)


def load_figures(work):
    for name, label, emulated in BUILDS:
        path = os.path.join(work, name + ".json")
        if os.path.exists(path):
            with open(path) as f:
                yield label, emulated, json.load(f)


def report(work):
    total_mb = len(ARCHIVES) * SIZE / 1e6
    print()
    print("Whole installation against 7z x: %d archives, %.1f MB of output (text -m1, mixed -m4, random -m0)"
          % (len(ARCHIVES), total_mb))
    print("archive phase = installation - tiny installation with the same dialogs, each from process start")
    print("to exit, best wall time of the rounds. Latency: the main window's answers to WM_NULL sent every")
    print("5 ms while the archives are installed; p95 of all rounds' answers, the slowest answer of the")
    print("quietest round (max) and of all rounds (worst). Load average %.1f" % os.getloadavg()[0])
    row = "%-26s %5s %9s %7s %9s %7s %8s %-13s %5s %6s %6s %6s %6s %s"
    print(row % ("build", "level", "install s", "tiny s", "archive s", "7z x s", "vs 7z x", "target",
                 "exact", "probes", "p95 ms", "max ms", "worst", "target"))
    for label, emulated, figures in load_figures(work):
        t7z = min(figures["sevenzip"])
        tiny = [r["ms"] / 1000 for r in figures["runs"][TINY] if r["ok"]]
        for level in level_names():
            ok_runs = [r for r in figures["runs"][level] if r["ok"]]
            if not ok_runs or not tiny:
                print("%-26s %5s  installation failed (%d of %d runs ended well)" % (
                    label, level[1:], len(ok_runs), figures["rounds"]))
                continue
            install = min(r["ms"] for r in ok_runs) / 1000
            phase = install - min(tiny)
            ratio = t7z / phase if phase > 0 else None
            probes, p95, quietest, worst = latencies(ok_runs)
            if emulated:
                speed_target = "n/a, emulated"
            elif ratio is None:  # the tiny installation took longer: a busy machine
                speed_target = "too noisy"
            else:
                speed_target = ">=%.2fx %s" % (SPEED_TARGET, verdict(ratio >= SPEED_TARGET))
            print(row % (label, level[1:], "%.2f" % install, "%.2f" % min(tiny), "%.2f" % phase, "%.2f" % t7z,
                         "-" if ratio is None else "%.2fx" % ratio, speed_target,
                         "yes" if figures["exact"][level] else "NO", probes, "%.1f" % p95,
                         "%.1f" % quietest, "%.1f" % worst,
                         "<=%.0f %s" % (LATENCY_TARGET_MS, verdict(quietest <= LATENCY_TARGET_MS))))
        print("%-26s best of %d rounds" % ("", figures["rounds"]))
    print("the EMULATED rows run the 32-bit build under the 32-bit Wine through qemu-i386 user")
    print("emulation: their speed is not comparable to 7z x; they show that it installs byte-exact")
    print("and how its window answers.")
    report_slow_media(work)


def report_slow_media(work):
    print()
    print("Slow media: the same kinds of archive, %d KiB of output each, read at %d KB/s (a diskette):"
          % (SLOW_SIZE // 1024, 45))
    print("install_bench_driver --slow-reads loads a hook into the shipped install.exe that makes each")
    print("of its platform reads sleep as long as a diskette would take. The main window's answers as above.")
    row = "%-26s %5s %9s %5s %6s %6s %6s %6s %s"
    print(row % ("build", "level", "install s", "exact", "probes", "p95 ms", "max ms", "worst", "target"))
    for label, _, figures in load_figures(work):
        for level in LEVELS:
            ok_runs = [r for r in figures["runs"]["S%d" % level] if r["ok"]]
            if not ok_runs:
                print("%-26s %5d  installation failed (%d of %d runs ended well)" % (
                    label, level, len(ok_runs), figures["rounds"]))
                continue
            probes, p95, quietest, worst = latencies(ok_runs)
            target = ("<=%.0f %s" % (LATENCY_TARGET_MS, verdict(quietest <= LATENCY_TARGET_MS))
                      if level in SLOW_TARGET_LEVELS else "none: 32 KB pieces")
            print(row % (label, level, "%.2f" % (min(r["ms"] for r in ok_runs) / 1000),
                         "yes" if figures["exact"]["S%d" % level] else "NO", probes, "%.1f" % p95,
                         "%.1f" % quietest, "%.1f" % worst, target))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "prepare":
        prepare(os.path.abspath(sys.argv[2]))
    elif len(sys.argv) == 7 and sys.argv[1] == "measure":
        measure(os.path.abspath(sys.argv[2]), sys.argv[3], int(sys.argv[4]), sys.argv[5], sys.argv[6])
    elif len(sys.argv) == 3 and sys.argv[1] == "report":
        report(os.path.abspath(sys.argv[2]))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
