#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine, on the architecture this host runs
# (x86 first, else x64), each case in a process of its own (so that the memory a
# case reports is its own), then times the same statements natively on the same
# files. Prints "name: value" lines, the architecture first: each operation's time
# under Wine (_ms), SQLite alone under Wine (_raw_ms), natively (_native_ms), and
# the program's time against the native one (_vs_native). Where the SQLite shell
# is installed (Debian's sqlite3 package), the CSV cases are also timed with it,
# natively on the same database and the same records (_shell_ms, _vs_shell).
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
bench_exe="$(korv_build_dir "$arch")/korvelandis_bench.exe"
bench_folder="$(winepath -w build/bench)"
cases="$("$KORV_WINE" "$bench_exe" "$bench_folder" --list "${1:-}" 2>/dev/null | tr -d '\r')"
for name in $cases; do
    "$KORV_WINE" "$bench_exe" "$bench_folder" --case "$name" 2>/dev/null |
        iconv -f CP932 -t UTF-8 -c | tr -d '\r' | tee -a "$results"
done
# The native figures for the databases the run above made or found.
build/native/korvelandis_native_bench build/bench 2>/dev/null | tee -a "$results"
# The SQLite shell on the same work, where the CSV cases ran: the export of the
# same table to a file, the import of the same records (in UTF-8, the only
# encoding it reads) into a new database.
milliseconds() {
    local start end
    start="$(date +%s%N)"
    "$@" >/dev/null 2>&1 || true
    end="$(date +%s%N)"
    echo $(((end - start) / 1000000))
}
median_ms() {
    local runs="$1" i
    shift
    for ((i = 0; i < runs; ++i)); do milliseconds "$@"; done | sort -n | sed -n "$(((runs + 1) / 2))p"
}
shell_export() { sqlite3 -csv -header "$1" "SELECT * FROM t;" >build/bench/shell_export.csv; }
shell_import() {
    rm -f build/bench/shell_import.db
    sqlite3 build/bench/shell_import.db ".import --csv '$1' t"
}
if command -v sqlite3 >/dev/null; then
    shell_case() {
        local name="$1" runs="$2"
        shift 2
        if grep -q "^${name}_ms: " "$results"; then
            echo "${name}_shell_ms: $(median_ms "$runs" "$@")" | tee -a "$results"
        fi
    }
    shell_case csv_export_1m 3 shell_export build/bench/csv_export.db
    shell_case csv_export_10m 1 shell_export build/bench/csv_export_10m.db
    shell_case csv_import_1m 3 shell_import build/bench/import_utf8.csv
    rm -f build/bench/shell_export.csv build/bench/shell_import.db
else
    echo "bench.sh: no sqlite3 shell here (Debian package sqlite3); no _shell_ms figures" >&2
fi

awk -F': ' '
    /_native_ms: / { name = $1; sub(/_native_ms$/, "", name); native[name] = $2; next }
    /_shell_ms: / { name = $1; sub(/_shell_ms$/, "", name); shell[name] = $2; next }
    /_ms: / && !/_raw_ms: / { name = $1; sub(/_ms$/, "", name); ours[name] = $2; order[++n] = name }
    END {
        for (i = 1; i <= n; ++i) {
            name = order[i]
            if (name in native && native[name] > 0)
                printf "%s_vs_native: %.2f\n", name, ours[name] / native[name]
            # The shell case whose name begins the case: csv_export_1m for _utf8 too.
            best = ""
            for (key in shell)
                if (index(name, key) == 1 && length(key) > length(best)) best = key
            if (best != "" && shell[best] > 0)
                printf "%s_vs_shell: %.2f\n", name, ours[name] / shell[best]
        }
    }
' "$results"
