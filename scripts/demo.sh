#!/usr/bin/env bash
# Installs what is missing, builds, and shows the flattening on the sample message.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target vornek >/dev/null

sample=examples/sample.eml
echo "=== Before: $sample ($(wc -l <"$sample") lines) ==="
cat "$sample"
echo
echo "=== After: vornek flatten $sample ==="
status=0
build/native/vornek flatten "$sample" || status=$?
echo
echo "=== vornek exited with $status (0: rewritten, 1: left unchanged, 2: error) ==="
