#!/usr/bin/env bash
# screen-tour.sh ARCH DPI FOLDER: pictures of every window of the program at a
# display scale (96, 120, 144, 192 ...), taken under Xvfb in a screen prefix of
# that DPI and written to FOLDER as PNG files, one per window. KORV_SCREEN_SIZE
# (for example 2048x1536) gives the screen another size than 1024x768.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
arch="$1"
dpi="$2"
out="$(realpath -m -- "$3")"
cd "$root"
source scripts/wine-env.sh
./scripts/build.sh --arch "$arch" korvelandis make_demo_db screen_tour >/dev/null
build="$(korv_build_dir "$arch")"
mkdir -p "$out"
rm -f "$out"/*.bmp "$out"/*.png
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
korv_use_arch "$arch"
export WINEPREFIX="$(korv_prefix test)"
korv_ensure_prefix test
"$KORV_WINE" "$build/make_demo_db.exe" "Z:${work//\//\\}\\demo.db" >/dev/null 2>&1 </dev/null
printf '%s\r\n' 'コード,名前,数量' 'A-1,りんご,3' 'B-2,みかん,12' >"$work/goods.csv.utf8"
iconv -f UTF-8 -t CP932 "$work/goods.csv.utf8" >"$work/goods.csv"
wineserver -k 2>/dev/null || true
win() { echo "Z:${1//\//\\}"; }
# 96 DPI is the screen prefix as every test uses it.
if [ "$dpi" != 96 ]; then
    export KORV_DPI="$dpi"
fi
bash scripts/screen-run.sh "$arch" "$build/screen_tour.exe" "$(win "$build/korvelandis.exe")" \
    "$(win "$work/demo.db")" "$(win "$work/goods.csv")" "$(win "$out")"
for bmp in "$out"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" -alpha off "${bmp%.bmp}.png" && rm -f "$bmp"
done
