#!/bin/sh
# Checks that a Windows program is of the expected kind and imports nothing
# but system DLLs (everything else is linked statically).
# usage: check_imports.sh OBJDUMP PROGRAM EXPECTED_FILE_FORMAT [console]
set -eu
objdump=$1 program=$2 format=$3 kind=${4:-gui}
[ -f "$program" ] || { echo "missing: $program"; exit 1; }
"$objdump" -f "$program" | grep -q "file format $format" || {
    echo "$program: not $format"; "$objdump" -f "$program"; exit 1; }
subsystem=0002
[ "$kind" = console ] && subsystem=0003
"$objdump" -p "$program" | grep -q "Subsystem.*$subsystem" || {
    echo "$program: not a $kind program"; exit 1; }
bad=0
for dll in $("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p'); do
    case $(echo "$dll" | tr 'A-Z' 'a-z') in
        kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|comdlg32.dll|msvcrt.dll) ;;
        *) echo "$program imports $dll"; bad=1 ;;
    esac
done
exit $bad
