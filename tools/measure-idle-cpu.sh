#!/usr/bin/env bash
# Idle CPU and memory of the running program as a desktop runs it: with a
# sound server. Starts a PulseAudio server of its own with a null sink
# (tools/sound-server.sh), measures the machine without the program (the
# server's CPU over the same time), then starts orvane under Xvfb in a
# scratch folder, lets it settle and reads its CPU time over SECONDS from
# /proc, with the server's beside it, its resident memory and the sink's
# state (SUSPENDED: no stream is open). Then, when xdotool is there, switches
# "Simulate Beacons" on from the map's menu and measures again over whole
# transmissions (each from its slot's start to 7 s later). Before that, on the
# same server, bench/cwsim's cwsim_sound_bench times the first note of a
# transmission with the output held open and opened on demand.
# Also saves a screenshot of the screen (import -window root).
#   tools/measure-idle-cpu.sh [BUILD_DIR] [SECONDS] [SCREENSHOT.png]
#   SKIP_BUILD=1: use the built program as it is; ORVANE=FILE: measure that
#   program instead; NO_SOUND_SERVER=1: without a sound server;
#   TRANSMISSIONS=N: transmissions measured while playing (3; 0: none)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-30}
shot=${3:-}
program=${ORVANE:-$build/src/app/orvane}
[[ -n "${SKIP_BUILD:-}" || -n "${ORVANE:-}" ]] || cmake --build "$build" --target orvane cwsim_sound_bench >/dev/null
work=$(mktemp -d)
source tools/sound-server.sh
source tools/virtual-display.sh
trap 'stop_virtual_display; stop_sound_server; rm -rf "$work"' EXIT
cp "$program" "$work/orvane"
mkdir -m 700 "$work/runtime"

ticks=$(getconf CLK_TCK)
percent() { awk -v t="$1" -v s="$2" -v hz="$ticks" 'BEGIN { printf "%.3f%%", 100 * t / hz / s }'; }

if [[ -z "${NO_SOUND_SERVER:-}" ]]; then
  start_sound_server "$work"
  a=$(server_cpu_ticks); t0=$(date +%s.%N)
  sleep "$seconds"
  b=$(server_cpu_ticks); t1=$(date +%s.%N)
  span=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
  printf 'reference, no program (%.1f s): sound server %s of one core, sink %s\n' \
    "$span" "$(percent $((b - a)) "$span")" "$(sink_state)"
  # The first note of a transmission: held open as before, opened on demand.
  bench=$build/bench/cwsim/cwsim_sound_bench
  if [[ -x "$bench" ]]; then
    echo "first note on time (late_ms: note on sent minus due; open_ms: the stream's open; load_ms: the soundfont's):"
    "$bench" --benchmark_counters_tabular=true 2>/dev/null | grep -E "^Benchmark|^BM_"
  fi
fi

export XDG_RUNTIME_DIR="$work/runtime" ORVANE_MESSAGE_LOG="$work/messages.log"
export shot seconds work ticks sound_server_pid="${sound_server_pid:-}" transmissions=${TRANSMISSIONS:-3}
start_virtual_display "$work" 1024x768
bash -c '
  source tools/sound-server.sh
  percent() { awk -v t="$1" -v s="$2" -v hz="$ticks" "BEGIN { printf \"%.3f%%\", 100 * t / hz / s }"; }
  cpu() { awk "{ print \$14 + \$15 }" /proc/$pid/stat; }
  server() { if [[ -n "$sound_server_pid" ]]; then server_cpu_ticks; else echo 0; fi; }
  rss() { awk "/^VmRSS/ { printf \"%.1f MB\", \$2 / 1024 }" /proc/$pid/status; }
  measure() {  # label seconds: CPU of the program and the server over that time
    local a s t0 b r t1 span
    a=$(cpu); s=$(server); t0=$(date +%s.%N)
    sleep "$2"
    b=$(cpu); r=$(server); t1=$(date +%s.%N)
    span=$(awk -v a="$t0" -v b="$t1" "BEGIN { print b - a }")
    printf "%s (%.1f s): program %s of one core (%d ticks), sound server %s, program RSS %s, sink %s\n" \
      "$1" "$span" "$(percent $((b - a)) "$span")" $((b - a)) "$(percent $((r - s)) "$span")" "$(rss)" \
      "${sound_server_pid:+$(sink_state)}"
  }
  cd "$work"
  ./orvane & pid=$!
  for ((i = 0; i < 300; i++)); do   # the window, at most 30 s
    xwininfo -name "Orvane ++" 2>/dev/null | grep -q IsViewable && break
    sleep 0.1
  done
  sleep 5
  measure "idle window" "$seconds"
  [[ -n "$shot" ]] && import -window root "$shot"
  if ((transmissions > 0)) && command -v xdotool >/dev/null && [[ -n "$sound_server_pid" ]]; then
    # "Simulate Beacons" (the eighth item of the map menu) on and off.
    window=$(xdotool search --name "^Orvane \+\+$" | head -1)
    simulate() {
      xdotool mousemove --window "$window" 200 200 click 3
      sleep 0.5
      xdotool key --delay 50 Down Down Down Down Down Down Down Down Return
    }
    simulate
    total=0; used=0; server_used=0
    for ((n = 0; n < transmissions; n++)); do
      # From the next slot start (the 10 s boundary) to 7 s later: one transmission at speed 48.
      now=$(date +%s.%N)
      sleep "$(awk -v t="$now" "BEGIN { printf \"%.3f\", 10 - (t - 10 * int(t / 10)) + 0.05 }")"
      a=$(cpu); s=$(server); t0=$(date +%s.%N)
      sleep 3.5
      state=$(sink_state)
      sleep 3.5
      b=$(cpu); r=$(server); t1=$(date +%s.%N)
      total=$(awk -v x="$total" -v a="$t0" -v b="$t1" "BEGIN { print x + b - a }")
      used=$((used + b - a)); server_used=$((server_used + r - s))
    done
    printf "while playing (%d transmissions, %.1f s): program %s of one core (%d ticks), sound server %s, program RSS %s, sink %s in the middle of the last one\n" \
      "$transmissions" "$total" "$(percent "$used" "$total")" "$used" "$(percent "$server_used" "$total")" "$(rss)" "$state"
    [[ "$state" == RUNNING ]] || echo "(the sink was not running: the simulation may not have been switched on)"
    simulate
    sleep 3
    measure "idle again, simulation switched off" 10
  fi
  kill $pid; wait $pid 2>/dev/null || true
'
[[ -s "$work/messages.log" ]] && { echo "messages shown:"; cat "$work/messages.log"; } || true
