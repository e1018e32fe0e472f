#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; prints "name: value" lines.
# ./bench.sh [filter]   (the databases are made once under build/bench)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$root"

./scripts/install-deps.sh
./scripts/build.sh korvelandis_bench

source scripts/wine-env.sh
korv_ensure_prefix test
export WINEPREFIX="$(korv_prefix test)"
mkdir -p build/bench
wine build/korvelandis_bench.exe "$(winepath -w build/bench)" "${1:-}" 2>/dev/null |
    iconv -f CP932 -t UTF-8 -c | tr -d '\r'
