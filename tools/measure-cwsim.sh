#!/usr/bin/env bash
# Measures the beacon sound's cost and timing with the other core busy:
# CPU per transmission on a sound thread, lateness of every note on/off at the
# MIDI output layer over all eighteen beacons, offline rendering speed.
#   tools/measure-cwsim.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target cwsim_bench >/dev/null

# One busy loop to load the other core, stopped by its PID on exit.
bash -c 'while :; do :; done' &
busy=$!
trap 'kill "$busy" 2>/dev/null || true' EXIT

"$build/bench/cwsim/cwsim_bench" --benchmark_counters_tabular=true "${@:2}"
