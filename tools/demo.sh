#!/bin/bash
# Packs the sample product with distpack and runs install.exe (64-bit build,
# under wine64) on the distribution; then runs the sample host of areacap
# (samplehost.exe beside areacap.exe).
# With a display both run interactively; without one they run on a private
# Xvfb display, driven by demo_driver and host_demo_driver, and save
# screenshots into docs/screenshots. Either way it prints the installed
# files and the Start-menu items that Program Manager's DDE server made.
#
# tools/smoke32.sh sources this file for the functions below and runs the
# same scripted installation with the 32-bit build.
set -eu
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sample="$top/examples/sample"
distpack="$top/dist/host/distpack"

winpath() { echo "Z:$1" | tr / '\\'; }

# The two diskettes are drives A: and B: of the Wine prefix.
DISK1='A:\'
DISK2='B:\'

# demo_stage DIR INSTALL_EXE DRIVER_EXE: the sample product packed by distpack
# into DIR/dist (disk1, disk2), INSTALL_EXE as the installer on the first
# diskette, and the programs in DIR/bin. The files get a fixed date, so
# that every run installs the same.
demo_stage() {
    local dir=$1 installer=$2 driver=$3 used
    for f in "$distpack" "$top/dist/win32/install.exe"; do
        [ -x "$f" ] || { echo "${f#$top/} is missing: run make"; return 1; }
    done
    rm -rf "$dir/dist" "$dir/bin" "$dir/src"
    mkdir -p "$dir/bin" "$dir/src"
    cp -R "$sample/install.ini" "$sample/Install.Pic" "$sample/product" "$dir/src/"
    find "$dir/src" -type f -exec touch -d '1996-05-14 12:00:00' {} +
    pack() {
        SOURCE_DATE_EPOCH=831988800 "$distpack" "$dir/src/install.ini" "$dir/src/product" "$dir/dist" \
            --text '*.TXT' --installer "$top/dist/win32/install.exe" "$@" >"$dir/distpack.log" ||
            { cat "$dir/distpack.log"; return 1; }
    }
    # The sample fits on one diskette. Packed for a medium one byte smaller
    # than the room it takes, its last archive goes onto a second diskette,
    # so that the installer asks for it.
    pack --disk none || return 1
    used=$(sed -n 's/.*(\([0-9,]*\) bytes used.*/\1/p' "$dir/distpack.log" | tr -d ,)
    pack --disk $((used - 1)) || return 1
    cp "$installer" "$dir/dist/disk1/INSTALL.EXE"
    cp "$installer" "$driver" "$dir/bin/"
}

# demo_drives DIR: the prefix's drives A: and B: hold the diskettes in
# DIR/dist, so that the installer shows what a user sees.
demo_drives() {
    local dir=$1
    ln -sfn "$dir/dist/disk1" "$WINEPREFIX/dosdevices/a:"
    ln -sfn "$dir/dist/disk2" "$WINEPREFIX/dosdevices/b:"
}

# demo_forget DRIVE_C: removes an earlier demo's installation and program
# group.
demo_forget() {
    local drive_c=$1
    find "$drive_c" -maxdepth 1 -iname tarvo -exec rm -rf {} +
    find "$drive_c/users" -type d -iname 'Tarvo Notes' -prune -exec rm -rf {} + 2>/dev/null || true
}

# demo_drive DIR: runs DIR/bin/demo_driver.exe under $WINE on the
# distribution in DIR/dist (drives A: and B:, see demo_drives); its
# screenshots go to DIR/shots.
demo_drive() {
    local dir=$1
    rm -rf "$dir/shots"
    mkdir -p "$dir/shots"
    "$WINE" "$dir/bin/demo_driver.exe" "$DISK1" "$DISK2" "$(winpath "$dir/shots")"
}

# demo_shots DIR: the screenshots in DIR (BMP) into docs/screenshots (PNG).
demo_shots() {
    mkdir -p "$shots"
    for bmp in "$1"/*.bmp; do
        [ -f "$bmp" ] || continue
        convert "$bmp" -strip -define png:exclude-chunks=date,time "$shots/$(basename "${bmp%.bmp}").png"
    done
}

# demo_list_installed DRIVE_C: one line per installed file (path, size,
# date); fails when nothing was installed.
demo_list_installed() {
    local installed
    installed=$(find "$1" -maxdepth 1 -iname tarvo)
    if [ -n "$installed" ]; then
        (cd "$installed/.." && find "$(basename "$installed")" -type f -printf '  %-40p %6s bytes  %TY-%Tm-%Td %TH:%TM\n' | sort)
    else
        echo "  (none)"
        return 1
    fi
}

# demo_list_menu DRIVE_C: the items of the product's Start-menu group.
demo_list_menu() {
    local group
    group=$(find "$1/users" -type d -iname 'Tarvo Notes' 2>/dev/null | head -1)
    if [ -n "$group" ]; then
        (cd "$group/.." && find "$(basename "$group")" -type f | sort | sed 's/^/  /')
    else
        echo "  (none)"
    fi
}

[ "${BASH_SOURCE[0]}" = "$0" ] || return 0

demo="$top/build/demo"
shots="$top/docs/screenshots"
WINEPREFIX="$demo/wineprefix"

interactive=""
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    interactive=1
    NO_XVFB=1
fi
. "$top/tools/wine-env.sh"
trap wine_env_stop EXIT

demo_stage "$demo" "$top/dist/win64/install.exe" "$top/build/win64/bin/demo_driver.exe" || exit 1
echo "The sample product packed by distpack:"
sed 's/^/  /' "$demo/distpack.log"
echo

wine_env_start
drive_c="$WINEPREFIX/drive_c"
demo_drives "$demo"
demo_forget "$drive_c"

status=0
if [ -n "$interactive" ]; then
    echo "Running the installer on your display; follow its dialogs."
    echo "The first diskette is drive $DISK1, the second is drive $DISK2"
    "$WINE" "${DISK1}install.exe" || status=$?
else
    demo_drive "$demo" || status=$?
    demo_shots "$demo/shots"
    echo "screenshots saved in docs/screenshots/"
fi

echo
echo "Installed files (C: is $drive_c):"
demo_list_installed "$drive_c" || status=1
echo
echo "Start-menu items:"
demo_list_menu "$drive_c"

# The sample host of areacap, with one of the sample's texts in Notepad to
# pick and capture.
echo
host_exe="$top/dist/win64/samplehost.exe"
if [ -n "$interactive" ]; then
    echo "Running the sample host of areacap on your display; close it when done."
    "$WINE" "$host_exe" || status=$?
else
    echo "The sample host of areacap:"
    # The prefix's programs start afresh: the folder window that Wine's shell
    # opened for the new group would be in the pictures.
    wine_prefix_stop
    wine_prefix_start
    rm -rf "$demo/host-shots"
    mkdir -p "$demo/host-shots"
    "$WINE" "$top/build/win64/bin/host_demo_driver.exe" "$(winpath "$host_exe")" \
        "$(winpath "$sample/product/docs/guide/usage.txt")" "$(winpath "$demo/host-shots")" || status=$?
    demo_shots "$demo/host-shots"
    echo "screenshots saved in docs/screenshots/"
fi
exit $status
