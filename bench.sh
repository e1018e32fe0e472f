#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine, on the architecture this host runs
# (x86 first, else x64); prints "name: value" lines, the architecture first.
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
./scripts/build.sh --arch "$arch" korvelandis_bench

korv_use_arch "$arch"
korv_ensure_prefix test
export WINEPREFIX="$(korv_prefix test)"
mkdir -p build/bench
echo "architecture: $arch"
"$KORV_WINE" "$(korv_build_dir "$arch")/korvelandis_bench.exe" "$(winepath -w build/bench)" "${1:-}" 2>/dev/null |
    iconv -f CP932 -t UTF-8 -c | tr -d '\r'
