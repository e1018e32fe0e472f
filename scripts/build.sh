#!/usr/bin/env bash
# Configures and builds the Windows program and its tests in build/ and, with
# --native, the window-free code and its tests natively in build/native.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

native=0
targets=()
for arg in "$@"; do
    case "$arg" in
        --native) native=1 ;;
        *) targets+=("$arg") ;;
    esac
done

if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -- "${targets[@]}"

if [ $native -eq 1 ]; then
    if [ ! -f build/native/build.ninja ]; then
        cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug \
            -DKORV_DEPS_DIR="$root/build/deps" >/dev/null
    fi
    cmake --build build/native
fi
