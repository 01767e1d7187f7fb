# Sourced by the scripts that run Windows programs: starts a private X display
# (unless NO_XVFB is set and DISPLAY exists) and a persistent wineserver on
# the prefix given in WINEPREFIX, creating the prefix once.
# Call wine_env_stop when done.
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX

XVFB_PID=""
wine_env_start() {
    : "${WINEPREFIX:?WINEPREFIX must name the prefix}"
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
    mkdir -p "$(dirname "$WINEPREFIX")"
    # A prefix whose creation was interrupted lacks the marker; it is made anew.
    if [ ! -f "$WINEPREFIX/.complete" ]; then
        echo "creating the Wine prefix $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        if "$WINE" wineboot -i >/dev/null 2>&1 && [ -f "$WINEPREFIX/system.reg" ]; then
            touch "$WINEPREFIX/.complete"
        fi
    fi
    "$WINESERVER" -p >/dev/null 2>&1 || true
    "$WINE" wineboot >/dev/null 2>&1 || true
}

wine_env_stop() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
}
