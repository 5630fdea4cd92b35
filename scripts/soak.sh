#!/usr/bin/env bash
# Two memory soaks of the program, side by side: a 5,000-glyph page under gravity (the benchmarks'
# page, written by qs_write_page) and the text sprayer played from the soak driver's fixed notes over
# the fake MIDI input. Each runs MINUTES (default 15) under Xvfb when it is installed, else on Qt's
# offscreen platform; the resident memory of each is sampled every 30 s. Prints both curves and the
# growth from a third of the run (minute 5 of 15) to its end; the goal is below 10 %.
#
#     scripts/soak.sh [--minutes N] [--build DIR] [--out DIR] [--only page|spray]
#
# Not a test: nothing runs it but a person who wants the figures. Needs the build's qs_soak and
# qs_write_page targets (cmake --build DIR --target qs_soak qs_write_page).
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=15
build=build
out=""
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    *) echo "usage: $0 [--minutes N] [--build DIR] [--out DIR] [--only page|spray]" >&2; exit 2 ;;
  esac
done
soak="$build/bench/soak/qs_soak"
writepage="$build/bench/physics/qs_write_page"
for f in "$soak" "$writepage"; do
  [ -x "$f" ] || { echo "$0: $f missing (build the qs_soak and qs_write_page targets)" >&2; exit 1; }
done
[ -n "$out" ] || out="$(mktemp -d /tmp/qs-soak-run-XXXXXX)"
mkdir -p "$out"
seconds=$((minutes * 60))
samples=$((seconds / 30))

xvfb_pid=""
cleanup() {
  for p in ${pids:-}; do [ "$p" = 0 ] || kill "$p" 2>/dev/null || true; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
if command -v Xvfb >/dev/null 2>&1; then
  display=$((100 + $$ % 800))
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
  export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
  platform="Xvfb :$display"
else
  export QT_QPA_PLATFORM=offscreen
  platform="offscreen"
fi

"$writepage" "$out/page.qsd" 5000 >/dev/null
page_pid=0
spray_pid=0
if [ "$only" != spray ]; then
  "$soak" page "$out/page.qsd" "$((seconds + 120))" >"$out/page.log" 2>&1 &
  page_pid=$!
fi
if [ "$only" != page ]; then
  "$soak" spray "$((seconds + 120))" >"$out/spray.log" 2>&1 &
  spray_pid=$!
fi
pids="$page_pid $spray_pid"
echo "soaking $minutes min on $platform: page pid $page_pid, sprayer pid $spray_pid; logs in $out"

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }
: >"$out/curve.txt"
for ((i = 0; i <= samples; i++)); do
  [ "$i" -eq 0 ] || sleep 30
  line="$((i * 30)) $(rss "$page_pid") $(rss "$spray_pid")"
  echo "$line" >>"$out/curve.txt"
  printf '%5ss  page %8s KiB  sprayer %8s KiB\n' $line
done
# The runs were given time to spare (the samples drift a little past 30 s each): end them now.
for p in $pids; do [ "$p" = 0 ] || kill "$p" 2>/dev/null || true; done
for p in $pids; do [ "$p" = 0 ] || wait "$p" 2>/dev/null || true; done
pids=""

# Growth from a third of the run to its end, for each soak: the samples themselves, and the means of
# the three samples around each point (the sprayer's live memory swings with the sizes and renderers
# of the words alive at the moment of a sample).
awk -v from="$((seconds / 90 * 30))" -v to="$seconds" -v minutes="$minutes" '
  $1 == from { p0 = $2; s0 = $3 }
  { p1 = $2; s1 = $3 }
  $1 >= from - 30 && $1 <= from + 30 { pa += $2; sa += $3; na++ }
  $1 >= to - 60 { pb += $2; sb += $3; nb++ }
  function pct(a, b) { return a ? 100 * (b - a) / a : 0 }
  END {
    printf "growth from minute %g to minute %d (samples; means of three samples):\n", from / 60, minutes
    printf "  page     %d -> %d KiB: %+.1f %%;  %d -> %d KiB: %+.1f %%\n", p0, p1, pct(p0, p1), pa / na, pb / nb, pct(pa / na, pb / nb)
    printf "  sprayer  %d -> %d KiB: %+.1f %%;  %d -> %d KiB: %+.1f %%\n", s0, s1, pct(s0, s1), sa / na, sb / nb, pct(sa / na, sb / nb)
  }' "$out/curve.txt"
