#!/usr/bin/env bash
# Fuzzes sql_to_rtf and sql_utf8_to_rtf with libFuzzer (clang with its fuzzer runtime) for a while:
#   tests/fuzz/fuzz.sh [seconds]     (default 60)
# Not part of ./test.sh: the bounded random-input test in tests/pure covers CI.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
seconds="${1:-60}"
out="$root/build/fuzz"
mkdir -p "$out/corpus"

if ! command -v clang++ >/dev/null; then
    echo "clang++ is not installed; nothing to do" >&2
    exit 0
fi
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root" "$root/tests/fuzz/sql_highlighter_fuzz.cpp" "$root/sqleditor/sql_highlighter.cpp" \
    "$root/sqleditor/editor_text.cpp" "$root/db/text_convert.cpp" "$root/db/text_convert_iconv.cpp" \
    -o "$out/sql_highlighter_fuzz"

# A few seeds so the run starts from SQL rather than from nothing.
printf 'Select a FROM t -- x\r\nwhere b' >"$out/corpus/worked"
printf "insert into t(a) values('{x}');" >"$out/corpus/braces"
printf 'SELECT \x95\x5c FROM t\tcount(*)' >"$out/corpus/sjis"

"$out/sql_highlighter_fuzz" -max_total_time="$seconds" -max_len=4096 "$out/corpus"
