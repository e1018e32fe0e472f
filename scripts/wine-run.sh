#!/usr/bin/env bash
# wine-run.sh ARCH PROGRAM [ARGS...]: runs a Windows program of that architecture
# (x86 or x64) under Wine in its test prefix (the emulator of the test runs).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
korv_use_arch "$1" || exit 2
shift
if [ -z "${KORV_WINEPREFIX:-}" ]; then
    # A test run started by hand (ctest alone) gets the configured prefix too.
    korv_ensure_prefix test || exit 1
fi
export WINEPREFIX="${KORV_WINEPREFIX:-$(korv_prefix test)}"
exec "$KORV_WINE" "$@"
