#!/usr/bin/env bash
# Runs each fuzz target for a bounded time from seeds the D88 builder writes.
# Any crash, hang (-timeout), leak, memory blow-up or sanitizer report fails
# the run and leaves the input in build/fuzz/artifacts/: make it a case of
# the ordinary tests before fixing it.
#
#   fuzz/run.sh [SECONDS_PER_TARGET]    (after: cmake --workflow --preset fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=$PWD/build/fuzz
rm -rf "$out/corpus"
mkdir -p "$out/corpus/reader" "$out/corpus/cut" "$out/artifacts"
"$out/fuzz/d88seeds" "$out/corpus/reader" "$out/corpus/cut"

for target in reader cut; do
  echo "fuzz_$target: ${seconds}s"
  log=$out/fuzz_$target.log
  if ! "$out/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
      -detect_leaks=1 -close_fd_mask=3 -print_final_stats=1 \
      -artifact_prefix="$out/artifacts/fuzz_$target-" "$out/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz_$target failed; its input is kept in $out/artifacts/" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log"
done
