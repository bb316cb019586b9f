#!/usr/bin/env bash
# Resident memory of the running program with a large map: starts orvane
# under Xvfb in a scratch folder with a window whose map is at least
# 1920 x 960 (map-only view, twilight on, a station set), lets it draw,
# then reads VmRSS and its peak VmHWM from /proc. Also saves a screenshot.
#   tools/measure-map-memory.sh [BUILD_DIR] [SCREENSHOT.png]   (SKIP_BUILD=1: use the built program as it is)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shot=${2:-}
[[ -n "${SKIP_BUILD:-}" ]] || cmake --build "$build" --target orvane >/dev/null
work=$(mktemp -d)
source tools/virtual-display.sh
trap 'stop_virtual_display; rm -rf "$work"' EXIT
cp "$build/src/app/orvane" "$work/"
mkdir -m 700 "$work/runtime"
printf '[Orvane]\nLeft=0\nTop=0\nWidth=1940\nHeight=990\nMapOnly=1\nTwilight=1\nLocator=JO22\n' > "$work/orvane.INI"
export XDG_RUNTIME_DIR="$work/runtime" ORVANE_MESSAGE_LOG="$work/messages.log"
export shot work
start_virtual_display "$work" 2560x1440
bash -c '
  cd "$work"
  ./orvane & pid=$!
  sleep 5
  [[ -n "$shot" ]] && import -window root "$shot"
  grep -E "^(VmRSS|VmHWM):" /proc/$pid/status
  kill $pid; wait $pid 2>/dev/null || true
'
[[ -s "$work/messages.log" ]] && { echo "messages shown:"; cat "$work/messages.log"; } || true
