#!/usr/bin/env bash
# Runs a Windows program under Wine in the test prefix (the emulator of the test runs).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
export WINEPREFIX="${KORV_WINEPREFIX:-$(korv_prefix test)}"
exec wine "$@"
