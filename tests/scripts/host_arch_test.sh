#!/usr/bin/env bash
# Which Windows architectures the scripts decide to run, on hosts faked through the
# probes: one that runs 32-bit code with wine32, one with IA-32 emulation off, one
# without wine32, one without Wine at all; and the real 32-bit probe itself.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# In the project's build folder: a temporary folder may be mounted noexec, and the
# real probe must be able to run there.
mkdir -p "$here/../../build"
work="$(mktemp -d "$here/../../build/host-arch-test.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export KORV_ARCH_PROBE_DIR="$work/probe"
source "$here/../../scripts/host-arch.sh"

failures=0
check() {
    local what="$1" expected="$2" actual="$3"
    if [ "$expected" != "$actual" ]; then
        echo "FAIL: $what"
        echo "  expected: $(printf '%q' "$expected")"
        echo "  actual:   $(printf '%q' "$actual")"
        failures=$((failures + 1))
    fi
}

# Fakes: a program the kernel runs, one it refuses as a 32-bit Linux binary is
# refused where IA-32 emulation is off, a Wine loader that starts.
printf '#!/bin/sh\nexit 0\n' >"$work/runs"
printf '#!/bin/sh\nexit 126\n' >"$work/exec-format-error"
printf '#!/bin/sh\n[ "$1" = --version ] && echo wine-8.0\n' >"$work/wine64"
chmod +x "$work"/*
runs="$work/runs"
refused="$work/exec-format-error"
missing="$work/no-such-loader"

host() {  # host X86_PROBE WINE32_LOADER WINE64_LOADER
    KORV_X86_PROBE="$1" KORV_X86_LOADER="$2" KORV_WINE64_LOADER="$3" korv_runnable_archs
}
run_arch() {
    KORV_X86_PROBE="$1" KORV_X86_LOADER="$2" KORV_WINE64_LOADER="$3" korv_run_arch
}

check "32-bit host with wine32: both suites" $'x86\nx64' "$(host "$runs" "$runs" "$work/wine64")"
check "32-bit host with wine32: runs x86" x86 "$(run_arch "$runs" "$runs" "$work/wine64")"

plan="$(host "$refused" "$runs" "$work/wine64")"
check "64-bit-only host: x64 only, even with wine32 installed" x64 "$(grep -vx 'skip.*' <<<"$plan")"
check "64-bit-only host: says why x86 is skipped" 1 \
    "$(grep -c '^skip x86 .*cannot execute 32-bit programs' <<<"$plan")"
check "64-bit-only host: runs x64" x64 "$(run_arch "$refused" "$runs" "$work/wine64")"

plan="$(host "$runs" "$missing" "$work/wine64")"
check "32-bit host without wine32: skips x86 naming the package" 1 \
    "$(grep -c '^skip x86 wine32:i386 is not installed' <<<"$plan")"

plan="$(host "$refused" "$missing" "$missing")"
check "no usable Wine: nothing to run" "" "$(grep -vx 'skip.*' <<<"$plan")"
check "no usable Wine: both skipped with reasons" 2 "$(grep -c '^skip x[0-9]* ' <<<"$plan")"
check "no usable Wine: no architecture to start" "" "$(run_arch "$refused" "$missing" "$missing")"

# The real probe: a valid i386 executable that needs nothing installed, and an
# answer that agrees with the i386 loader where one is installed.
korv_write_x86_probe "$work/probe-file"
check "probe is 91 bytes" 91 "$(stat -c %s "$work/probe-file")"
check "probe is an ELF32 i386 executable" "7f454c46010101 0200 0300" \
    "$(od -An -tx1 -N7 "$work/probe-file" | tr -d ' \n') $(od -An -tx1 -j16 -N2 "$work/probe-file" | tr -d ' \n') $(od -An -tx1 -j18 -N2 "$work/probe-file" | tr -d ' \n')"
real=no
korv_host_runs_x86 && real=yes
if [ -x /lib/ld-linux.so.2 ]; then
    loader=no
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 && loader=yes
    check "probe agrees with /lib/ld-linux.so.2" "$loader" "$real"
fi
check "probe leaves no file behind" "" "$(ls -A "$KORV_ARCH_PROBE_DIR")"
echo "this host runs 32-bit code: $real"

if [ $failures -gt 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "all architecture decisions as expected"
