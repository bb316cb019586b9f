#!/usr/bin/env bash
# CPU of live listening: starts a PulseAudio server of its own (a user daemon
# with a null sink whose monitor is offered as an input, a socket in a scratch
# folder, no sound card touched), plays noise into the sink with pacat, and
# runs build/bench/listen-live/listen_live_cpu on that input for SECONDS
# (capture through Qt Multimedia, the slot cutter and the detector). The
# server and the player are stopped by their PIDs.
#   tools/measure-listen-cpu.sh [BUILD_DIR] [SECONDS]   (SKIP_BUILD=1: use the built program as it is)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-60}
[[ -n "${SKIP_BUILD:-}" ]] || cmake --build "$build" --target listen_live_cpu >/dev/null
work=$(mktemp -d)
server_pid= player_pid=
cleanup() {
  [[ -n "$player_pid" ]] && kill "$player_pid" 2>/dev/null || true
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/run" "$work/home"
cat > "$work/server.pa" <<PA
load-module module-null-sink sink_name=orvane_null rate=12000 channels=1
load-module module-remap-source master=orvane_null.monitor source_name=orvane_capture source_properties=device.description=OrvaneCapture
load-module module-native-protocol-unix socket=$work/run/native auth-anonymous=1
PA
XDG_RUNTIME_DIR="$work/run" HOME="$work/home" pulseaudio -n --daemonize=no --system=no --exit-idle-time=-1 \
  --use-pid-file=no -F "$work/server.pa" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do [[ -S "$work/run/native" ]] && break; sleep 0.1; done
[[ -S "$work/run/native" ]] || { echo "pulseaudio did not start:"; tail -5 "$work/server.log"; exit 1; }
export PULSE_SERVER="unix:$work/run/native"
printf 'autospawn = no\n' > "$work/client.conf"
export PULSE_CLIENTCONFIG="$work/client.conf"
# Noise at -20 dBFS or so: what a receiver gives between beacons.
python3 -c '
import random, struct, sys
out = sys.stdout.buffer
r = random.Random(1)
block = b"".join(struct.pack("<h", max(-32768, min(32767, int(r.gauss(0, 3000))))) for _ in range(12000))
while True:
    out.write(block)
' 2>/dev/null | pacat --playback --device=orvane_null --format=s16le --rate=12000 --channels=1 &
player_pid=$!
"$build/bench/listen-live/listen_live_cpu" "$seconds" OrvaneCapture
