#!/bin/sh
# Builds the sample distribution from examples/sample into OUTDIR:
#   OUTDIR/disk1: install.ini, Install.Pic, BASE.ARJ (binary, method 1) and
#                 DOCS.ARJ (text entries, method 2, with subdirectories)
#   OUTDIR/disk2: NOTES.ARJ (binary, method 4)
# Archives are made with Debian's arj in MS-DOS mode (-2d), as the installer
# needs; files get a fixed date so that every build gives the same archives.
# usage: make_sample.sh OUTDIR
set -eu
src=$(cd "$(dirname "$0")/../examples/sample" && pwd)
out=$1
work="$out/.work"
rm -rf "$out"
mkdir -p "$out/disk1" "$out/disk2" "$work"
cp -R "$src/product/." "$work/"
find "$work" -type f -exec touch -d '1996-05-14 12:00:00' {} +
archive() {  # archive DIR ARCHIVE OPTIONS...
    dir=$1 archive=$2
    shift 2
    (cd "$work/$dir" && arj a -2d -y -r "$@" "$archive" '*' >/dev/null)
}
archive base "$out/disk1/BASE.ARJ" -m1
archive docs "$out/disk1/DOCS.ARJ" -m2 -t1g
archive notes "$out/disk2/NOTES.ARJ" -m4
cp "$src/install.ini" "$src/Install.Pic" "$out/disk1/"
rm -rf "$work"
