# Sourced by the project's scripts: which Windows architectures this host can run.
#
# Debian 12's Wine runs a 32-bit Windows program only through its 32-bit loader
# (wine32:i386), a 32-bit Linux program; hosts whose kernel has IA-32 emulation off
# run 64-bit code only, so there only the x64 build can run.
#
# KORV_X86_PROBE, KORV_X86_LOADER and KORV_WINE64_LOADER replace the probes (tests fake
# a host with them).

KORV_WINE64_LOADER="${KORV_WINE64_LOADER:-/usr/lib/wine/wine64}"
KORV_ARCH_PROBE_DIR="${KORV_ARCH_PROBE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/probe}"

# korv_write_x86_probe FILE: writes a 91-byte static i386 Linux program that only
# exits with 0. Unlike /lib/ld-linux.so.2 it needs no i386 package installed, so it
# can decide whether wine32 is worth installing at all.
korv_write_x86_probe() {
    # ELF header (52 bytes), one loadable segment (32 bytes), then the code:
    # xor ebx,ebx; xor eax,eax; inc eax; int 0x80 (exit(0)).
    printf '%b' \
        '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
        '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
        '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
        '\x00\x00\x00\x00' \
        '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
        '\x5b\x00\x00\x00\x5b\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
        '\x31\xdb\x31\xc0\x40\xcd\x80' >"$1" && chmod +x "$1"
}

# korv_host_runs_x86: the kernel executes 32-bit programs.
korv_host_runs_x86() {
    if [ -n "${KORV_X86_PROBE:-}" ]; then
        "$KORV_X86_PROBE" >/dev/null 2>&1 </dev/null
        return
    fi
    # In the project's folder: a temporary folder may be mounted noexec.
    local dir="$KORV_ARCH_PROBE_DIR"
    mkdir -p "$dir"
    local file
    file="$(mktemp "$dir/i386-probe.XXXXXX")" || return 1
    local status=0
    korv_write_x86_probe "$file" && "$file" >/dev/null 2>&1 </dev/null || status=1
    rm -f "$file"
    return $status
}

# korv_host_runs_wine32: wine32 is installed and this host can run it.
korv_host_runs_wine32() {
    korv_host_runs_x86 && [ -x "${KORV_X86_LOADER:-/usr/lib/wine/wine}" ]
}

# korv_host_runs_wine64: Wine's 64-bit loader is installed and starts.
korv_host_runs_wine64() {
    [ -x "$KORV_WINE64_LOADER" ] && "$KORV_WINE64_LOADER" --version >/dev/null 2>&1 </dev/null
}

# korv_runnable_archs: the architectures whose Wine suite this host can run, one a
# line, each as "x86" or "x64", or "skip <arch> <reason>" for one it cannot.
korv_runnable_archs() {
    if korv_host_runs_wine32; then
        echo x86
    elif korv_host_runs_x86; then
        echo "skip x86 wine32:i386 is not installed (scripts/install-deps.sh installs it)"
    else
        echo "skip x86 this host cannot execute 32-bit programs (IA-32 emulation is off), so Wine cannot run the x86 build"
    fi
    if korv_host_runs_wine64; then
        echo x64
    else
        echo "skip x64 Wine's 64-bit loader $KORV_WINE64_LOADER is missing or does not start"
    fi
}

# korv_run_arch: the architecture to run the program in, x86 first, or nothing.
korv_run_arch() {
    korv_runnable_archs | grep -m1 -x 'x86\|x64' || true
}
