#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test.
#   scripts/test.sh             the normal build (build/)
#   scripts/test.sh --sanitize  the address + undefined-behaviour build (build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

BUILD=build
EXTRA=()
if [ "${1:-}" = "--sanitize" ]; then
  BUILD=build-asan
  EXTRA=(-DQS_SANITIZE=ON -DQS_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
fi

cmake -S . -B "$BUILD" -G Ninja "${EXTRA[@]}" >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)"
