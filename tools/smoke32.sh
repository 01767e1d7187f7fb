#!/bin/bash
# Runs the demo's scripted installation of the sample product with the 32-bit
# build (dist/win32/install.exe, driven by build/win32/bin/demo_driver.exe)
# under a 32-bit Wine, and compares what it installs with what the 64-bit
# build installs under wine64 in the same way. Prints PASS, or FAIL and what
# differed; exits 0 or 1.
#
# The 32-bit Wine is the build tree's private one (tools/wine32-env.sh),
# run through qemu-i386 user emulation. The runs use the Wine prefixes of the
# two build trees' tests; an earlier run's installation is removed first.
#
# Needs root (or sudo) the first time, for the i386 package lists, and for
# binfmt_misc on every run.
set -eu
. "$(dirname "${BASH_SOURCE[0]}")/demo.sh"
. "$top/tools/wine32-env.sh"

work="$top/build/smoke32"
ref="$work/win64"
# How long one scripted installation may take before its programs are ended.
DRIVE_LIMIT=${DRIVE_LIMIT:-600}

say() { echo "smoke32: $*"; }
fail() { echo "FAIL: $*"; exit 1; }

# drive DIR: the scripted installation under the current Wine, its output in
# DIR/driver.log; a watchdog ends the prefix's programs after DRIVE_LIMIT s.
drive() {
    local dir=$1 watchdog rc=0
    (
        trap 'kill $nap 2>/dev/null; exit 0' TERM
        sleep "$DRIVE_LIMIT" & nap=$!
        wait $nap
        echo "ended after $DRIVE_LIMIT s" >>"$dir/driver.log"
        "$WINESERVER" -k
    ) >/dev/null 2>&1 &
    watchdog=$!
    demo_drive "$dir" >"$dir/driver.log" 2>&1 || rc=$?
    kill "$watchdog" 2>/dev/null || true
    wait "$watchdog" 2>/dev/null || true
    return $rc
}

# run_demo DIR PREFIX INSTALL_EXE DRIVER_EXE: stages, starts Wine on the
# prefix, drives the installation and leaves the listings in DIR. Run in a
# subshell.
run_demo() {
    local dir=$1 rc=0
    WINEPREFIX=$2
    shift
    . "$top/tools/wine-env.sh"
    trap wine_env_stop EXIT
    demo_stage "$dir" "$2" "$3" || return 1
    wine_env_start
    demo_drives "$dir"
    demo_forget "$WINEPREFIX/drive_c"
    drive "$dir" || rc=$?
    demo_list_installed "$WINEPREFIX/drive_c" >"$dir/installed.txt" || true
    demo_list_menu "$WINEPREFIX/drive_c" >"$dir/menu.txt"
    rm -rf "$dir/tree"
    local installed
    installed=$(find "$WINEPREFIX/drive_c" -maxdepth 1 -iname tarvo)
    [ -z "$installed" ] || cp -R "$installed" "$dir/tree"
    return $rc
}

for f in "$top/dist/win32/install.exe" "$top/build/win32/bin/demo_driver.exe" \
         "$top/dist/win64/install.exe" "$top/build/win64/bin/demo_driver.exe"; do
    [ -f "$f" ] || fail "${f#$top/} is missing: run make"
done
start=$(date +%s)
mkdir -p "$work/win32" "$ref"

trap wine32_env_release EXIT
(wine32_ensure_root && wine32_ensure_binfmt && wine32_choose_wineserver) ||
    fail "the private 32-bit Wine cannot be set up"

say "64-bit reference run under wine64"
ref_rc=0
(run_demo "$ref" "$top/build/win64/wineprefix" "$top/dist/win64/install.exe" \
    "$top/build/win64/bin/demo_driver.exe") || ref_rc=$?

say "32-bit run under qemu-i386"
rc=0
(
    wine32_env_prepare
    run_demo "$work/win32" "$top/build/win32/wineprefix" "$top/dist/win32/install.exe" \
        "$top/build/win32/bin/demo_driver.exe"
) || rc=$?
sed 's/^/  | /' "$work/win32/driver.log"

problems=()
[ "$ref_rc" = 0 ] || problems+=("the 64-bit reference run failed (exit $ref_rc): $(tail -1 "$ref/driver.log")")
[ "$rc" = 0 ] || problems+=("the 32-bit scripted installation failed (exit $rc)")
[ -d "$work/win32/tree" ] || problems+=("the 32-bit build installed nothing")
# Files that the installation made (its log) carry the time of the run;
# their dates only have to be from the run.
fresh() { awk -v since="$(date -d "@$start" '+%Y-%m-%d %H:%M')" '
    { stamp = $(NF-1) " " $NF; if (stamp >= since) sub(/[0-9-]+ [0-9:]+$/, "(during the run)"); print }' "$1"; }
if ! out=$(diff <(fresh "$ref/installed.txt") <(fresh "$work/win32/installed.txt")); then
    problems+=("installed files differ (< 64-bit, > 32-bit):"$'\n'"$out")
fi
if ! out=$(diff "$ref/menu.txt" "$work/win32/menu.txt"); then
    problems+=("Start-menu items differ (< 64-bit, > 32-bit):"$'\n'"$out")
fi
if [ -d "$ref/tree" ] && [ -d "$work/win32/tree" ]; then
    while IFS= read -r f; do
        if [ -f "$work/win32/tree/$f" ] && ! cmp -s "$ref/tree/$f" "$work/win32/tree/$f"; then
            problems+=("contents differ: $f")
        fi
    done < <(cd "$ref/tree" && find . -type f | sort)
fi

echo
echo "Installed by the 32-bit build:"
cat "$work/win32/installed.txt"
echo "Start-menu items:"
cat "$work/win32/menu.txt"
echo "(run took $(( $(date +%s) - start )) s)"
if [ ${#problems[@]} = 0 ]; then
    echo "PASS: the 32-bit build installed the same files, contents and Start-menu items as the 64-bit build"
    exit 0
fi
echo "FAIL:"
printf '  %s\n' "${problems[@]}"
exit 1
