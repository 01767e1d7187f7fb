#!/bin/bash
# Runs every test: the Windows tests of the x86_64 build under wine64 on a
# private X display and Wine prefix, then the native tests of the host build.
# Prints each ctest summary and a closing total; exits non-zero on any failure.
# The 32-bit build's own checks (no Wine) run first.
# WIN32_BUILD, WIN64_BUILD and HOST_BUILD choose other build trees (an empty value skips
# that tree); extra arguments go to both ctest runs (for example -R name).
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
WIN32="${WIN32_BUILD-$top/build/win32}"
WIN64="${WIN64_BUILD-$top/build/win64}"
HOST="${HOST_BUILD-$top/build/host}"
WINEPREFIX="${WIN64:-$top/build/win64}/wineprefix"
. "$top/tools/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start
export INSTALL_TEST_WINEPREFIX="$WINEPREFIX"

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
[ -n "${WIN64_BUILD+set}${HOST_BUILD+set}" ] && [ -z "${WIN32_BUILD+set}" ] && WIN32=""
run_ctest "$WIN32"
run_ctest "$WIN64"
run_ctest "$HOST"
echo "total: $passed passed, $failed failed"
exit $status
