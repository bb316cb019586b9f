#!/usr/bin/env bash
# Asks a local chronyd (Debian's, unpacked by tools/install-deps.sh, run in
# the foreground with -x so it never touches this machine's clock) RUNS times
# with orvane-cli time --proto ntp, and prints the median offset and delay.
# chronyd serves this machine's own clock, so the offset measures only the
# client's error. The goal: |median offset| <= 2 ms and median delay <= 2 ms
# on loopback. A benchmark, not a test: the exit status says whether the goal
# was met.
#
# Usage: tools/measure-ntp.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=${1:-build}
runs=${2:-20}
cli="$build/src/app/cli/orvane-cli"
chronyd=${ORVANE_CHRONYD:-${ORVANE_TEST_TOOLS:-/opt/orvane-test-tools}/chrony/usr/sbin/chronyd}
[[ -x "$cli" ]] || { echo "build the target orvane-cli first" >&2; exit 2; }
[[ -x "$chronyd" ]] || { echo "no chronyd at $chronyd: run tools/install-deps.sh" >&2; exit 2; }

work=$(mktemp -d)
server_pid=""
cleanup() {
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null || true
  [[ -n "$server_pid" ]] && wait "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A port that was free a moment ago.
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat > "$work/chrony.conf" <<CONF
local stratum 8
allow 127.0.0.1
bindaddress 127.0.0.1
port $port
cmdport 0
pidfile $work/chronyd.pid
driftfile $work/drift
CONF
user=()
((EUID == 0)) && user=(-u root)  # the unpacked daemon has no system user to drop to
"$chronyd" -d -x "${user[@]}" -f "$work/chrony.conf" > "$work/chronyd.log" 2>&1 &
server_pid=$!

# Ready when it answers (bounded: 50 tries).
ready=0
for ((i = 0; i < 50; i++)); do
  if "$cli" time --host 127.0.0.1 --port "$port" --proto ntp --timeout-ms 200 > /dev/null 2>&1; then ready=1; break; fi
done
((ready)) || { echo "chronyd did not answer:" >&2; cat "$work/chronyd.log" >&2; exit 1; }

offsets=() delays=()
for ((i = 0; i < runs; i++)); do
  line=$("$cli" time --host 127.0.0.1 --port "$port" --proto ntp --timeout-ms 2000 | sed -n 2p)
  offsets+=("$(sed -E 's/.*offset_ms=(-?[0-9.]+).*/\1/' <<< "$line")")
  delays+=("$(sed -E 's/.*delay_ms=([0-9.]+).*/\1/' <<< "$line")")
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
offset=$(median "${offsets[@]}")
delay=$(median "${delays[@]}")
echo "runs=$runs median_offset_ms=$offset median_delay_ms=$delay (offsets: ${offsets[*]})"
awk -v o="$offset" -v d="$delay" 'BEGIN { if (o < 0) o = -o; exit !(o <= 2 && d <= 2) }' \
  && echo "goal met: |offset| <= 2 ms, delay <= 2 ms" \
  || { echo "goal missed: |offset| <= 2 ms, delay <= 2 ms" >&2; exit 1; }
