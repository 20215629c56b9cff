#!/usr/bin/env bash
# Installs what is missing, builds the plug-in DLL and the test host, and shows the
# plug-in at work under Wine on a virtual display: it flattens the sample message
# with the confirmation answered, prints the message before and after, opens the
# restore dialog, saves a picture of it, restores, and checks that the original is back.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
preset=win32
if ! bash scripts/wine-run.sh --can-run-i386; then
    # Some kernels cannot execute 32-bit x86 code at all; the 64-bit build of the
    # same sources shows the same plug-in.
    echo "demo: this machine cannot run 32-bit x86 code; showing the 64-bit build"
    preset=win64
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target QuenlowPlugin TestHost >/dev/null

mkdir -p build/demo
picture=build/demo/restore-dialog
bash scripts/wine-run.sh "build/$preset/TestHost.exe" demo examples/sample.eml "$picture.bmp"
python3 scripts/bmp2png.py "$picture.bmp" "$picture.png"
echo "Picture of the restore dialog: $picture.png"
