#!/bin/bash
# The installation rows of `make bench`: install.exe's whole installation
# against 7z x, with the main window's latency, and that latency on media
# slowed to a diskette's speed (tools/bench/install_bench.py says what is
# measured). The 64-bit build runs under wine64; the 32-bit
# build under the private 32-bit Wine through qemu-i386 (tools/wine32-env.sh),
# whose rows are labelled as emulated. Each has a Wine prefix of its own in
# build/bench; all runs share one private X display.
#
# A benchmark prints figures and never fails the build: a build or a Wine
# that is missing gives a line saying so, and the exit code is 0.
set -u
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work="$top/build/bench/install"
bench="$top/tools/bench/install_bench.py"
ROUNDS=${INSTALL_BENCH_ROUNDS:-3}
ROUNDS32=${INSTALL_BENCH_ROUNDS32:-3}

say() { echo "install bench: $*"; }

# The cleanup below stops this prefix's server with the display; each build's
# runs stop their own.
WINEPREFIX="$top/build/bench/wineprefix64"
. "$top/tools/wine-env.sh"
. "$top/tools/wine32-env.sh"
cleanup() {
    wine_env_stop
    wine32_env_release
}
trap cleanup EXIT

python3 "$bench" prepare "$work" || { say "the distribution could not be made"; exit 0; }
rm -f "$work"/*.json
wine_display_start

# measure NAME ROUNDS: one build's rows. Run in a subshell, so that the Wine
# of one build does not leak into the other's; its prefix's server is stopped
# when the subshell ends.
measure() {
    local name=$1 rounds=$2
    local installer="$top/dist/$name/install.exe" driver="$top/build/$name/bin/install_bench_driver.exe"
    for f in "$installer" "$driver"; do
        [ -f "$f" ] || { say "${f#$top/} is missing: run make"; return 0; }
    done
    WINEPREFIX="$top/build/bench/wineprefix${name#win}"
    trap wine_prefix_stop EXIT
    wine_prefix_start
    say "$name: $rounds rounds"
    WINE="$WINE" python3 "$bench" measure "$work" "$name" "$rounds" "$driver" "$installer" ||
        say "$name: the runs failed"
}

(measure win64 "$ROUNDS")
# The emulator's registration is made here, so that the cleanup undoes it.
if wine32_ensure_root && wine32_ensure_binfmt && wine32_choose_wineserver; then
    (wine32_env_prepare && measure win32 "$ROUNDS32")
else
    say "the private 32-bit Wine cannot be set up: no emulated rows"
fi
python3 "$bench" report "$work"
exit 0
