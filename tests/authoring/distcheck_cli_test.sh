#!/bin/sh
# distcheck from the command line on the sample distribution and on faulty
# variants of it: exit codes, --quiet, the key and line of a rejected value,
# and the archive faults (missing, damaged data, unsafe entry name, a
# progress weight far off), each reported with its name.
# Usage: distcheck_cli_test.sh DISTCHECK SAMPLE_DIR WORKDIR
distcheck=$1
sample=$2
work=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
fresh() { rm -rf "$work/d" && mkdir -p "$work" && cp -r "$sample" "$work/d"; }
expect_line() { printf "%s\n" "$out" | grep -qF -- "$1" || fail "no line with '$1' in: $out"; }

fresh
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2") || fail "sample exited $?"
expect_line "install.ini:29: ArcFile_01 BASE.ARJ on diskette 1"
expect_line "ArcFile_03 NOTES.ARJ on diskette 2"
expect_line "-> C:\\TARVO\\NOTES\\DOCS\\ (with check box 1 \"User's guide\")"
expect_line "install.exe would accept the script and install 3 archives from 2 diskettes"
out=$("$distcheck" --quiet "$work/d/disk1" "$work/d/disk2")
[ "$(printf "%s\n" "$out" | wc -l)" = 1 ] || fail "--quiet printed: $out"

# A rejected value: its key, value, line and rule, then the installer's verdict.
sed -i 's/^ArcFile_03=NOTES.ARJ/ArcFile_03="..\\NOTES.ARJ"/' "$work/d/disk1/install.ini"
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2")
[ $? = 1 ] || fail "faulty script did not exit 1"
expect_line "disk1/install.ini:43: [Archive Files] ArcFile_03 = \"..\\NOTES.ARJ\": not a bare file name"
expect_line "caption \"Tarvo Notes 2.0 Setup\", message \"The file 'install.ini' is not correct.\", icon exclamation"

# The second diskette missing.
fresh
out=$("$distcheck" "$work/d/disk1")
[ $? = 1 ] || fail "missing archive did not exit 1"
expect_line "ArcFile_03 NOTES.ARJ: error: missing, not on any diskette"

# Damaged data: one byte of the last entry's data changed.
fresh
size=$(stat -c %s "$work/d/disk1/DOCS.ARJ")
printf 'Z' | dd of="$work/d/disk1/DOCS.ARJ" bs=1 seek=$((size - 20)) conv=notrunc 2>/dev/null
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2")
[ $? = 1 ] || fail "damaged archive did not exit 1"
expect_line "ArcFile_02 DOCS.ARJ ($work/d/disk1/DOCS.ARJ): error: entry"
expect_line "damaged data"

# Unsafe entry names, with valid header CRCs: the first entry's name begins
# with "..\", the second's with the device name "AUX.". Both are named.
fresh
python3 - "$work/d/disk1/BASE.ARJ" <<'PY' || fail "could not patch BASE.ARJ"
import struct, sys, zlib
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
at = 0
headers = 0
while headers < 3:
    at = data.index(b"\x60\xea", at)
    size = struct.unpack_from("<H", data, at + 2)[0]
    body = at + 4
    if headers > 0:  # the entries after the archive header
        name = body + data[body]
        start = (b"..\\", b"AUX.")[headers - 1]
        data[name:name + len(start)] = start
        struct.pack_into("<I", data, body + size, zlib.crc32(bytes(data[body:body + size])))
    headers += 1
    at = body + size + 4
open(path, "wb").write(data)
PY
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2")
[ $? = 1 ] || fail "unsafe entry name did not exit 1"
expect_line "ArcFile_01 BASE.ARJ ($work/d/disk1/BASE.ARJ): error: entry \"..\\dme.txt\": unsafe name (a part"
expect_line "error: entry \"AUX.nse.txt\": unsafe name (a device name"

# A weight far off its archive's size.
fresh
sed -i 's/^ArcSize_01=4/ArcSize_01=400/' "$work/d/disk1/install.ini"
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2") || fail "weights alone made it exit $?"
expect_line "install.ini:31: ArcSize_01 = 400:"
expect_line "warning: the bars will jump"

"$distcheck" >/dev/null 2>&1
[ $? = 2 ] || fail "usage error did not exit 2"

[ $failures = 0 ] && echo "all distcheck checks passed"
exit $failures
