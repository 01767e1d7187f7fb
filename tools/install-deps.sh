#!/bin/sh
# Installs the Debian packages that the build, the tests and the demo need,
# when any of them is missing. Needs root (or sudo) only when it installs.
set -e
PACKAGES="make cmake clang g++ mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64 xvfb xauth
 x11-utils xdotool imagemagick googletest arj p7zip-full libclang-rt-14-dev
 python3 procps"
missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $missing
