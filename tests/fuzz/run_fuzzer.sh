#!/usr/bin/env bash
# Builds the libFuzzer target and runs it for a bounded time (default 60 s).
# Usage: tests/fuzz/run_fuzzer.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target flatten_fuzzer
# The seeds stay as committed; what the run finds goes to a scratch folder.
scratch=tests/fuzz/corpus-run
mkdir -p "$scratch"
log=build/fuzz/last-run.log
status=0
build/fuzz/flatten_fuzzer -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -dict=tests/fuzz/mime.dict "$scratch" tests/fuzz/corpus >"$log" 2>&1 || status=$?
# The progress lines are many; the end of the log holds the stats or the crash.
tail -n 40 "$log"
echo "fuzzing: exit $status (full log: $log)"
exit "$status"
