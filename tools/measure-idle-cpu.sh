#!/usr/bin/env bash
# Idle CPU of the running program: starts orvane under Xvfb in a scratch
# folder, lets it settle, then reads its CPU time over 60 s from /proc.
# Also saves a screenshot of the screen (import -window root).
#   tools/measure-idle-cpu.sh [BUILD_DIR] [SECONDS] [SCREENSHOT.png]   (SKIP_BUILD=1: use the built program as it is)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-60}
shot=${3:-}
[[ -n "${SKIP_BUILD:-}" ]] || cmake --build "$build" --target orvane >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/src/app/orvane" "$work/"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" ORVANE_MESSAGE_LOG="$work/messages.log"
export shot seconds work
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  cd "$work"
  ./orvane & pid=$!
  sleep 5
  ticks=$(getconf CLK_TCK)
  cpu() { awk "{print \$14 + \$15}" /proc/$pid/stat; }
  start=$(cpu); t0=$(date +%s.%N)
  sleep "$seconds"
  end=$(cpu); t1=$(date +%s.%N)
  [[ -n "$shot" ]] && import -window root "$shot"
  kill $pid; wait $pid 2>/dev/null || true
  awk -v a="$start" -v b="$end" -v t0="$t0" -v t1="$t1" -v hz="$ticks" \
    "BEGIN { printf \"idle CPU over %.1f s: %.3f%% of one core (%d ticks)\\n\", t1 - t0, 100 * (b - a) / hz / (t1 - t0), b - a }"
'
[[ -s "$work/messages.log" ]] && { echo "messages shown:"; cat "$work/messages.log"; } || true
