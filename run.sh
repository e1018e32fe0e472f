#!/usr/bin/env bash
# ./run.sh [database-file]: builds what is missing and starts the program on the
# file, or on a demo database when none is given: the x86 build where this host
# runs 32-bit programs, else the x64 build. Without a display it runs under Xvfb
# and saves a screenshot to build/screenshot.png.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
given="${1:-}"
if [ -n "$given" ]; then
    given="$(realpath -m -- "$given")"
fi
cd "$root"
trap 'echo "run.sh: \"$BASH_COMMAND\" failed (exit $?)" >&2' ERR

./scripts/install-deps.sh
source scripts/wine-env.sh

arch="$(korv_run_arch)"
if [ -z "$arch" ]; then
    echo "run.sh: this host can run neither Windows build:" >&2
    korv_runnable_archs | sed -n 's/^skip /  /p' >&2
    exit 1
fi
./scripts/build.sh --arch "$arch" korvelandis make_demo_db
program="$(korv_build_dir "$arch")/korvelandis.exe"
if [ "$arch" = x86 ]; then
    echo "Running the x86 build (${program#"$root"/})." >&2
else
    echo "Running the x64 build (${program#"$root"/}): $(korv_runnable_archs | sed -n 's/^skip x86 //p')." >&2
fi

korv_use_arch "$arch"
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
        "$KORV_WINE" "$(korv_build_dir "$arch")/make_demo_db.exe" "$(winepath -w "$given")"
    fi
fi
windows_path="$(winepath -w "$given")"

if [ -n "${DISPLAY:-}" ]; then
    exec "$KORV_WINE" "$program" "$windows_path"
fi

echo "No display: running under Xvfb; the screenshot goes to build/screenshot.png" >&2
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" "$2" "$3" &
    program=$!
    # Wait until something is drawn (the desktop starts first, slower on a busy
    # machine), then give the window time to paint its contents.
    for _ in $(seq 1 "${KORV_SCREENSHOT_WAIT:-40}"); do
        sleep 1
        import -window root build/screenshot.png
        deviation="$(convert build/screenshot.png -format "%[fx:standard_deviation]" info: 2>/dev/null || echo 0)"
        if [ "$deviation" != 0 ]; then
            break
        fi
    done
    sleep "${KORV_SCREENSHOT_DELAY:-4}"
    import -window root build/screenshot.png
    wineserver -k 2>/dev/null || true
    wait $program 2>/dev/null || true
' run "$KORV_WINE" "$program" "$windows_path"
echo "Saved build/screenshot.png" >&2
