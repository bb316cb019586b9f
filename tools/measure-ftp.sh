#!/usr/bin/env bash
# Fetches the fourteen report files (a few kB each) in one session from a
# loopback FTP server (pyftpdlib) with curl in active mode (--ftp-port), with
# net_ftp_fetch (bench/net: the network layer alone, Qt Core) and with
# orvane-cli ftp-get, runs interleaved, and prints median and best wall times.
# The goal: the program's FTP session takes at most 1.5 times curl's run.
# orvane-cli links every logic library (Qt Gui, FluidSynth, ...), so its
# start-up is printed on its own line.
#
# Usage: tools/measure-ftp.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=${1:-build}
runs=${2:-15}
cli="$build/src/app/cli/orvane-cli"
fetch="$build/bench/net/net_ftp_fetch"
[[ -x "$cli" && -x "$fetch" ]] || { echo "build the targets orvane-cli and net_ftp_fetch first" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d)
server_pid=""
cleanup() {
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null || true
  [[ -n "$server_pid" ]] && wait "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The catalogue's files in their server folders, about 3-8 kB of text each.
paths=(
  /pub/latest/wwv.txt /pub/latest/AK.txt /pub/latest/daypre.txt /pub/latest/SRFF.txt
  /pub/latest/27DO.txt /pub/forecasts/ALTS.txt /pub/latest/predict.txt /pub/latest/RSGA.txt
  /pub/latest/SGAS.txt /pub/latest/HFRP.txt /pub/latest/WKHF.txt /pub/lists/radio/rad.txt
  /pub/indices/DSD.txt /pub/indices/DGD.txt
)
i=0
for p in "${paths[@]}"; do
  mkdir -p "$work/root$(dirname "$p")"
  i=$((i + 1))
  for ((line = 0; line < 40 + i * 5; line++)); do
    printf ':Issued: 2026 Dec 10 0030 UTC  line %03d  10.7cm flux 152  Ap 8  Kp 2 1 1 2 3 2 1 1\n' "$line"
  done > "$work/root$p"
done

/usr/bin/python3 "$here/tests/support/ftp_test_server.py" "$work/root" "$work/ftp.log" > "$work/port" 2>/dev/null &
server_pid=$!
for _ in $(seq 50); do [[ -s "$work/port" ]] && break; sleep 0.1; done
port=$(awk '{print $2}' "$work/port")
[[ -n "$port" ]] || { echo "pyftpdlib did not start" >&2; exit 1; }

curl_args=()
for p in "${paths[@]}"; do curl_args+=(-o "$work/curl/$(basename "$p")" "ftp://127.0.0.1:$port$p"); done

now_ms() { date +%s%N | awk '{printf "%.1f", $1 / 1e6}'; }
orvane_times=()
fetch_times=()
curl_times=()
start_times=()
for ((r = 0; r < runs; r++)); do
  rm -rf "$work/orvane" "$work/curl" "$work/fetch"; mkdir -p "$work/orvane" "$work/curl" "$work/fetch"
  t0=$(now_ms)
  "$cli" ftp-get --host 127.0.0.1 --port "$port" --dir "$work/orvane" "${paths[@]}" > /dev/null
  t1=$(now_ms)
  curl -s --user anonymous:orvane@localhost --ftp-port 127.0.0.1 "${curl_args[@]}"
  t2=$(now_ms)
  "$cli" --help > /dev/null
  t3=$(now_ms)
  "$fetch" 127.0.0.1 "$port" "$work/fetch" "${paths[@]}"
  t4=$(now_ms)
  fetch_times+=("$(awk -v a="$t3" -v b="$t4" 'BEGIN{print b - a}')")
  orvane_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b - a}')")
  curl_times+=("$(awk -v a="$t1" -v b="$t2" 'BEGIN{print b - a}')")
  start_times+=("$(awk -v a="$t2" -v b="$t3" 'BEGIN{print b - a}')")
done
[[ $(ls "$work/orvane" | wc -l) -eq 14 && $(ls "$work/curl" | wc -l) -eq 14 && $(ls "$work/fetch" | wc -l) -eq 14 ]] || { echo "a fetch was incomplete" >&2; exit 1; }

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
mo=$(median "${orvane_times[@]}")
mf=$(median "${fetch_times[@]}")
mc=$(median "${curl_times[@]}")
ms=$(median "${start_times[@]}")
best() { printf '%s\n' "$@" | sort -g | head -1; }
bo=$(best "${orvane_times[@]}")
bf=$(best "${fetch_times[@]}")
bc=$(best "${curl_times[@]}")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", a / b}'; }
echo "14 files, one session, $runs runs each (interleaved), wall time median / best:"
echo "  curl --ftp-port:                ${mc} / ${bc} ms"
echo "  net_ftp_fetch (network layer):  ${mf} / ${bf} ms   ratio to curl $(ratio "$mf" "$mc") / $(ratio "$bf" "$bc")"
echo "  orvane-cli ftp-get:             ${mo} / ${bo} ms   ratio to curl $(ratio "$mo" "$mc") / $(ratio "$bo" "$bc")"
echo "  orvane-cli start-up alone (--help): ${ms} ms median"
echo "  load average: $(cut -d' ' -f1 /proc/loadavg) (figures are only meaningful on a quiet machine)"
echo "  goal: net_ftp_fetch <= 1.5 x curl (median)"
awk -v a="$mf" -v b="$mc" 'BEGIN{exit !(a <= 1.5 * b)}'
