# Sourced by the scripts that run Windows programs: starts a private X display
# (unless NO_XVFB is set and DISPLAY exists) and a persistent wineserver on
# the prefix given in WINEPREFIX, creating the prefix once. WINE and
# WINESERVER name the Wine to use (tools/wine32-env.sh sets them for the
# 32-bit programs); wine64 is the default.
# Call wine_env_stop when done.
WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX

XVFB_PID=""
wine_display_start() {
    [ -z "$XVFB_PID" ] || return 0
    if [ -z "${DISPLAY:-}" ] || [ -z "${NO_XVFB:-}" ]; then
        if [ -z "${NO_XVFB:-}" ]; then
            fifo=$(mktemp -u)
            mkfifo "$fifo"
            Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
            XVFB_PID=$!
            read -r num <"$fifo"
            rm -f "$fifo"
            export DISPLAY=":$num"
        fi
    fi
}

# Creates the prefix in WINEPREFIX when needed and starts its wineserver.
wine_prefix_start() {
    : "${WINEPREFIX:?WINEPREFIX must name the prefix}"
    mkdir -p "$(dirname "$WINEPREFIX")"
    # A prefix whose creation was interrupted lacks the marker; it is made anew.
    if [ ! -f "$WINEPREFIX/.complete" ]; then
        echo "creating the Wine prefix $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        # The registry files are written when the server ends.
        if "$WINE" wineboot -i >/dev/null 2>&1 && "$WINESERVER" -w && [ -f "$WINEPREFIX/system.reg" ]; then
            touch "$WINEPREFIX/.complete"
        fi
    fi
    "$WINESERVER" -p >/dev/null 2>&1 || true
    "$WINE" wineboot >/dev/null 2>&1 || true
    # Without a window manager Wine waits 2 s for every window it hides,
    # unless it is told not to manage the windows.
    if ! grep -qs '^"Managed"="N"' "$WINEPREFIX/user.reg"; then
        "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    fi
}

# Ends the prefix's programs and its wineserver.
wine_prefix_stop() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
}

wine_env_start() {
    wine_display_start
    wine_prefix_start
}

wine_env_stop() {
    wine_prefix_stop
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}
