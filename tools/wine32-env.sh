# Sourced by the scripts that run the 32-bit programs: a private 32-bit Wine
# in build/wine32/root, run through qemu-i386 user emulation.
#
# This kernel runs no 32-bit x86 programs itself. Debian's i386 packages of
# wine32 and the libraries it needs are unpacked into the root with dpkg -x,
# so nothing 32-bit is installed on the machine and wine64 keeps creating its
# prefixes as before. binfmt_misc hands 32-bit ELF programs to
# qemu-i386-static (qemu 10 from bookworm-backports: 7.2 does not give the
# guest the trap number of a fault, and Wine's desktop process dies of it);
# QEMU_LD_PREFIX makes the emulator take the i386 loader and libraries from
# the root, which has a loader cache of its own.
#
# wine32_env_prepare (needs root or sudo the first time, and for binfmt_misc
# on every run) sets WINE, WINESERVER and the emulator's variables for
# wine-env.sh; wine32_env_release undoes the binfmt_misc entry if it made it.
: "${top:?top must name the project directory}"
WINE32_ROOT="$top/build/wine32/root"
# Libraries that Wine loads when they exist (the X display driver's and
# FreeType for the fonts); the machine's wine64 has them too, so both builds
# meet the same driver and fonts.
WINE32_XLIBS="libxrender1 libxi6 libxrandr2 libxcursor1 libxfixes3 libxinerama1
 libxcomposite1 libxxf86vm1 libfreetype6"
WINE32_BINFMT=/proc/sys/fs/binfmt_misc
WINE32_BINFMT_NAME=qemu-i386
WINE32_SUDO=""
[ "$(id -u)" = 0 ] || WINE32_SUDO=sudo

wine32_say() { echo "wine32: $*" >&2; }
wine32_fail() { echo "wine32: $*" >&2; return 1; }

# The private root: wine32:i386 and the i386 packages it needs, downloaded and
# unpacked. Packages that the machine has serve through qemu's fallback from
# the root to the real paths.
wine32_ensure_root() {
    local root=$WINE32_ROOT work
    work=$(dirname "$root")
    # The marker holds the library list the root was made with.
    [ -f "$root/.complete" ] && [ "$(cat "$root/.complete")" = "$WINE32_XLIBS" ] &&
        [ -f "$root/etc/ld.so.cache" ] && return 0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        wine32_say "adding the i386 architecture to apt (nothing gets installed)"
        $WINE32_SUDO dpkg --add-architecture i386
    fi
    if ! apt-cache show wine32:i386 >/dev/null 2>&1; then
        wine32_say "updating the package lists"
        $WINE32_SUDO apt-get update -q >/dev/null
    fi
    local wanted="wine32:i386" p packages
    for p in $WINE32_XLIBS; do wanted="$wanted $p:i386"; done
    packages=$(apt-get install -s -q --no-install-recommends $wanted 2>/dev/null |
        awk '/^Inst/ && $2 ~ /:i386$/ { print $2 }')
    [ -n "$packages" ] || { wine32_fail "apt cannot resolve wine32:i386 and its libraries"; return 1; }
    # wine itself always comes from the root, even on a machine that has it;
    # so does the zlib DLL that its user32 imports (see below), and the C
    # library, whose loader the emulator must find in the root.
    packages=$(printf '%s\n' wine32:i386 libwine:i386 libc6:i386 libz-mingw-w64 $packages | sort -u)
    wine32_say "downloading $(echo "$packages" | wc -l) i386 packages"
    rm -rf "$work/debs" "$root.new"
    mkdir -p "$work/debs" "$root.new"
    (cd "$work/debs" && apt-get download -q $packages >/dev/null 2>&1) ||
        { wine32_fail "apt-get download of the i386 packages failed"; return 1; }
    local deb
    for deb in "$work"/debs/*.deb; do
        dpkg -x "$deb" "$root.new"
    done
    [ -x "$root.new/usr/lib/wine/wine" ] || { wine32_fail "the unpacked wine32 has no loader"; return 1; }
    # What libwine's installation script does: the MinGW zlib1.dll becomes a
    # Wine builtin DLL by the marker after its DOS header.
    local zlib="$root.new/usr/i686-w64-mingw32/lib/zlib1.dll"
    [ -f "$zlib" ] || { wine32_fail "libz-mingw-w64 has no i686 zlib1.dll"; return 1; }
    {
        head -c 64 "$zlib"
        printf 'Wine builtin DLL\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0'
        tail -c +97 "$zlib"
    } >"$root.new/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
    # The root's own loader cache: without it the emulated loader does not
    # search /lib/i386-linux-gnu, FreeType does not load, Wine has no fonts
    # and gdi32 faults.
    mkdir -p "$root.new/etc"
    printf '%s\n' /lib/i386-linux-gnu /usr/lib/i386-linux-gnu /usr/lib/i386-linux-gnu/wine \
        >"$root.new/etc/ld.so.conf"
    ldconfig -r "$root.new" 2>/dev/null || /sbin/ldconfig -r "$root.new" ||
        { wine32_fail "ldconfig cannot make the root's loader cache"; return 1; }
    rm -rf "$root" "$work/debs"
    mv "$root.new" "$root"
    printf '%s' "$WINE32_XLIBS" >"$root/.complete"
}

# Registers qemu-i386-static for 32-bit x86 ELF programs unless an entry of
# that name exists; F opens the emulator now, so it works from any path.
WINE32_REGISTERED=""
wine32_ensure_binfmt() {
    command -v qemu-i386-static >/dev/null || { wine32_fail "qemu-i386-static is missing: run make deps"; return 1; }
    if [ ! -e "$WINE32_BINFMT/register" ]; then
        $WINE32_SUDO mount -t binfmt_misc binfmt_misc "$WINE32_BINFMT"
    fi
    if [ ! -e "$WINE32_BINFMT/$WINE32_BINFMT_NAME" ]; then
        local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        echo ":$WINE32_BINFMT_NAME:M::$magic:$mask:$(command -v qemu-i386-static):F" |
            $WINE32_SUDO tee "$WINE32_BINFMT/register" >/dev/null
        WINE32_REGISTERED=1
    fi
    QEMU_LD_PREFIX=$WINE32_ROOT "$WINE32_ROOT/lib/ld-linux.so.2" --version >/dev/null 2>&1 ||
        { wine32_fail "32-bit programs do not start through $WINE32_BINFMT/$WINE32_BINFMT_NAME"; return 1; }
}

# The root's wine loader starts root/usr/lib/wine/wineserver. That is the
# machine's native wineserver when both Wines are the same version (one
# protocol, and the server need not be emulated), else the root's own.
wine32_choose_wineserver() {
    local root=$WINE32_ROOT ours theirs=""
    ours=$(QEMU_LD_PREFIX=$root "$root/usr/lib/wine/wine" --version 2>/dev/null) ||
        { wine32_fail "the 32-bit wine loader does not start"; return 1; }
    if [ -x /usr/lib/wine/wine64 ] && [ -x /usr/lib/wine/wineserver64 ]; then
        theirs=$(/usr/lib/wine/wine64 --version 2>/dev/null || true)
    fi
    rm -f "$root/usr/lib/wine/wineserver"
    if [ -n "$theirs" ] && [ "$ours" = "$theirs" ]; then
        ln -s /usr/lib/wine/wineserver64 "$root/usr/lib/wine/wineserver"
    else
        ln -s wineserver32 "$root/usr/lib/wine/wineserver"
        wine32_say "$ours with its own wineserver (the machine has ${theirs:-none})"
    fi
}

wine32_env_prepare() {
    wine32_ensure_root && wine32_ensure_binfmt && wine32_choose_wineserver || return 1
    # The emulator's default CPU lacks instructions that the i386 Wine uses.
    export QEMU_LD_PREFIX=$WINE32_ROOT QEMU_CPU=max WINEARCH=win32
    WINE="$WINE32_ROOT/usr/lib/wine/wine"
    WINESERVER="$WINE32_ROOT/usr/lib/wine/wineserver"
}

wine32_env_release() {
    if [ -n "$WINE32_REGISTERED" ] && [ -e "$WINE32_BINFMT/$WINE32_BINFMT_NAME" ]; then
        echo -1 | $WINE32_SUDO tee "$WINE32_BINFMT/$WINE32_BINFMT_NAME" >/dev/null || true
    fi
    WINE32_REGISTERED=""
}
