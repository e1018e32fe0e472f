#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the Windows
# build under Wine (null graphics driver, Japanese code page) and the window-free
# code natively under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$root"

./scripts/install-deps.sh
./scripts/build.sh --native

source scripts/wine-env.sh
korv_ensure_prefix test
export WINEPREFIX="$(korv_prefix test)"

# One wineserver for the whole run. The first processes start Wine's own helpers
# (the desktop among them), which would inherit and hold a test's output pipe:
# start them here with nothing attached.
wineserver -p 2>/dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
wine build/korvelandis_tests.exe --gtest_filter=MainWindowTest.StartsWithoutADatabase \
    </dev/null >/dev/null 2>&1 || true

status=0
echo "== native tests (sanitizers) =="
ctest --test-dir build/native --output-on-failure -j2 || status=1
echo "== Windows tests (Wine) =="
# One at a time: windows of tests running side by side would compete for the
# foreground, and focus and activation are part of what the tests check.
ctest --test-dir build --output-on-failure --timeout 120 || status=1
exit $status
