#!/usr/bin/env bash
# wine-run.sh ARCH PROGRAM [ARGS...]: runs a Windows program of that architecture
# (x86 or x64) under Wine in its test prefix (the emulator of the test runs).
# KORV_DPI=144 (or another DPI) runs it in a test prefix with that display scale.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
korv_use_arch "$1" || exit 2
shift
if [ -n "${KORV_DPI:-}" ]; then
    korv_ensure_prefix "test-$KORV_DPI" || exit 1
    KORV_WINEPREFIX="$(korv_prefix "test-$KORV_DPI")"
elif [ -z "${KORV_WINEPREFIX:-}" ]; then
    # A test run started by hand (ctest alone) gets the configured prefix too.
    korv_ensure_prefix test || exit 1
fi
export WINEPREFIX="${KORV_WINEPREFIX:-$(korv_prefix test)}"

# The program's output (and Wine's) goes through a file, shown as it grows: the
# helper processes that the first program of a new Wine server starts inherit what
# it writes to, and would hold a pipe open long after it ended.
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
run_once() {
    : >"$out"
    "$KORV_WINE" "$@" >"$out" 2>&1 </dev/null &
    local pid=$!
    tail -n +1 -s 0.1 -f --pid="$pid" "$out"
    wait "$pid"
}
run_once "$@"
status=$?
# A test program prints its first line as soon as it starts. Ending in failure
# before any line means Wine did not get it running (seen once in hundreds of
# starts): it is started once more, and says so.
if [ $status -ne 0 ] && [ ! -s "$out" ]; then
    echo "wine-run.sh: $1 ended with status $status before printing anything; starting it once more" >&2
    run_once "$@"
    status=$?
fi
exit $status
