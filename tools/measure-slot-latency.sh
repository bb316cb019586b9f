#!/usr/bin/env bash
# How late after its UTC start a new beacon slot is shown, at the tick speeds
# 1000, 750, 500 and 250 ms. Builds and runs bench/app/slot_latency on the
# system clock (offscreen). About 40 s per speed with the default 4 slots.
#   tools/measure-slot-latency.sh [BUILD_DIR] [SLOTS_PER_SPEED]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
slots=${2:-4}
[[ -n "${SKIP_BUILD:-}" ]] || cmake --build "$build" --target slot_latency >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/app/slot_latency" "$slots"
