#!/usr/bin/env bash
# How long the window takes to appear: from starting orvane to its main
# window being mapped on the screen (xwininfo: "IsViewable"), looked at every
# 10 ms, under Xvfb, with a PulseAudio server of its own running
# (tools/sound-server.sh) as on a desktop. One start first warms the file
# cache and is not counted; each run has fresh settings in a scratch folder.
# Prints every run, the median and the best, the CPU time the program had
# used by then (a busy machine stretches the wall time, much less the CPU
# time), and its resident memory 3 s after its window appeared (the last run).
#   tools/measure-window-start.sh [BUILD_DIR] [RUNS]
#   SKIP_BUILD=1: use the built program as it is; ORVANE=FILE: measure that
#   program instead; NO_SOUND_SERVER=1: without a sound server
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
program=${ORVANE:-$build/src/app/orvane}
[[ -n "${SKIP_BUILD:-}" || -n "${ORVANE:-}" ]] || cmake --build "$build" --target orvane >/dev/null
work=$(mktemp -d)
source tools/sound-server.sh
source tools/virtual-display.sh
trap 'stop_virtual_display; stop_sound_server; rm -rf "$work"' EXIT
cp "$program" "$work/orvane"
[[ -n "${NO_SOUND_SERVER:-}" ]] || start_sound_server "$work"

export work runs
start_virtual_display "$work" 1024x768
bash -c '
  one() {  # prints milliseconds from exec to the window mapped
    local dir=$work/run$1 t0 t1 i pid
    mkdir -p "$dir/runtime" && chmod 700 "$dir/runtime" && cp "$work/orvane" "$dir/"
    cd "$dir"
    t0=$(date +%s%N)
    XDG_RUNTIME_DIR=$dir/runtime ORVANE_MESSAGE_LOG=$dir/messages.log ./orvane & pid=$!
    for ((i = 0; i < 3000; i++)); do   # at most about 30 s
      xwininfo -name "Orvane ++" 2>/dev/null | grep -q IsViewable && break
      sleep 0.01
    done
    t1=$(date +%s%N)
    cpu=$(awk "{ print (\$14 + \$15) * 1000 / $(getconf CLK_TCK) }" /proc/$pid/stat)
    if (($1 == runs)); then
      sleep 3
      rss=$(awk "/^VmRSS/ { printf \"%.1fMB\", \$2 / 1024 }" /proc/$pid/status)
    fi
    kill $pid; wait $pid 2>/dev/null || true
    cd "$work"
    echo "$(((t1 - t0) / 1000000)) $cpu ${rss:-}"
  }
  one 0 >/dev/null   # warms the cache
  times=() cpus=()
  for ((n = 1; n <= runs; n++)); do
    read -r ms cpu rss < <(one $n)
    times+=("$ms")
    cpus+=("$cpu")
    echo "run $n: window shown after $ms ms, $cpu ms of CPU used by then"
  done
  echo "resident memory 3 s after the window of run $runs appeared: $rss"
  sorted=($(printf "%s\n" "${times[@]}" | sort -n))
  echo "median ${sorted[$((runs / 2))]} ms, best ${sorted[0]} ms over $runs runs"
  sorted=($(printf "%s\n" "${cpus[@]}" | sort -n))
  echo "CPU used until the window appeared: median ${sorted[$((runs / 2))]} ms, best ${sorted[0]} ms (less hurt by a busy machine than the wall time)"
'
