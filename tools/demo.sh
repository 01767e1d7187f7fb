#!/bin/bash
# Runs install.exe (64-bit build, under wine64) on the sample distribution.
# With a display it runs interactively; without one it runs on a private
# Xvfb display, driven through its dialogs by demo_driver, and saves
# screenshots into docs/screenshots. Either way it prints the installed
# files and the Start-menu items that Program Manager's DDE server made.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
demo="$top/build/demo"
sample="$top/build/host/examples/sample"
shots="$top/docs/screenshots"
WINEPREFIX="$demo/wineprefix"

[ -f "$sample/disk1/install.ini" ] || { echo "the sample distribution is missing: run make"; exit 1; }
interactive=""
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    interactive=1
    NO_XVFB=1
fi
. "$top/tools/wine-env.sh"
trap wine_env_stop EXIT

# A fresh copy of the distribution: two "diskettes", the program on the first.
rm -rf "$demo/dist" "$demo/bin"
mkdir -p "$demo/dist" "$demo/bin"
cp -R "$sample/disk1" "$sample/disk2" "$demo/dist/"
cp "$top/dist/win64/install.exe" "$demo/dist/disk1/"
cp "$top/dist/win64/install.exe" "$top/build/win64/bin/demo_driver.exe" "$demo/bin/"

wine_env_start
drive_c="$WINEPREFIX/drive_c"
# Forget an earlier demo's installation and program group.
find "$drive_c" -maxdepth 1 -iname tarvo -exec rm -rf {} +
find "$drive_c/users" -type d -iname 'Tarvo Notes' -prune -exec rm -rf {} + 2>/dev/null || true

winpath() { echo "Z:$1" | tr / '\\'; }
status=0
if [ -n "$interactive" ]; then
    echo "Running the installer on your display; follow its dialogs."
    echo "The second diskette is $(winpath "$demo/dist/disk2")"
    (cd "$demo/dist/disk1" && "$WINE" install.exe) || status=$?
else
    rm -rf "$demo/shots"
    mkdir -p "$demo/shots"
    "$WINE" "$demo/bin/demo_driver.exe" "$(winpath "$demo/dist/disk1")" \
        "$(winpath "$demo/dist/disk2")" "$(winpath "$demo/shots")" || status=$?
    mkdir -p "$shots"
    for bmp in "$demo"/shots/*.bmp; do
        [ -f "$bmp" ] || continue
        convert "$bmp" "$shots/$(basename "${bmp%.bmp}").png"
    done
    echo "screenshots saved in docs/screenshots/"
fi

echo
echo "Installed files (C: is $drive_c):"
installed=$(find "$drive_c" -maxdepth 1 -iname tarvo)
if [ -n "$installed" ]; then
    (cd "$installed/.." && find "$(basename "$installed")" -type f -printf '  %-40p %6s bytes  %TY-%Tm-%Td %TH:%TM\n' | sort)
else
    echo "  (none)"
    status=1
fi
echo
echo "Start-menu items:"
group=$(find "$drive_c/users" -type d -iname 'Tarvo Notes' 2>/dev/null | head -1)
if [ -n "$group" ]; then
    (cd "$group/.." && find "$(basename "$group")" -type f | sort | sed 's/^/  /')
else
    echo "  (none)"
fi
exit $status
