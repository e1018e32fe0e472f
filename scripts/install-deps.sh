#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Quick and silent when everything is already present.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

packages=(mingw-w64 g++-mingw-w64-i686-posix wine wine64 fonts-wine xvfb xauth imagemagick
          fonts-ipafont-gothic locales cmake ninja-build googletest fp-utils curl ca-certificates g++ zip unzip)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
need_wine32=0
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    need_wine32=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_wine32 -eq 1 ]; then
    echo "install-deps: installing ${missing[*]} $([ $need_wine32 -eq 1 ] && echo wine32:i386)" >&2
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    if [ ${#missing[@]} -gt 0 ]; then
        $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
    if [ $need_wine32 -eq 1 ]; then
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            $SUDO dpkg --add-architecture i386
        fi
        $SUDO apt-get update -qq
        $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
    fi
fi

# The Japanese locale makes Wine use code page 932 for the ANSI functions.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "install-deps: generating ja_JP.UTF-8" >&2
    $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
