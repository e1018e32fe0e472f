#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the formatting
# check, the window-free code natively under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows builds under Wine (null graphics
# driver, Japanese code page), each architecture this host can run: x86 where it
# executes 32-bit code, x64 always.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$root"
trap 'echo "test.sh: \"$BASH_COMMAND\" failed (exit $?)" >&2' ERR

./scripts/install-deps.sh
./scripts/build.sh --native

source scripts/wine-env.sh

status=0
echo "== formatting =="
./scripts/format.sh --check || status=1

echo "== native tests (sanitizers) =="
ctest --test-dir build/native --output-on-failure -j2 || status=1

# run_wine_suite ARCH: the whole Windows suite of one architecture in its own prefix.
run_wine_suite() {
    local arch="$1"
    korv_use_arch "$arch"
    korv_ensure_prefix test
    # The tests that read the screen back run in a prefix with a display of its own.
    korv_ensure_prefix screen
    export WINEPREFIX="$(korv_prefix test)"
    # One wineserver for the whole run. The first processes start Wine's own
    # helpers (the desktop among them), which would inherit and hold a test's
    # output pipe: start them here with nothing attached.
    wineserver -p 2>/dev/null || true
    "$KORV_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
    "$KORV_WINE" "$(korv_build_dir "$arch")/korvelandis_tests.exe" \
        --gtest_filter=MainWindowTest.StartsWithoutADatabase </dev/null >/dev/null 2>&1 || true
    local result=0
    # One at a time: windows of tests running side by side would compete for the
    # foreground, and focus and activation are part of what the tests check.
    ctest --test-dir "$(korv_build_dir "$arch")" --output-on-failure --timeout 120 || result=1
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    return $result
}
trap 'wineserver -k 2>/dev/null || true' EXIT

tested=()
skipped=()
# The plan is read whole first: a suite's programs share this shell's input and
# must not swallow the lines that name the next architecture.
mapfile -t plan < <(korv_runnable_archs)
for line in "${plan[@]}"; do
    case "$line" in
        x86 | x64)
            echo "== Windows tests, $line (Wine) =="
            if run_wine_suite "$line"; then
                tested+=("$line")
            else
                tested+=("$line (FAILED)")
                status=1
            fi
            ;;
        skip\ *)
            read -r _ arch reason <<<"$line"
            skipped+=("$arch: $reason")
            # What the download holds is checked without Wine.
            echo "== package checks, $arch (no Wine needed) =="
            ctest --test-dir "$(korv_build_dir "$arch")" --output-on-failure -R '^package\.' ||
                status=1
            ;;
    esac
done

echo "== architectures =="
if [ ${#tested[@]} -eq 0 ]; then
    echo "No Windows architecture could be tested on this host:" >&2
    printf '  %s\n' "${skipped[@]}" >&2
    exit 1
fi
echo "tested under Wine: ${tested[*]}"
for s in "${skipped[@]}"; do
    echo "skipped $s"
done
exit $status
