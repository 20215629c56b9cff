#!/usr/bin/env bash
# Installs what is missing, builds the plug-in DLL and the test host, and shows the
# plug-in at work under Wine on a virtual display: it flattens the sample message
# with the confirmation answered, prints the message before and after, opens the
# restore dialog, saves a picture of it, restores, and checks that the original is back.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target QuenlowPlugin TestHost >/dev/null

mkdir -p build/demo
picture=build/demo/restore-dialog
xvfb-run -a -s "-screen 0 1024x768x24" \
    bash scripts/wine-env.sh wine build/win32/TestHost.exe demo examples/sample.eml "$picture.bmp"
python3 scripts/bmp2png.py "$picture.bmp" "$picture.png"
echo "Picture of the restore dialog: $picture.png"
