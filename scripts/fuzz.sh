#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them for a bounded time, several at once.
#   scripts/fuzz.sh [seconds]   each target runs for the seconds in fuzz/<name>/seconds when that file
#                               exists, else for the given seconds (default 60); FUZZ_JOBS targets run at
#                               the same time (default 4). Fails when any target finds a failing input.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
SECONDS_DEFAULT=${1:-60}
JOBS=${FUZZ_JOBS:-4}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQS_FUZZ=ON -DQS_BUILD_APP=OFF -DQS_BUILD_TESTS=OFF -DQS_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
targets=(build-fuzz/fuzz/fuzz_*)
[ -e "${targets[0]}" ] || { echo "fuzz: no targets"; exit 0; }
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# Runs one target in a work copy of its seed corpus; its output and exit code go to the log folder.
run_one() {
  local t=$1 name=$2 secs=$3 work
  work=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name"/. "$work"/ 2>/dev/null || true
  set +e
  "$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work" >"$logs/$name.log" 2>&1
  echo $? >"$logs/$name.rc"
  rm -rf "$work"
}

names=()
for t in "${targets[@]}"; do
  name=$(basename "$t")
  name=${name#fuzz_}
  secs=$SECONDS_DEFAULT
  [ -f "fuzz/$name/seconds" ] && secs=$(tr -dc '0-9' <"fuzz/$name/seconds")
  [ "${secs:-0}" -ge 5 ] || secs=5
  while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do sleep 1; done
  echo "fuzz: fuzz_$name for ${secs}s"
  run_one "$t" "$name" "$secs" &
  names+=("$name")
done
wait

failed=0
for name in "${names[@]}"; do
  rc=$(cat "$logs/$name.rc" 2>/dev/null || echo 1)
  echo "---- fuzz_$name (exit $rc)"
  if [ "$rc" -ne 0 ]; then
    tail -n 60 "$logs/$name.log"
    failed=1
  else
    tail -n 15 "$logs/$name.log"
  fi
done
exit "$failed"
