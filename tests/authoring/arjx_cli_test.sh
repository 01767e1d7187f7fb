#!/bin/sh
# arjx from the command line: exit codes, the per-entry lines, extraction
# with directory parts and dates, and the installer's failure text; making
# archives: names relative to the directories given, text entries by glob,
# the same bytes for the same files, and no archive at all on a failure.
# Usage: arjx_cli_test.sh ARJX FIXTURES WORKDIR
arjx=$1
fixtures=$2
work=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work"

out=$("$arjx" -t "$fixtures/bin4.arj") || fail "-t bin4.arj exited $?"
echo "$out" | grep -qx "sub/dir/nested.txt  method 4  host 0  type 0  size 3000  ok" ||
    fail "-t line: $out"
[ "$(echo "$out" | wc -l)" = 9 ] || fail "-t printed $(echo "$out" | wc -l) lines"

"$arjx" -x "$fixtures/text1.arj" "$work/x" >/dev/null || fail "-x text1.arj exited $?"
cmp -s "$work/x/sub/dir/nested.txt" "$fixtures/data/sub/dir/nested.txt" || fail "nested.txt differs"
cmp -s "$work/x/text.txt" "$fixtures/data/text.txt" || fail "text.txt differs"
# The date and time of the archive are stamped (two-second resolution).
a=$(stat -c %Y "$work/x/text.txt")
b=$(stat -c %Y "$fixtures/data/text.txt")
[ $((a - b)) -le 2 ] && [ $((b - a)) -le 2 ] || fail "date $a vs $b"

out=$("$arjx" -t "$fixtures/lead25000.arj")
[ $? = 1 ] || fail "lead25000.arj did not exit 1"
[ "$out" = "Reading or unpacking error in 'lead25000.arj'. " ] || fail "text: $out"

out=$("$arjx" -t "$work/none.arj")
[ $? = 1 ] || fail "missing archive did not exit 1"
[ "$out" = "Cannot open the file 'none.arj'. " ] || fail "text: $out"

"$arjx" -q >/dev/null 2>&1
[ $? = 2 ] || fail "usage error did not exit 2"

# -c: a directory adds its tree under relative names, a file its own name;
# entries in byte order of their names; text entries where a glob says.
mkdir -p "$work/c/tree/Sub" "$work/c/tree/a"
printf 'hello hello hello hello\r\n' >"$work/c/tree/Sub/Read.Me.TXT"
printf 'binary' >"$work/c/tree/a/b.bin"
printf 'single' >"$work/c/one.dat"
out=$(SOURCE_DATE_EPOCH=1700000000 "$arjx" -c "$work/c/x.arj" --text '*.txt' "$work/c/tree" "$work/c/one.dat") ||
    fail "-c exited $?: $out"
out=$("$arjx" -t "$work/c/x.arj") || fail "-t of a made archive: $out"
[ "$(echo "$out" | cut -d' ' -f1 | tr '\n' ' ')" = "Sub/Read.Me.TXT a/b.bin one.dat " ] || fail "entries: $out"
echo "$out" | grep -q "Read.Me.TXT  method 1  host 0  type 1" || fail "text entry: $out"
echo "$out" | grep -q "b.bin  method 0  host 0  type 0" || fail "binary entry: $out"
touch -d '2001-02-03 04:05:06' "$work/c/tree/a/b.bin"
mkdir -p "$work/c/y" "$work/c/z"
SOURCE_DATE_EPOCH=1700000000 "$arjx" -c "$work/c/y/x.arj" -m1 --text '*.txt' "$work/c/one.dat" "$work/c/tree" >/dev/null
touch -d '2001-02-03 04:05:06' "$work/c/tree/a/b.bin"
SOURCE_DATE_EPOCH=1700000000 "$arjx" -c "$work/c/z/x.arj" -m1 --text '*.txt' "$work/c/tree" "$work/c/one.dat" >/dev/null
cmp -s "$work/c/y/x.arj" "$work/c/z/x.arj" || fail "the same files gave different archives"

# Failures: exit 1, the file named, no archive, an old one left as it was.
cp "$work/c/x.arj" "$work/c/old.arj"
mkdir -p "$work/c/bad/dir."
printf 'x' >"$work/c/bad/dir./f"
out=$("$arjx" -c "$work/c/old.arj" "$work/c/bad" 2>&1)
[ $? = 1 ] || fail "a refused name did not exit 1"
echo "$out" | grep -qF "bad/dir./f' cannot be stored as 'dir./f'" || fail "refused name text: $out"
cmp -s "$work/c/x.arj" "$work/c/old.arj" || fail "the old archive changed"
[ -z "$(ls "$work/c" | grep tmp)" ] || fail "a temporary file was left: $(ls "$work/c")"
mkfifo "$work/c/bad/pipe" && rm -rf "$work/c/bad/dir."
out=$("$arjx" -c "$work/c/new.arj" "$work/c/bad" 2>&1)
[ $? = 1 ] && [ ! -e "$work/c/new.arj" ] || fail "a pipe did not fail the archive"
echo "$out" | grep -qF "bad/pipe' is not a regular file" || fail "pipe text: $out"
rm -f "$work/c/bad/pipe" && printf 'x' >"$work/c/bad/X.BIN" && printf 'y' >"$work/c/bad/x.bin"
out=$("$arjx" -c "$work/c/new.arj" "$work/c/bad" 2>&1)
[ $? = 1 ] && [ ! -e "$work/c/new.arj" ] || fail "names equal but for case did not fail"
"$arjx" -c "$work/c/new.arj" -m 5 "$work/c/bad" >/dev/null 2>&1
[ $? = 2 ] || fail "-m 5 did not exit 2"

[ $failures = 0 ] && echo "all arjx checks passed"
exit $failures
