#!/bin/bash
# Runs every test: the Windows tests of the x86_64 build under wine64, the
# 32-bit build's own cases under the private 32-bit Wine (qemu-i386) with the
# demo's installation compared against the 64-bit build's (tools/smoke32.sh),
# then the native tests of the host build. The Windows tests share one
# private X display; each build has its own Wine prefix in its tree.
# Prints each ctest summary and a closing total; exits non-zero on any failure.
# WIN32_BUILD, WIN64_BUILD and HOST_BUILD choose other build trees (an empty
# value skips that tree); extra arguments go to every ctest run (for example
# -R name). SKIP_SMOKE32=1 leaves out the demo comparison.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
WIN32="${WIN32_BUILD-$top/build/win32}"
WIN64="${WIN64_BUILD-$top/build/win64}"
HOST="${HOST_BUILD-$top/build/host}"
[ -n "${WIN64_BUILD+set}${HOST_BUILD+set}" ] && [ -z "${WIN32_BUILD+set}" ] && WIN32=""
. "$top/tools/wine-env.sh"
. "$top/tools/wine32-env.sh"
trap 'wine_env_stop; wine32_env_release' EXIT
wine_display_start

CTEST_EXTRA=("$@")
status=0
passed=0
failed=0
run_ctest() {
    local log
    log=$(mktemp)
    [ -n "$1" ] || return 0
    ctest --test-dir "$1" --output-on-failure -j2 --timeout 600 "${CTEST_EXTRA[@]}" 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" = 0 ] || status=1
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
    if [ -n "$line" ]; then
        local f t
        f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
        t=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
        passed=$((passed + t - f))
        failed=$((failed + f))
    elif ! grep -q 'No tests were found' "$log"; then
        status=1
    fi
    rm -f "$log"
}
# run_windows_ctest TREE: the tree's tests with its own Wine prefix.
run_windows_ctest() {
    [ -n "$1" ] || return 0
    WINEPREFIX="$1/wineprefix"
    wine_prefix_start
    run_ctest "$1"
    wine_prefix_stop
}

run_windows_ctest "$WIN64"

if [ -n "$WIN32" ]; then
    start32=$(date +%s)
    if ! wine32_env_prepare; then
        echo "the private 32-bit Wine cannot be set up: the 32-bit tests did not run"
        status=1
        failed=$((failed + 1))
    else
        run_windows_ctest "$WIN32"
        # The demo's comparison starts its own Wines; it is not filtered.
        if [ -z "${SKIP_SMOKE32:-}" ] && [ ${#CTEST_EXTRA[@]} = 0 ]; then
            if (unset QEMU_LD_PREFIX QEMU_CPU WINEARCH WINE WINESERVER; "$top/tools/smoke32.sh"); then
                passed=$((passed + 1))
            else
                status=1
                failed=$((failed + 1))
            fi
        fi
        unset QEMU_LD_PREFIX QEMU_CPU WINEARCH
        WINE=/usr/lib/wine/wine64
        WINESERVER=/usr/lib/wine/wineserver
    fi
    echo "32-bit programs: $(( $(date +%s) - start32 )) s"
fi

run_ctest "$HOST"
echo "total: $passed passed, $failed failed"
exit $status
