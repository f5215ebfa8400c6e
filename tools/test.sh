#!/usr/bin/env bash
# Builds and runs every test: the normal build, host threads and the editor thread on one
# instance under ThreadSanitizer, each fuzz target for a bounded time, the Windows build
# (cross-compiled) under Wine, then everything under AddressSanitizer + UBSan (last, so the run
# closes on the test summary).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh build -DCMAKE_BUILD_TYPE=Release -DQV_WERROR=ON
ctest --test-dir build --output-on-failure -j2
# The widest render path the processor runs is the default; the narrower ones must pass too.
# The live tests on audio servers of their own take the same host path whatever the render path.
for path in sse2 avx2; do
  echo "== the same tests with the $path render path forced =="
  QUORVANTEL_SIMD=$path ctest --test-dir build --output-on-failure -j2 -E '^(LiveOn|LiveEditor|EditAudio)'
done
echo "== the LV2 bundle in real hosts =="
tools/test-lv2.sh build

echo "== the Debian package, tools/install.sh and tools/uninstall.sh =="
tools/test-packaging.sh

echo "== host threads and the editor thread on one instance under ThreadSanitizer =="
QV_TARGETS=instance_stress tools/setup.sh build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQV_TSAN=ON -DQV_BUILD_BENCH=OFF -DQV_WERROR=ON
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  build-tsan/tests/stress/instance_stress --seconds 45

echo "== fuzz targets =="
tools/fuzz.sh 30

tools/test-windows.sh

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
tools/setup.sh build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_SANITIZE=ON -DQV_BUILD_BENCH=OFF -DQV_WERROR=ON
echo "== the same tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
ctest --test-dir build-asan --output-on-failure -j2
