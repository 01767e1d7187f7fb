#!/bin/sh
# Seeds of the script fuzz target: the sample's install.ini and variants
# that reach the other paths: saved as UTF-16 and as UTF-8 with a mark, a
# rejected value, a misspelt key and section, a trailing dot in an archive
# name and "..." in the source directory, duplicates and stray lines.
# Usage: make_script_seeds.sh SAMPLE_INSTALL_INI OUTDIR
set -e
ini=$1
out=$2
mkdir -p "$out"
cp "$ini" "$out/sample.ini"
iconv -f CP1252 -t UTF-16 "$ini" >"$out/utf16.ini"
{ printf '\357\273\277'; sed 's/^ProducNam=.*/ProducNam=Tarvo Notes \xc3\x89dition \xc4\x80 \xe4\xb8\xad/' "$ini"; } >"$out/utf8.ini"
sed 's/^ArcFile_03=NOTES.ARJ/ArcFile_03="..\\NOTES.ARJ"/' "$ini" >"$out/rejected.ini"
sed -e 's/^ArcDest_02=/ArcDset_02=/' -e 's/^\[Check Boxes\]/[ Check Box ]/' "$ini" >"$out/near-miss.ini"
sed -e 's/^ArcFile_01=BASE.ARJ/ArcFile_01="BASE.ARJ. "/' -e 's/^DefSrcDir=Ini_Dir/DefSrcDir=Ini_Dir...\\/' \
    -e 's/^DefPrgSpd=2/DefPrgSpd=9/' -e 's/^ArcCDir_03=1/ArcCDir_03=1\nArcCDir_03\nArcSzie_03=2/' "$ini" >"$out/lookups.ini"
{ printf 'Stray=1\n'; cat "$ini"; printf '[General Info]\nIniWndStt=0\n'; } >"$out/duplicates.ini"
