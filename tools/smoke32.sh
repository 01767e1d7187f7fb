#!/bin/bash
# Runs the demo's scripted installation of the sample product with the 32-bit
# build (dist/win32/install.exe, driven by build/win32/bin/demo_driver.exe)
# under a 32-bit Wine, and compares what it installs with what the 64-bit
# build installs under wine64 in the same way. Prints PASS, or FAIL and what
# differed; exits 0 or 1.
#
# The 32-bit Wine is private to the build tree: Debian's i386 packages of
# wine32 and the libraries it needs are unpacked into build/smoke32/root, so
# nothing 32-bit is installed on the machine and wine64 keeps creating its
# prefixes as before. A kernel without 32-bit support runs these programs
# through qemu-i386 user emulation: the script registers qemu-i386-static for
# 32-bit ELF programs in binfmt_misc while it runs, and QEMU_LD_PREFIX makes
# the emulator take the i386 dynamic loader and libraries from that root.
# Emulated, a new prefix takes minutes; it is kept for the next run.
#
# Needs root (or sudo) the first time, for qemu-user-static, the i386
# package lists, and for binfmt_misc on every run.
set -eu
. "$(dirname "${BASH_SOURCE[0]}")/demo.sh"

work="$top/build/smoke32"
root="$work/root"
ref="$work/win64"
# How long one scripted installation may take before its programs are ended.
DRIVE_LIMIT=${DRIVE_LIMIT:-600}
# Libraries that Wine loads when they exist (the X display driver's and
# FreeType for the fonts); the machine's wine64 has them too, so both builds
# meet the same driver and fonts.
XLIBS="libxrender1 libxi6 libxrandr2 libxcursor1 libxfixes3 libxinerama1
 libxcomposite1 libxxf86vm1 libfreetype6"
BINFMT=/proc/sys/fs/binfmt_misc
BINFMT_NAME=qemu-i386

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo

say() { echo "smoke32: $*"; }
fail() { echo "FAIL: $*"; exit 1; }

ensure_qemu() {
    command -v qemu-i386-static >/dev/null && return 0
    say "installing qemu-user-static"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends qemu-user-static >/dev/null
}

# The private root: wine32:i386 and the i386 packages it needs that the
# machine lacks, downloaded and unpacked with dpkg -x. Packages that the
# machine has serve through qemu's fallback from the root to the real paths.
ensure_root() {
    # The marker holds the library list the root was made with.
    [ -f "$root/.complete" ] && [ "$(cat "$root/.complete")" = "$XLIBS" ] && return 0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        say "adding the i386 architecture to apt (nothing gets installed)"
        $SUDO dpkg --add-architecture i386
    fi
    if ! apt-cache show wine32:i386 >/dev/null 2>&1; then
        say "updating the package lists"
        $SUDO apt-get update -q >/dev/null
    fi
    local wanted="wine32:i386" p packages
    for p in $XLIBS; do wanted="$wanted $p:i386"; done
    packages=$(apt-get install -s -q --no-install-recommends $wanted 2>/dev/null |
        awk '/^Inst/ && $2 ~ /:i386$/ { print $2 }')
    [ -n "$packages" ] || fail "apt cannot resolve wine32:i386 and its libraries"
    # wine itself always comes from the root, even on a machine that has it;
    # so does the zlib DLL that its user32 imports (see below).
    packages=$(printf '%s\n' wine32:i386 libwine:i386 libz-mingw-w64 $packages | sort -u)
    say "downloading $(echo "$packages" | wc -l) i386 packages into build/smoke32/debs"
    rm -rf "$work/debs" "$root.new"
    mkdir -p "$work/debs" "$root.new"
    (cd "$work/debs" && apt-get download -q $packages >/dev/null 2>&1) ||
        fail "apt-get download of the i386 packages failed"
    local deb
    for deb in "$work"/debs/*.deb; do
        dpkg -x "$deb" "$root.new"
    done
    [ -x "$root.new/usr/lib/wine/wine" ] || fail "the unpacked wine32 has no loader"
    # What libwine's installation script does: the MinGW zlib1.dll becomes a
    # Wine builtin DLL by the marker after its DOS header.
    local zlib="$root.new/usr/i686-w64-mingw32/lib/zlib1.dll"
    [ -f "$zlib" ] || fail "libz-mingw-w64 has no i686 zlib1.dll"
    {
        head -c 64 "$zlib"
        printf 'Wine builtin DLL\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'
        tail -c +97 "$zlib"
    } >"$root.new/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
    rm -rf "$root" "$work/debs"
    mv "$root.new" "$root"
    printf '%s' "$XLIBS" >"$root/.complete"
}

# Registers qemu-i386-static for 32-bit x86 ELF programs unless an entry of
# that name exists; F opens the emulator now, so it works from any path.
registered=""
ensure_binfmt() {
    if [ ! -e "$BINFMT/register" ]; then
        $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT"
    fi
    if [ ! -e "$BINFMT/$BINFMT_NAME" ]; then
        local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        echo ":$BINFMT_NAME:M::$magic:$mask:$(command -v qemu-i386-static):F" |
            $SUDO tee "$BINFMT/register" >/dev/null
        registered=1
    fi
    QEMU_LD_PREFIX=$root "$root/lib/ld-linux.so.2" --version >/dev/null 2>&1 ||
        fail "32-bit programs do not start through $BINFMT/$BINFMT_NAME ($(head -2 "$BINFMT/$BINFMT_NAME" | tr '\n' ' '))"
}

unregister_binfmt() {
    if [ -n "$registered" ] && [ -e "$BINFMT/$BINFMT_NAME" ]; then
        echo -1 | $SUDO tee "$BINFMT/$BINFMT_NAME" >/dev/null || true
    fi
}

# The root's wine loader starts root/usr/lib/wine/wineserver. That is the
# machine's native wineserver when both Wines are the same version (one
# protocol, and the server need not be emulated), else the root's own.
choose_wineserver() {
    local ours theirs=""
    ours=$(QEMU_LD_PREFIX=$root "$root/usr/lib/wine/wine" --version 2>/dev/null) ||
        fail "the 32-bit wine loader does not start"
    if [ -x /usr/lib/wine/wine64 ] && [ -x /usr/lib/wine/wineserver64 ]; then
        theirs=$(/usr/lib/wine/wine64 --version 2>/dev/null || true)
    fi
    rm -f "$root/usr/lib/wine/wineserver"
    if [ -n "$theirs" ] && [ "$ours" = "$theirs" ]; then
        ln -s /usr/lib/wine/wineserver64 "$root/usr/lib/wine/wineserver"
        say "32-bit $ours with the machine's wineserver"
    else
        ln -s wineserver32 "$root/usr/lib/wine/wineserver"
        say "32-bit $ours with its own wineserver (the machine has ${theirs:-none})"
    fi
}

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

# run_demo DIR INSTALL_EXE DRIVER_EXE: stages, starts Wine on DIR/wineprefix,
# drives the installation and leaves the listings in DIR. Run in a subshell.
run_demo() {
    local dir=$1 rc=0
    WINEPREFIX="$dir/wineprefix"
    . "$top/tools/wine-env.sh"
    [ -z "${SMOKE32_WINE:-}" ] || { WINE=$SMOKE32_WINE; WINESERVER=$SMOKE32_WINESERVER; }
    trap wine_env_stop EXIT
    demo_stage "$dir" "$2" "$3" || return 1
    wine_env_start
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
mkdir -p "$work" "$ref"

ensure_qemu
ensure_root
trap unregister_binfmt EXIT
ensure_binfmt
choose_wineserver

say "64-bit reference run under wine64"
ref_rc=0
(run_demo "$ref" "$top/dist/win64/install.exe" "$top/build/win64/bin/demo_driver.exe") || ref_rc=$?

say "32-bit run under qemu-i386 (a new prefix takes minutes)"
rc=0
(
    # The emulator's default CPU lacks instructions that the i386 Wine uses.
    export QEMU_LD_PREFIX=$root QEMU_CPU=max WINEARCH=win32
    SMOKE32_WINE="$root/usr/lib/wine/wine"
    SMOKE32_WINESERVER="$root/usr/lib/wine/wineserver"
    run_demo "$work" "$top/dist/win32/install.exe" "$top/build/win32/bin/demo_driver.exe"
) || rc=$?
sed 's/^/  | /' "$work/driver.log"

problems=()
[ "$ref_rc" = 0 ] || problems+=("the 64-bit reference run failed (exit $ref_rc): $(tail -1 "$ref/driver.log")")
[ "$rc" = 0 ] || problems+=("the 32-bit scripted installation failed (exit $rc)")
[ -d "$work/tree" ] || problems+=("the 32-bit build installed nothing")
# Files that the installation made (its log) carry the time of the run;
# their dates only have to be from the run.
fresh() { awk -v since="$(date -d "@$start" '+%Y-%m-%d %H:%M')" '
    { stamp = $(NF-1) " " $NF; if (stamp >= since) sub(/[0-9-]+ [0-9:]+$/, "(during the run)"); print }' "$1"; }
if ! out=$(diff <(fresh "$ref/installed.txt") <(fresh "$work/installed.txt")); then
    problems+=("installed files differ (< 64-bit, > 32-bit):"$'\n'"$out")
fi
if ! out=$(diff "$ref/menu.txt" "$work/menu.txt"); then
    problems+=("Start-menu items differ (< 64-bit, > 32-bit):"$'\n'"$out")
fi
if [ -d "$ref/tree" ] && [ -d "$work/tree" ]; then
    while IFS= read -r f; do
        if [ -f "$work/tree/$f" ] && ! cmp -s "$ref/tree/$f" "$work/tree/$f"; then
            problems+=("contents differ: $f")
        fi
    done < <(cd "$ref/tree" && find . -type f | sort)
fi

echo
echo "Installed by the 32-bit build:"
cat "$work/installed.txt"
echo "Start-menu items:"
cat "$work/menu.txt"
echo "(run took $(( $(date +%s) - start )) s)"
if [ ${#problems[@]} = 0 ]; then
    echo "PASS: the 32-bit build installed the same files, contents and Start-menu items as the 64-bit build"
    exit 0
fi
echo "FAIL:"
printf '  %s\n' "${problems[@]}"
exit 1
