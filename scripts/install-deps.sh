#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Quick and silent when everything is already present.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/host-arch.sh"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

# Fonts: IPA Gothic and VL Gothic draw the Japanese UI; VL Gothic also has characters
# beyond the basic plane (𠮷, emoji); WenQuanYi Micro Hei (1.6 MB) has every Hangul
# syllable, which the Japanese fonts lack.
packages=(mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 fonts-wine
          xvfb xauth imagemagick fonts-ipafont-gothic locales cmake ninja-build googletest
          fp-utils ca-certificates g++ zip unzip clang-format fonts-vlgothic fonts-wqy-microhei
          sqlite3)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
# SQLite comes from an npm package; a machine may have npm from elsewhere.
if ! command -v npm >/dev/null; then
    missing+=(npm)
fi
# wine32 runs the x86 build; it is only worth installing where the kernel runs
# 32-bit programs (elsewhere it installs but cannot start, and only x64 is run).
need_wine32=0
if korv_host_runs_x86 &&
    ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    need_wine32=1
fi

step() {
    local what="$1"
    shift
    if ! "$@"; then
        echo "install-deps: $what failed: $*" >&2
        exit 1
    fi
}

if [ ${#missing[@]} -gt 0 ] || [ $need_wine32 -eq 1 ]; then
    echo "install-deps: installing ${missing[*]} $([ $need_wine32 -eq 1 ] && echo wine32:i386)" >&2
    export DEBIAN_FRONTEND=noninteractive
    step "apt-get update" $SUDO apt-get update -qq
    if [ ${#missing[@]} -gt 0 ]; then
        step "installing ${missing[*]}" \
            $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
    if [ $need_wine32 -eq 1 ]; then
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            step "adding the i386 architecture" $SUDO dpkg --add-architecture i386
        fi
        step "apt-get update" $SUDO apt-get update -qq
        step "installing wine32:i386" \
            $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
    fi
fi

# The Japanese locale makes Wine use code page 932 for the ANSI functions.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "install-deps: generating ja_JP.UTF-8" >&2
    $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    step "locale-gen" $SUDO locale-gen >/dev/null
fi
