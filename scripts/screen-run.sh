#!/usr/bin/env bash
# screen-run.sh ARCH PROGRAM [ARGS...]: runs a Windows test program with a real
# display: Wine's X11 driver on a virtual desktop, under Xvfb, in the screen prefix
# of that architecture. The tests that read back what was drawn need it.
# KORV_DPI=144 (or another DPI) runs it in a screen prefix with that display scale;
# KORV_SCREEN_SIZE=2048x1536 gives it a larger screen than 1024x768.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
korv_use_arch "$1" || exit 2
shift
prefix_name=screen${KORV_DPI:+-$KORV_DPI}
korv_ensure_prefix "$prefix_name" || exit 1
export WINEPREFIX="$(korv_prefix "$prefix_name")"
size="${KORV_SCREEN_SIZE:-1024x768}"
# The prefix's desktop is made 1024x768; another size is written when it changes.
size_file="$WINEPREFIX/.korv-screen-size"
if [ "$(cat "$size_file" 2>/dev/null || echo 1024x768)" != "$size" ]; then
    korv_wine_step "screen size" "$KORV_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' \
        /v Default /t REG_SZ /d "$size" /f || exit 1
    wineserver -w
    echo "$size" >"$size_file"
fi
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
# The server of this prefix is its own: it goes with the run.
xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
    "$@"
    status=$?
    wineserver -k 2>/dev/null
    exit $status
' screen "$KORV_WINE" "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
exit $status
