# Sourced by the project's scripts: the Wine environment and its prefixes.
# Every prefix lives under build/wine so that a clean clone sets itself up.

KORV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KORV_BUILD="$KORV_ROOT/build"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# ja_JP makes Wine's ANSI code page 932, which the program's texts are written in.
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
export WINEARCH=win32

# korv_prefix NAME -> path of a prefix (test: null graphics driver, screen: X11 with
# a virtual desktop for Xvfb, display: X11 on a real display).
korv_prefix() {
    echo "$KORV_BUILD/wine/$1"
}

# korv_ensure_prefix NAME: creates and configures the prefix once.
korv_ensure_prefix() {
    local name="$1"
    local prefix
    prefix="$(korv_prefix "$name")"
    if [ -f "$prefix/.korv-ready" ]; then
        return 0
    fi
    echo "Creating the Wine prefix $prefix (once)..." >&2
    rm -rf "$prefix"
    mkdir -p "$prefix"
    (
        export WINEPREFIX="$prefix"
        DISPLAY= wineboot --init >/dev/null 2>&1 || true
        wineserver -w
        # A crash ends the program with a backtrace instead of a dialog that hangs the run.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        case "$name" in
            test)
                wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
                ;;
            screen)
                wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
                wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
                ;;
        esac
        wineserver -w
        # Without Marlett the caption buttons show as digits.
        if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
            cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
        fi
    )
    touch "$prefix/.korv-ready"
}
