#!/bin/sh
# distpack from the command line: a product tree of two archives over two
# 360 KB diskettes (the split forced by the sizes), the weights written into
# the copy of the script and nothing else changed, archives that arj and 7z
# extract exactly, diskettes and images that are the same on every run, the
# images read back with mtools; then the errors, each naming its item,
# leaving nothing behind.
# Usage: distpack_cli_test.sh DISTPACK WORKDIR
distpack=$1
work=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() { printf "%s\n" "$out" | grep -qF -- "$1" || fail "no line with '$1' in: $out"; }

rm -rf "$work" && mkdir -p "$work/src/product/app/bin" "$work/src/product/docs/guide"
cd "$work" || exit 1
export SOURCE_DATE_EPOCH=946684800  # 2000-01-01
# A stand-in for install.exe of a fixed size, so that the split does not
# depend on the build.
head -c 150000 /dev/zero | tr '\0' 'I' >installer.exe
# APP: 200,000 bytes that do not compress; DOCS: text that does.
python3 - <<'PY'
import random
r = random.Random(7)
open("src/product/app/bin/app.bin", "wb").write(bytes(r.getrandbits(8) for _ in range(200000)))
open("src/product/app/readme.txt", "wb").write(b"Tarvo App\r\n")
words = "diskette archive window install program group item setup".split()
text = " ".join(r.choice(words) for _ in range(20000)).encode() + b"\r\n\xe9t\xe9\r\n"
open("src/product/docs/guide/usage.txt", "wb").write(text)
PY
mkdir -p src/product/unused
cat >src/install.ini <<'INI'
; Two archives; the weights are guesses that distpack corrects.
[General Info]
IniWndStt=0
ProducNam=Tarvo App
DlgBoxCap=Tarvo App Setup
PicFilDir=
[Check Boxes]
ChckBoxNumber=0
[Archive Files]
ArcFileNumber=2
DefSrcDir=Ini_Dir
DefDstDir=Win_RooTARVO
ArcFile_01=APP.ARJ
ArcDest_01=Dst_Dir
ArcSize_01="1"
ArcCBox_01=0
ArcRExs_01=2
ArcCDir_01=0
ArcFile_02=Docs.arj
ArcDest_02=Dst_DirDOCS
ArcSize_02 = 7
ArcCBox_02=0
ArcRExs_02=2
ArcCDir_02=0
[Program Items]
AddIconNumber=0
[Percent Bars]
PrctBarNumber=0
INI
sed -i 's/$/\r/' src/install.ini
cp src/install.ini author.ini

out=$("$distpack" src/install.ini src/product out --disk 360K --text '*.TXT' --images --installer installer.exe)
[ $? = 0 ] || fail "distpack exited $?: $out"
expect_line "src/install.ini:15: ArcSize_01 1 -> 196"
expect_line "src/install.ini:21: ArcSize_02 7 -> "
expect_line "src/product/unused: warning: no ArcFile_NN names this folder"
expect_line "out/disk1: INSTALL.EXE 150,000, INSTALL.INI"
expect_line "out/disk2: DOCS.ARJ"
expect_line "install.exe would accept the script and install 2 archives from 2 diskettes"
cmp -s src/install.ini author.ini || fail "the author's script was changed"
[ "$(ls out)" = "disk1
disk1.img
disk2
disk2.img" ] || fail "out holds: $(ls out)"
# Only the two weights differ, quotes, spaces and line ends kept.
diff author.ini out/disk1/INSTALL.INI | grep '^[<>]' >weights.diff
[ "$(grep -c '^>' weights.diff)" = 2 ] || fail "changed lines: $(cat weights.diff)"
grep -q '^> ArcSize_01="196"' weights.diff || fail "ArcSize_01 line: $(cat weights.diff)"
grep -q "^> ArcSize_02 = [0-9]*$(printf '\r')\$" weights.diff || fail "ArcSize_02 line: $(cat weights.diff)"

# The peers extract every archive exactly.
for a in out/disk1/APP.ARJ out/disk2/DOCS.ARJ; do
    arj t "$a" >/dev/null 2>&1 || fail "arj t $a"
    7z t "$a" >/dev/null 2>&1 || fail "7z t $a"
done
7z x -oapp out/disk1/APP.ARJ >/dev/null && 7z x -odocs out/disk2/DOCS.ARJ >/dev/null
diff -r app src/product/app >/dev/null || fail "APP.ARJ does not hold the app folder"
diff -r docs src/product/docs >/dev/null || fail "DOCS.ARJ does not hold the docs folder"

# The same inputs, the same bytes; the images hold the diskette folders.
"$distpack" src/install.ini src/product again --disk 360K --text '*.TXT' --images \
    --installer installer.exe >/dev/null || fail "second run"
diff -r out again >/dev/null || fail "two runs differ"
for d in 1 2; do
    minfo -i out/disk$d.img :: | grep -q 'small size: 720 sectors' || fail "disk$d.img is no 360 KB diskette"
    rm -rf img && mkdir img && MTOOLS_SKIP_CHECK=1 mcopy -s -m -i out/disk$d.img '::*' img/ ||
        fail "mcopy disk$d.img"
    diff -r img out/disk$d >/dev/null || fail "disk$d.img differs from disk$d"
done
# Run again over its own earlier output: replaced.
"$distpack" src/install.ini src/product out --disk 360K --text '*.TXT' --installer installer.exe >/dev/null ||
    fail "run over an earlier output"
[ ! -e out/disk1.img ] || fail "the earlier output was not replaced"

# Errors: each names its item, exits 1 and leaves no output folder.
expect_error() {  # expect_error TEXT ARGS...
    text=$1
    shift
    rm -rf bad
    out=$("$distpack" "$@" 2>&1)
    [ $? = 1 ] || fail "exit $? for $*"
    expect_line "$text"
    [ ! -e bad ] || fail "bad/ left behind for $*"
    ls -d bad.* >/dev/null 2>&1 && fail "temporary folder left behind for $*"
}
mv src/product/docs src/product/docs-moved
expect_error "src/install.ini:19: ArcFile_02 Docs.arj: no folder src/product/Docs" \
    src/install.ini src/product bad --installer installer.exe
mv src/product/docs-moved src/product/docs
head -c 400000 /dev/urandom >src/product/app/bin/big.bin
expect_error "APP.ARJ (" src/install.ini src/product bad --disk 360K --installer installer.exe
expect_line "does not fit on one 360K diskette: 362,496 bytes (354 clusters of 1024 bytes, 112 root entries)"
rm src/product/app/bin/big.bin
touch "src/product/docs/guide/notes."
expect_error "guide/notes." src/install.ini src/product bad --installer installer.exe
rm "src/product/docs/guide/notes."
touch src/product/docs/AUX.TXT
expect_error "AUX.TXT" src/install.ini src/product bad --installer installer.exe
rm src/product/docs/AUX.TXT
echo >file
expect_error "file/out" src/install.ini src/product file/out --installer installer.exe
mkdir -p mine && echo keep >mine/notes.txt
expect_error "mine exists" src/install.ini src/product mine --installer installer.exe
[ -f mine/notes.txt ] || fail "a foreign folder was touched"

"$distpack" >/dev/null 2>&1
[ $? = 2 ] || fail "usage error did not exit 2"
SOURCE_DATE_EPOCH=yesterday "$distpack" src/install.ini src/product epoch.out --installer installer.exe >/dev/null 2>&1
[ $? = 2 ] && [ ! -e epoch.out ] || fail "a SOURCE_DATE_EPOCH that is not a number was taken"

[ $failures = 0 ] && echo "all distpack checks passed"
exit $failures
