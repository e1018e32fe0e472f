#!/usr/bin/env bash
# ./run.sh [database-file]: builds what is missing and starts the program on the
# file, or on a demo database when none is given. Without a display it runs under
# Xvfb and saves a screenshot to build/screenshot.png.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
given="${1:-}"
if [ -n "$given" ]; then
    given="$(realpath -m -- "$given")"
fi
cd "$root"

./scripts/install-deps.sh
./scripts/build.sh korvelandis make_demo_db

source scripts/wine-env.sh
if [ -n "${DISPLAY:-}" ]; then
    prefix_name=display
else
    prefix_name=screen
fi
korv_ensure_prefix "$prefix_name"
export WINEPREFIX="$(korv_prefix "$prefix_name")"

if [ -z "$given" ]; then
    given="$root/build/demo/サンプル.db"
    if [ ! -f "$given" ]; then
        mkdir -p "$root/build/demo"
        wine build/make_demo_db.exe "$(winepath -w "$given")"
    fi
fi
windows_path="$(winepath -w "$given")"

if [ -n "${DISPLAY:-}" ]; then
    exec wine build/korvelandis.exe "$windows_path"
fi

echo "No display: running under Xvfb; the screenshot goes to build/screenshot.png" >&2
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wine build/korvelandis.exe "$1" &
    program=$!
    sleep "${KORV_SCREENSHOT_DELAY:-6}"
    import -window root build/screenshot.png
    wineserver -k 2>/dev/null || true
    wait $program 2>/dev/null || true
' run "$windows_path"
echo "Saved build/screenshot.png" >&2
