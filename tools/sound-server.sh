# A PulseAudio sound server of the measurement's own, as a desktop has one:
# a user daemon (also when run as root: --system=no) with its runtime and
# home folders under the given folder, one null sink "orvane_null" (44.1 kHz
# stereo, a desktop's usual sink) that the sink's own idle suspension puts to
# sleep when no stream plays (module-suspend-on-idle, as on a desktop), the
# native protocol on a socket in that folder only. It touches no sound card
# and no other server. Sourced by the measurement scripts:
#   start_sound_server DIR   exports PULSE_SERVER and PULSE_CLIENTCONFIG, sets sound_server_pid
#   stop_sound_server        ends it by its PID
#   sink_state               RUNNING, IDLE or SUSPENDED
#   server_cpu_ticks         user+system clock ticks the server has used

start_sound_server() {
  local dir=$1
  command -v pulseaudio >/dev/null && command -v pactl >/dev/null ||
    { echo "pulseaudio and pactl are needed (tools/install-deps.sh installs them)" >&2; return 1; }
  mkdir -p "$dir/pulse-run" "$dir/pulse-home"
  chmod 700 "$dir/pulse-run"
  cat >"$dir/server.pa" <<EOF
load-module module-null-sink sink_name=orvane_null rate=44100 channels=2
load-module module-suspend-on-idle timeout=1
load-module module-native-protocol-unix socket=$dir/pulse-run/native auth-anonymous=1
EOF
  echo "autospawn = no" >"$dir/client.conf"
  env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR="$dir/pulse-run" HOME="$dir/pulse-home" \
    pulseaudio -n --daemonize=no --system=no --exit-idle-time=-1 --use-pid-file=no \
    --log-target=file:"$dir/server.log" -F "$dir/server.pa" &
  sound_server_pid=$!
  export PULSE_SERVER="unix:$dir/pulse-run/native" PULSE_CLIENTCONFIG="$dir/client.conf"
  local i
  for ((i = 0; i < 150; i++)); do   # at most 15 s
    [[ -S "$dir/pulse-run/native" ]] && pactl info >/dev/null 2>&1 && return 0
    kill -0 "$sound_server_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the sound server did not come up:" >&2
  tail -5 "$dir/server.log" >&2 || true
  stop_sound_server
  return 1
}

stop_sound_server() {
  [[ -n "${sound_server_pid:-}" ]] || return 0
  kill "$sound_server_pid" 2>/dev/null || true
  wait "$sound_server_pid" 2>/dev/null || true
  sound_server_pid=
}

sink_state() { pactl list sinks short 2>/dev/null | awk '$2 == "orvane_null" { print $NF }'; }

server_cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$sound_server_pid/stat"; }
