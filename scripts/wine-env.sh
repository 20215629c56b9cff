#!/usr/bin/env bash
# Runs a command with a private, initialised Wine prefix under build/, quietly.
# Usage: scripts/wine-env.sh COMMAND...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
fi
exec "$@"
