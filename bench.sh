#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine, on the architecture this host runs
# (x86 first, else x64), then times the same statements natively on the same
# files. Prints "name: value" lines, the architecture first: each operation's time
# under Wine (_ms), SQLite alone under Wine (_raw_ms), natively (_native_ms), and
# the program's time against the native one (_vs_native).
# ./bench.sh [filter]   (the databases are made once under build/bench)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$root"
trap 'echo "bench.sh: \"$BASH_COMMAND\" failed (exit $?)" >&2' ERR

./scripts/install-deps.sh
source scripts/wine-env.sh
arch="$(korv_run_arch)"
if [ -z "$arch" ]; then
    echo "bench.sh: this host can run neither Windows build" >&2
    exit 1
fi
./scripts/build.sh --arch "$arch" korvelandis_bench korvelandis native:korvelandis_native_bench

korv_use_arch "$arch"
korv_ensure_prefix test
export WINEPREFIX="$(korv_prefix test)"
mkdir -p build/bench
echo "architecture: $arch"
results="$(mktemp)"
trap 'rm -f "$results"' EXIT
"$KORV_WINE" "$(korv_build_dir "$arch")/korvelandis_bench.exe" "$(winepath -w build/bench)" "${1:-}" 2>/dev/null |
    iconv -f CP932 -t UTF-8 -c | tr -d '\r' | tee "$results"
# The native figures for the databases the run above made or found.
build/native/korvelandis_native_bench build/bench 2>/dev/null | tee -a "$results"
awk -F': ' '
    /_native_ms: / { name = $1; sub(/_native_ms$/, "", name); native[name] = $2 }
    /_ms: / && !/_raw_ms: / && !/_native_ms: / { name = $1; sub(/_ms$/, "", name); ours[name] = $2; order[++n] = name }
    END { for (i = 1; i <= n; ++i) { name = order[i]; if (name in native && native[name] > 0)
            printf "%s_vs_native: %.2f\n", name, ours[name] / native[name] } }
' "$results"
