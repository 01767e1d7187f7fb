#!/bin/sh
# arjx from the command line: exit codes, the per-entry lines, extraction
# with directory parts and dates, and the installer's failure text.
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

[ $failures = 0 ] && echo "all arjx checks passed"
exit $failures
