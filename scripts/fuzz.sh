#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (default 60 s each).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
SECONDS_TOTAL=${1:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQS_FUZZ=ON -DQS_BUILD_APP=OFF -DQS_BUILD_TESTS=OFF -DQS_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
targets=(build-fuzz/fuzz/fuzz_*)
[ -e "${targets[0]}" ] || { echo "fuzz: no targets"; exit 0; }
per=$SECONDS_TOTAL
[ "$per" -ge 5 ] || per=5
for t in "${targets[@]}"; do
  name=$(basename "$t")
  corpus=fuzz/corpus/${name#fuzz_}
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  echo "fuzz: $name for ${per}s"
  "$t" -max_total_time="$per" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work" 2>&1 | tail -n 15
  rm -rf "$work"
done
