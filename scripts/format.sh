#!/usr/bin/env bash
# Formats every C and C++ source of the project with the checked-in .clang-format.
# --check changes nothing and fails, naming the files, when any file differs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

if ! command -v clang-format >/dev/null; then
    echo "format.sh: clang-format is not installed (apt-get install clang-format)" >&2
    exit 1
fi
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    drifted=()
    for f in "${files[@]}"; do
        if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
            drifted+=("$f")
        fi
    done
    if [ ${#drifted[@]} -gt 0 ]; then
        echo "These files differ from .clang-format (run scripts/format.sh):" >&2
        printf '  %s\n' "${drifted[@]}" >&2
        exit 1
    fi
    echo "format: ${#files[@]} files match .clang-format"
else
    clang-format -i "${files[@]}"
fi
