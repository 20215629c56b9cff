#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine, as root; installs
# nothing that is already there.
set -euo pipefail

packages=(
    g++ cmake ninja-build libgtest-dev           # native build and unit tests
    clang libclang-rt-dev                        # libFuzzer, matching the default clang
    g++-mingw-w64-i686 binutils-mingw-w64-i686   # the 32-bit Windows DLL and tools
    g++-mingw-w64-x86-64                         # a 64-bit build, for machines without 32-bit
    wine wine32:i386 wine64 xvfb xauth           # running them under Wine, headless
    fonts-ipafont-gothic                         # a Japanese font for the dialog
    python3 time                                 # benchmark, corpus check
    procmail                                     # the README's mail-filter recipe
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: these packages are missing; run as root to install them: ${missing[*]}" >&2
    exit 1
fi
echo "install-deps: installing ${missing[*]}"
dpkg --add-architecture i386
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
