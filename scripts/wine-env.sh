#!/usr/bin/env bash
# Runs a command with a private, initialised Wine prefix under build/, quietly.
# Usage: scripts/wine-env.sh COMMAND...
#
# The prefix is set up like a Japanese desktop for the plug-in's dialog: the
# dialog font "ＭＳ Ｐゴシック" is served by IPAPGothic from Debian's fonts-ipafont-gothic,
# and Wine draws window frames itself, as there is no window manager on the
# virtual X display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts
if [ ! -f "$WINEPREFIX/.vornek-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
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
    wine regedit /S "$WINEPREFIX/vornek.reg" >/dev/null 2>&1 || true
    # The caption buttons are drawn with Marlett, which a fresh prefix may not find.
    marlett=/usr/share/wine/fonts/marlett.ttf
    [ -f "$marlett" ] && cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/" || true
    wineserver -w || true
    touch "$WINEPREFIX/.vornek-ready"
fi
status=0
"$@" || status=$?
# End Wine's background processes while the display is still there.
wineserver -k >/dev/null 2>&1 || true
exit "$status"
