#!/usr/bin/env bash
# Builds the 32-bit plug-in DLL twice from clean build folders and checks that the
# two are byte for byte the same: no build time, path or other accident of the
# build machine ends up in the file users install.
set -euo pipefail
cd "$(dirname "$0")/.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for n in 1 2; do
    cmake --preset win32 -B "$scratch/build-$n" >/dev/null
    cmake --build "$scratch/build-$n" --target QuenlowPlugin >/dev/null
done
a=$scratch/build-1/QuenlowPlugin.dll
b=$scratch/build-2/QuenlowPlugin.dll
if cmp -s "$a" "$b"; then
    echo "reproducible: two clean builds give the same QuenlowPlugin.dll ($(sha256sum <"$a" | cut -c1-16)...)"
else
    echo "NOT reproducible: the two builds of QuenlowPlugin.dll differ at $(cmp "$a" "$b" | head -1)" >&2
    exit 1
fi
