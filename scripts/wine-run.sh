#!/usr/bin/env bash
# Runs one Windows program under Wine with the project's private prefix, on a
# virtual X display when there is none. CTest uses it as the emulator of the
# Windows builds, so `ctest --preset win32` works by itself.
# Usage: scripts/wine-run.sh [--no-display] PROGRAM.exe [ARGS...]
#        scripts/wine-run.sh --can-run-i386   (exit 0 when 32-bit code runs here)
# With --no-display a console program runs without a virtual display, and the Wine
# server it starts stays up for the next call: a script that runs it many times
# then pays for Wine's start once.
#
# The prefix is set up like a Japanese desktop for the plug-in's dialog: the
# dialog font "ＭＳ Ｐゴシック" is served by IPAPGothic from Debian's fonts-ipafont-gothic,
# and Wine draws window frames itself, as there is no window manager on the
# virtual X display. It is marked ready only once every step has worked, so a
# failed set-up is tried again next time instead of being kept.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts

# Debian's `wine` always starts the 32-bit loader when wine32 is installed; the
# 64-bit one is called by its own name.
wine32=wine
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)

if [ "${1:-}" = "--can-run-i386" ]; then
    # Some kernels (and virtual machines) cannot execute 32-bit x86 code at all.
    exec "$wine32" --version >/dev/null 2>&1
fi
display=yes
if [ "${1:-}" = "--no-display" ]; then
    display=no
    shift
fi
[ $# -ge 1 ] || { echo "usage: wine-run.sh [--no-display] PROGRAM.exe [ARGS...]" >&2; exit 2; }

if [ "$display" = yes ] && [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

# The PE machine field says which loader the program needs.
machine=$(od -An -tx2 -j "$(( $(od -An -tu4 -j 60 -N 4 "$1") + 4 ))" -N 2 "$1" | tr -d ' ')
case "$machine" in
    8664) loader=$wine64 ;;
    *) loader=$wine32 ;;
esac

setup_prefix() {
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # A prefix made by the 64-bit loader serves 32-bit programs too.
    local boot=$wine32
    [ -x "$wine64" ] && boot=$wine64
    "$boot" wineboot --init >/dev/null 2>&1
    wineserver -w
    python3 - "$WINEPREFIX/vornek.reg" <<'PY'
import sys
text = (
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"
    "\"\uff2d\uff33 \uff30\u30b4\u30b7\u30c3\u30af\"=\"IPAPGothic\"\r\n"
    "\"MS PGothic\"=\"IPAPGothic\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"
    "\"Managed\"=\"N\"\r\n"
    "\"Decorated\"=\"N\"\r\n"
)
open(sys.argv[1], "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
PY
    "$boot" regedit /S "$WINEPREFIX/vornek.reg" >/dev/null 2>&1
    # The caption buttons are drawn with Marlett, which a fresh prefix may not find.
    local marlett=/usr/share/wine/fonts/marlett.ttf
    if [ -f "$marlett" ]; then cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
    wineserver -w
    [ -d "$WINEPREFIX/drive_c/windows" ] && touch "$WINEPREFIX/.vornek-ready"
}

mkdir -p "$root/build"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.vornek-ready" ]; then
        setup_prefix || { echo "wine-run: cannot set up the Wine prefix $WINEPREFIX" >&2; exit 2; }
    fi
) 9>"$root/build/.wineprefix.lock"

if [ "$display" = no ]; then
    exec "$loader" "$@"
fi
# A Wine server left by an earlier program may hold another display.
wineserver -k >/dev/null 2>&1 || true
status=0
"$loader" "$@" || status=$?
# End Wine's background processes while the display is still there.
wineserver -k >/dev/null 2>&1 || true
exit "$status"
