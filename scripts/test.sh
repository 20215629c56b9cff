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

cmake --preset win32 >/dev/null
cmake --build --preset win32
xvfb-run -a bash scripts/wine-env.sh ctest --preset win32
