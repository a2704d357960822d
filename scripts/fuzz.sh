#!/usr/bin/env bash
# Runs every libFuzzer target of BUILD_DIR (default build-fuzz) for FUZZ_SECONDS each (default 60),
# starting from the kept seeds in tests/fuzz/corpus/<target>/. New inputs go to a scratch corpus
# under the build folder, so the kept seeds stay as they are. Exits non-zero when a target finds
# a crash, a leak, undefined behaviour or a timeout; the input is written to
# BUILD_DIR/fuzz-findings/<target>/ and the summary names it.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$here/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
failed=0
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
for binary in "$build"/tests/fuzz/*_fuzz; do
  target=$(basename "$binary" _fuzz)
  scratch="$build/fuzz-corpus/$target"
  findings="$build/fuzz-findings/$target"
  mkdir -p "$scratch" "$findings"
  log="$build/fuzz-findings/$target.log"
  "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$scratch" "$here/tests/fuzz/corpus/$target" >"$log" 2>&1
  code=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -n 1)
  if [ "$code" -eq 0 ]; then
    echo "fuzz $target: ${runs:-?} executions in ${seconds}s, nothing found"
  else
    echo "fuzz $target: FAILED after ${runs:-?} executions (exit $code); see $log"
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -n 5
    failed=1
  fi
done
exit "$failed"
