#!/usr/bin/env bash
# Configures and builds the Windows program and its tests for x86 in build/ and for
# x64 in build/x64 (both by default; --arch x86 or --arch x64 for one) and, with
# --native, the window-free code and its tests natively in build/native. Other
# arguments name the targets to build (default: all); "native:NAME" names a target
# of the native build, and --arch none builds no Windows program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

native=0
archs=(x86 x64)
targets=()
native_targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --native) native=1 ;;
        --arch)
            shift
            case "${1:-}" in
                x86 | x64) archs=("$1") ;;
                all) archs=(x86 x64) ;;
                none) archs=() ;;
                *) echo "build.sh: --arch takes x86, x64, all or none" >&2; exit 2 ;;
            esac
            ;;
        native:*) native=1; native_targets+=("${1#native:}") ;;
        *) targets+=("$1") ;;
    esac
    shift
done

configure() {
    local name="$1" dir="$2"
    shift 2
    if [ ! -f "$dir/build.ninja" ]; then
        local log="build/logs/configure-$name.log"
        mkdir -p build/logs
        if ! cmake -S . -B "$dir" -G Ninja "$@" >"$log" 2>&1; then
            cat "$log" >&2
            echo "build.sh: configuring $dir failed (log: $log)" >&2
            exit 1
        fi
    fi
}

for arch in "${archs[@]+"${archs[@]}"}"; do
    case "$arch" in
        x86) dir=build toolchain=cmake/mingw-i686.cmake ;;
        x64) dir=build/x64 toolchain=cmake/mingw-x86_64.cmake ;;
    esac
    configure "$arch" "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKORV_DEPS_DIR="$root/build/deps"
    cmake --build "$dir" -- "${targets[@]}"
done

if [ $native -eq 1 ]; then
    configure native build/native -DCMAKE_BUILD_TYPE=Debug -DKORV_DEPS_DIR="$root/build/deps"
    cmake --build build/native -- "${native_targets[@]+"${native_targets[@]}"}"
fi
