#!/bin/sh
# distcheck from the command line on the sample distribution and on faulty
# variants of it: exit codes, --quiet, the key and line of a rejected value
# and of its near miss, the warnings that leave the verdict, scripts saved
# as UTF-16 or UTF-8, archive names and source paths as the platform opens
# them, and the archive faults (missing, damaged data, unsafe entry name, a
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
expect_line "ArcFile_01 BASE.ARJ ($work/d/disk1/BASE.ARJ): error: entry \"..\\dme.txt\": unsafe name (a part \"..\" would climb"
expect_line "error: entry \"AUX.nse.txt\": unsafe name (a part \"AUX.nse.txt\" names the device AUX;"

# A weight far off its archive's size.
fresh
sed -i 's/^ArcSize_01=4/ArcSize_01=400/' "$work/d/disk1/install.ini"
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2") || fail "weights alone made it exit $?"
expect_line "install.ini:31: ArcSize_01 = 400:"
expect_line "warning: the bars will jump"

# Near misses: a misspelt key, a misspelt section, a key above the first
# section and one without '=', each named on its own line.
fresh
sed -i -e 's/^ArcDest_02=/ArcDset_02=/' -e 's/^ArcRExs_03=0/ArcRExs_03/' "$work/d/disk1/install.ini"
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2")
[ $? = 1 ] || fail "misspelt key did not exit 1"
expect_line "install.ini:37: [Archive Files] ArcDest_02 = \"\": missing; line 37 has ArcDset_02; did you mean ArcDest_02?"
expect_line "install.ini:47: warning: no '=' on this line"
fresh
sed -i -e 's/^\[Check Boxes\]/[Check Box]/' -e '1i Stray=1\r' "$work/d/disk1/install.ini"
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2")
expect_line "install.ini:18: [Check Boxes] ChckBoxNumber = \"\": missing; line 18 has [Check Box]; did you mean [Check Boxes]?"
expect_line "install.ini:1: warning: Stray stands above the first section"

# Warnings alone: a value the installer ignores, a ';' in a value, a key
# given twice, a key it never reads. The verdict and exit code stay.
fresh
sed -i -e 's/^DefPrgSpd=2/DefPrgSpd=9/' -e 's/^DefIcoGrp=Tarvo Notes/DefIcoGrp=Tarvo Notes ; the group/' \
    -e 's/^ArcRExs_03=0/ArcRExs_03=0\r\nArcRExs_03=2\r\nArcSzie_03=2/' "$work/d/disk1/install.ini"
printf '[Check Boxes]\r\nBoxText_03=Extras\r\n' >>"$work/d/disk1/install.ini"
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2") || fail "warnings made it exit $?"
expect_line "install.ini:101: warning: DefPrgSpd = \"9\" is ignored by the installer (0 to 4); the speed level stays 2"
expect_line "install.ini:56: warning: DefIcoGrp = \"Tarvo Notes ; the group\": the installer takes the ';'"
expect_line "install.ini:48: warning: ArcRExs_03 given again in [Archive Files] (first on line 47)"
expect_line "install.ini:102: warning: [Check Boxes] given again (first on line 17); the installer reads only the first"
expect_line "install.ini:49: warning: the installer never reads ArcSzie_03 (not a key of [Archive Files]; did you mean"

# Saved as UTF-16 and as UTF-8 with a mark, with spaces inside a header: the
# installer reads them, and so does distcheck.
for code in UTF-16 UTF-8; do
    fresh
    sed -i 's/^\[General Info\]/[ General Info ]/' "$work/d/disk1/install.ini"
    { [ $code = UTF-8 ] && printf '\357\273\277'; iconv -f CP1252 -t $code "$work/d/disk1/install.ini"; } >"$work/d/x.ini"
    mv "$work/d/x.ini" "$work/d/disk1/install.ini"
    out=$("$distcheck" "$work/d/disk1" "$work/d/disk2") || fail "$code script exited $?: $out"
done

# Archive names and source paths as the platform opens them: a trailing
# dot, and "..." that leaves "A:\..\", which stays at the diskette's root.
fresh
sed -i -e 's/^ArcFile_01=BASE.ARJ/ArcFile_01="BASE.ARJ. "/' -e 's/^DefSrcDir=Ini_Dir/DefSrcDir=Ini_Dir...\\/' \
    "$work/d/disk1/install.ini"
out=$("$distcheck" "$work/d/disk1" "$work/d/disk2") || fail "trailing dot or '...' exited $?: $out"
expect_line "ArcFile_01 BASE.ARJ.  on diskette 1"

"$distcheck" >/dev/null 2>&1
[ $? = 2 ] || fail "usage error did not exit 2"
out=$("$distcheck" "$work/d/disk1" "$work/nosuch" 2>&1)
[ $? = 2 ] || fail "a missing diskette directory did not exit 2"
expect_line "distcheck: $work/nosuch: no such directory"
out=$("$distcheck" "$work/d/disk1/install.ini" 2>&1)
[ $? = 2 ] || fail "a file for a diskette did not exit 2"
expect_line "install.ini: not a directory"

[ $failures = 0 ] && echo "all distcheck checks passed"
exit $failures
