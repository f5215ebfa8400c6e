#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) and runs each for SECONDS on its
# committed seeds plus what earlier runs found (build-fuzz/corpus/); fails on the first finding,
# which is saved as build-fuzz/findings/<target>-crash-*. The test command runs it for 30 s per
# target; run it longer on demand: tools/fuzz.sh 3600 [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
CC=clang CXX=clang++ QV_TARGETS=qv_fuzz_targets tools/setup.sh build-fuzz \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ=ON -DQV_BUILD_BENCH=OFF -DQV_WERROR=ON
mapfile -t targets < <(if [ $# -gt 0 ]; then printf '%s\n' "$@"; else cat build-fuzz/fuzz_targets.txt; fi)
mkdir -p build-fuzz/findings

# One target: its own corpus folder first (libFuzzer adds new inputs there), then the seeds.
run() {
  local t=$1 corpus=build-fuzz/corpus/$1 log=build-fuzz/$1.log
  mkdir -p "$corpus"
  local status=0
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build-fuzz/tests/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t-" \
    "$corpus" "tests/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ "$status" -ne 0 ]; then
    echo "fuzz $t: FINDING (exit $status), the input is in build-fuzz/findings/; end of $log:"
    tail -25 "$log"
    return 1
  fi
  echo "fuzz $t: ${runs:-?} executions in $seconds s, corpus $(ls "$corpus" | wc -l) inputs, no finding"
}

# Two at a time, one per core.
failed=0
pids=()
for t in "${targets[@]}"; do
  run "$t" &
  pids+=($!)
  if [ ${#pids[@]} -eq 2 ]; then
    for p in "${pids[@]}"; do wait "$p" || failed=1; done
    pids=()
  fi
done
for p in "${pids[@]}"; do wait "$p" || failed=1; done
exit $failed
