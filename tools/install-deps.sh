#!/bin/sh
# Installs the Debian packages that the build, the tests and the demo need,
# when any of them is missing. Needs root (or sudo) only when it installs.
#
# The 32-bit programs run under qemu-i386 user emulation, which needs qemu 10:
# qemu 7.2 of Debian 12 does not give the guest the trap number of a fault,
# and Wine's desktop process dies of it. bookworm-backports has qemu 10; apt
# is told to take only the qemu user-mode packages from there.
set -e
PACKAGES="make cmake clang g++ mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64 xvfb xauth
 x11-utils xdotool imagemagick googletest arj p7zip-full libclang-rt-14-dev
 python3 procps qemu-user-static mtools"
BACKPORTS=/etc/apt/sources.list.d/tarvo-bookworm-backports.sources
PIN=/etc/apt/preferences.d/tarvo-bookworm-backports
QEMU_MIN=1:10

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done
qemu=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || true)
if [ -n "$qemu" ] && dpkg --compare-versions "$qemu" lt "$QEMU_MIN"; then
    missing="$missing qemu-user-static"
fi
[ -z "$missing" ] && exit 0

if [ ! -f "$BACKPORTS" ] && ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d; then
    $SUDO tee "$BACKPORTS" >/dev/null <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
fi
$SUDO tee "$PIN" >/dev/null <<'PREFERENCES'
Package: *
Pin: release n=bookworm-backports
Pin-Priority: 1

Package: qemu-user-static qemu-user qemu-user-binfmt
Pin: release n=bookworm-backports
Pin-Priority: 990
PREFERENCES

echo "installing:$missing"
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $missing
