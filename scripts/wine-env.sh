# Sourced by the project's scripts: the Wine environment and its prefixes.
# Every prefix lives under build/wine so that a clean clone sets itself up.

KORV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KORV_BUILD="$KORV_ROOT/build"
source "$KORV_ROOT/scripts/host-arch.sh"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# ja_JP makes Wine's ANSI code page 932, which the program's texts are written in.
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

# korv_build_dir ARCH -> the build folder of an architecture.
korv_build_dir() {
    case "$1" in
        x86) echo "$KORV_BUILD" ;;
        x64) echo "$KORV_BUILD/x64" ;;
        *) echo "korv_build_dir: unknown architecture '$1'" >&2; return 1 ;;
    esac
}

# korv_use_arch ARCH: sets up this shell to run Wine for x86 or x64. Afterwards
# "$KORV_WINE" is the loader to call. For x64 the 64-bit loader is named
# explicitly: Debian's wine wrapper prefers the 32-bit loader whenever wine32 is
# installed, even on a host that cannot run it. A shim folder on PATH points the
# wrappers that call "wine" (wineboot, winepath, ...) at the same loader.
korv_use_arch() {
    KORV_ARCH="$1"
    case "$KORV_ARCH" in
        x86)
            export WINEARCH=win32
            unset WINELOADER
            KORV_WINE=wine
            ;;
        x64)
            export WINEARCH=win64
            export WINELOADER="$KORV_WINE64_LOADER"
            KORV_WINE="$KORV_WINE64_LOADER"
            local shim="$KORV_BUILD/wine/bin-x64"
            if [ ! -x "$shim/wine" ]; then
                mkdir -p "$shim"
                for name in wine wine-stable wine64; do
                    printf '#!/bin/sh\nexec "%s" "$@"\n' "$KORV_WINE64_LOADER" >"$shim/$name"
                    chmod +x "$shim/$name"
                done
            fi
            case ":$PATH:" in
                *":$shim:"*) ;;
                *) export PATH="$shim:$PATH" ;;
            esac
            ;;
        *)
            echo "korv_use_arch: unknown architecture '$KORV_ARCH'" >&2
            return 1
            ;;
    esac
}

# korv_prefix NAME [ARCH] -> path of a prefix (test: null graphics driver, screen:
# X11 with a virtual desktop for Xvfb, display: X11 on a real display). A name with
# a DPI after a dash (test-144, screen-192) is that prefix with the display scale
# of that many dots per inch. Each architecture has prefixes of its own; ARCH
# defaults to the one in use.
korv_prefix() {
    local arch="${2:-${KORV_ARCH:-x86}}"
    if [ "$arch" = x64 ]; then
        echo "$KORV_BUILD/wine/$1-x64"
    else
        echo "$KORV_BUILD/wine/$1"
    fi
}

# korv_wine_step TEXT COMMAND...: runs a set-up step, saying what failed if it does.
korv_wine_step() {
    local what="$1"
    shift
    local log
    log="$(mktemp)"
    local status=0
    "$@" >"$log" 2>&1 </dev/null || status=$?
    if [ $status -ne 0 ]; then
        echo "Wine set-up failed ($what, exit $status): $*" >&2
        tail -n 20 "$log" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}

# korv_font_links PREFIX: lets the prefix draw every character that some font on the
# system has. Wine's own links name Windows font files that a Debian prefix lacks, so
# Hangul would show as boxes in the UI fonts. GDI (ExtTextOutW, DrawTextW, the list
# view) follows HKLM ...\FontLink\SystemLink\<face>, keyed by the full name of the
# face Wine really draws with: the program's faces (ＭＳ ゴシック, ＭＳ Ｐゴシック, MS UI
# Gothic) are substitutes for VL Gothic and VL PGothic, and Wine ignores links keyed
# by a substitute's name. IPA Gothic's names are there for fonts that resolve to it,
# in the Japanese and the English form Wine may give. Files that are missing are
# skipped by Wine. Characters beyond the basic plane (𠮷, emoji) are beyond GDI's
# lookup; Uniscribe takes those that the font lacks from its fallback face for them,
# "0", and VL Gothic has 𠮷 and the common emoji.
korv_font_links() {
    local prefix="$1"
    # The marker names this set of links; a prefix with an older one gets them anew.
    local marker="$prefix/.korv-fonts-1"
    if [ -f "$marker" ]; then
        return 0
    fi
    (
        export WINEPREFIX="$prefix"
        links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
        # After the other Japanese face: Hangul and Chinese, then other scripts.
        rest='wqy-microhei.ttc,WenQuanYi Micro Hei\0DejaVuSans.ttf,DejaVu Sans'
        link() {
            korv_wine_step "font link $1" "$KORV_WINE" reg add "$links" /v "$1" \
                /t REG_MULTI_SZ /d "$2\0$rest" /f
        }
        link 'VL Gothic Regular' 'ipag.ttf,IPAGothic' || exit 1
        link 'VL PGothic Regular' 'ipagp.ttf,IPAPGothic' || exit 1
        for face in 'IPAゴシック' 'IPAGothic'; do
            link "$face" 'VL-Gothic-Regular.ttf,VL Gothic' || exit 1
        done
        for face in 'IPA Pゴシック' 'IPAPGothic'; do
            link "$face" 'VL-PGothic-Regular.ttf,VL PGothic' || exit 1
        done
        korv_wine_step "Uniscribe fallback" "$KORV_WINE" reg add \
            'HKCU\Software\Wine\Uniscribe\Fallback' /v 0 /t REG_SZ /d 'VL Gothic' /f
    ) || {
        echo "Could not set the font links of the Wine prefix $prefix." >&2
        return 1
    }
    touch "$marker"
}

# korv_ensure_prefix NAME: creates and configures the prefix of the architecture in
# use (korv_use_arch) once, and brings the fonts of an existing one up to date.
korv_ensure_prefix() {
    local name="$1"
    local kind="${name%%-*}"
    local dpi=""
    case "$name" in
        *-[0-9]*) dpi="${name##*-}" ;;
    esac
    local prefix
    prefix="$(korv_prefix "$name")"
    # The marker names the set-up's version: a prefix made by an older one is made anew.
    local marker="$prefix/.korv-ready-2"
    if [ -f "$marker" ]; then
        korv_font_links "$prefix"
        return
    fi
    echo "Creating the $KORV_ARCH Wine prefix $prefix (once)..." >&2
    rm -rf "$prefix"
    mkdir -p "$prefix"
    (
        set -e
        export WINEPREFIX="$prefix"
        # wineboot reports harmless trouble (no rundll32 for syswow64) with a
        # non-zero code; the registry writes below show whether the prefix works.
        DISPLAY= "$KORV_WINE" wineboot --init >/dev/null 2>&1 </dev/null || true
        wineserver -w
        # Each step ends the set-up when it fails: "set -e" has no effect here when
        # the caller tests this function's status (korv_ensure_prefix ... || exit).
        reg() {
            korv_wine_step "registry $2" "$KORV_WINE" reg add "$@" /f || exit 1
        }
        # A crash ends the program with a backtrace instead of a dialog that hangs the run.
        reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
        # The program's fonts are the Japanese system fonts. Without them Wine falls
        # back to a font whose underscore lies below the text row, so names such as
        # offspring_id read "offspring id"; VL Gothic draws every character inside.
        local substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
        local face
        for face in 'ＭＳ ゴシック' 'MS Gothic'; do
            reg "$substitutes" /v "$face" /t REG_SZ /d 'VL Gothic'
        done
        for face in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic'; do
            reg "$substitutes" /v "$face" /t REG_SZ /d 'VL PGothic'
        done
        case "$kind" in
            test)
                reg 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null
                ;;
            screen)
                reg 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default
                reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768
                ;;
        esac
        # The display scale: Wine hands this DPI to the programs of the prefix, as
        # Windows does at 125 % (120), 150 % (144) or 200 % (192).
        if [ -n "$dpi" ]; then
            reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi"
            reg 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
                /v LogPixels /t REG_DWORD /d "$dpi"
        fi
        wineserver -w
        # Without Marlett the caption buttons show as digits.
        if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
            cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" || exit 1
        fi
    ) || {
        echo "Could not create the Wine prefix $prefix." >&2
        return 1
    }
    touch "$marker"
    korv_font_links "$prefix"
}
