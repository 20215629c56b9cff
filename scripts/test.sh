#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the native suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build
# (the plug-in DLL loaded by a test host, and vornek.exe) under Wine on a virtual
# X display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

# The product is the 32-bit DLL: it is always built, its export table checked,
# and two clean builds of it must give the same bytes.
cmake --preset win32 >/dev/null
cmake --build --preset win32
bash scripts/check-reproducible.sh
if bash scripts/wine-run.sh --can-run-i386; then
    ctest --preset win32
else
    # Some kernels cannot execute 32-bit x86 code at all, not even Wine's loader.
    # The same sources then run the Wine suite as a 64-bit build.
    echo "test: this machine cannot run 32-bit x86 code; the Wine suite runs on the 64-bit build"
    ctest --preset win32 -L static
    cmake --preset win64 >/dev/null
    cmake --build --preset win64
    ctest --preset win64
fi
