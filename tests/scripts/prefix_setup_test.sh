#!/usr/bin/env bash
# How korv_ensure_prefix sets a Wine prefix up, with Wine faked by a script that
# logs what it is asked: a prefix made before the font links gets them once, on its
# next use, without being made anew; a set-up step that fails leaves no prefix
# marked as ready.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
mkdir -p "$here/../../build"
work="$(mktemp -d "$here/../../build/prefix-setup-test.XXXXXX")"
trap 'rm -rf "$work"' EXIT
source "$here/../../scripts/wine-env.sh"
# Every prefix of this test lives in the work folder.
KORV_BUILD="$work"

failures=0
check() {
    local what="$1" expected="$2" actual="$3"
    if [ "$expected" != "$actual" ]; then
        echo "FAIL: $what"
        echo "  expected: $(printf '%q' "$expected")"
        echo "  actual:   $(printf '%q' "$actual")"
        failures=$((failures + 1))
    fi
}

# The fake loader logs its arguments and fails when the log's name says so; the
# fake server does nothing.
mkdir -p "$work/bin"
cat >"$work/bin/wine" <<'EOF'
#!/bin/sh
printf '%s\n' "$*" >>"$FAKE_WINE_LOG"
[ "$1" != wineboot ] || mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
[ -z "${FAKE_WINE_FAILS:-}" ] || case "$*" in *"$FAKE_WINE_FAILS"*) exit 1 ;; esac
exit 0
EOF
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"
chmod +x "$work/bin"/*
export PATH="$work/bin:$PATH"
KORV_ARCH=x86
KORV_WINE="$work/bin/wine"
export FAKE_WINE_LOG="$work/wine.log"

links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
link_count() { grep -cF "reg add $links" "$FAKE_WINE_LOG" 2>/dev/null; }

# A prefix made by the set-up before the font links.
old="$(korv_prefix test)"
mkdir -p "$old/drive_c"
touch "$old/.korv-ready-2" "$old/drive_c/kept"
: >"$FAKE_WINE_LOG"
korv_ensure_prefix test 2>/dev/null
check "an older prefix is kept" yes "$([ -f "$old/drive_c/kept" ] && echo yes)"
check "an older prefix is not booted anew" 0 "$(grep -c wineboot "$FAKE_WINE_LOG")"
check "an older prefix gets the links of the UI faces" 1 \
    "$(grep -cF "reg add $links /v VL Gothic Regular" "$FAKE_WINE_LOG")"
check "an older prefix gets Uniscribe's fallback face" 1 \
    "$(grep -cF 'Uniscribe\Fallback /v 0 /t REG_SZ /d VL Gothic' "$FAKE_WINE_LOG")"
check "the links name the Hangul font" 6 "$(grep -c 'wqy-microhei.ttc' "$FAKE_WINE_LOG")"
: >"$FAKE_WINE_LOG"
korv_ensure_prefix test 2>/dev/null
check "the links are written once" 0 "$(link_count)"

# A new prefix: booted, configured, linked.
: >"$FAKE_WINE_LOG"
korv_ensure_prefix screen 2>/dev/null
check "a new prefix is booted" 1 "$(grep -c wineboot "$FAKE_WINE_LOG")"
check "a new prefix gets the links" 6 "$(link_count)"
check "a new prefix is marked ready" yes \
    "$([ -f "$(korv_prefix screen)/.korv-ready-2" ] && echo yes)"

# A step that fails: the prefix is not marked, and the next use tries again.
: >"$FAKE_WINE_LOG"
FAKE_WINE_FAILS=ShowCrashDialog korv_ensure_prefix display 2>/dev/null
check "a failed set-up is reported" 1 "$?"
check "a failed set-up leaves no ready prefix" no \
    "$([ -f "$(korv_prefix display)/.korv-ready-2" ] && echo yes || echo no)"
: >"$FAKE_WINE_LOG"
FAKE_WINE_FAILS=IPAGothic korv_ensure_prefix test-144 2>/dev/null
check "failed font links are reported" 1 "$?"
check "failed font links are tried again on the next use" no \
    "$([ -f "$(korv_prefix test-144)/.korv-fonts-1" ] && echo yes || echo no)"

if [ $failures -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "prefix set-up: all checks passed"
