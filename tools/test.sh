#!/usr/bin/env bash
# Builds and runs every test twice: on the normal build and with AddressSanitizer + UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh build -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build --output-on-failure -j2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
tools/setup.sh build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_SANITIZE=ON -DQV_BUILD_BENCH=OFF
echo "== the same tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
ctest --test-dir build-asan --output-on-failure -j2
