#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the native suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

cmake --preset win32 >/dev/null
cmake --build --preset win32
bash scripts/wine-env.sh ctest --preset win32
