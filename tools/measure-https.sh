#!/usr/bin/env bash
# Fetches eight reports (a few kB each) from a loopback HTTPS server
# (python3 http.server in ssl, HTTP/1.1 keep-alive, a certificate made here by
# openssl) with orvane-cli reports --source https (one keep-alive connection)
# and with one sequential curl process over the same URLs (curl URL1 URL2 ...,
# which reuses its connection too), runs interleaved, and prints median and
# best wall times. The goal: orvane-cli takes at most 1.5 times curl's run.
# Both include their process start; orvane-cli's start-up (it links every
# logic library) is printed on its own line.
#
# The eight are the default selection's seven reports that the web service
# serves (the alerts come by FTP) and the three-day predictions.
#
# Usage: tools/measure-https.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=${1:-build}
runs=${2:-15}
cli="$build/src/app/cli/orvane-cli"
[[ -x "$cli" ]] || { echo "build the target orvane-cli first" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d)
server_pid=""
cleanup() {
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null || true
  [[ -n "$server_pid" ]] && wait "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A test CA and a server certificate for 127.0.0.1 it signed.
(
  cd "$work"
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ca.key -out ca.pem \
    -days 1 -subj "/CN=Orvane measurement CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
  openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout server.key -out server.csr \
    -subj "/CN=127.0.0.1" 2>/dev/null
  printf 'subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' > server.ext
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 1 \
    -extfile server.ext 2>/dev/null
)

keys=wwv,daypre,27DO,SGAS,WKHF,rad,DSD,DGD
names=(wwv.txt 3-day-solar-geomag-predictions.txt 27-day-outlook.txt sgas.txt weekly.txt
       solar_radio_flux.txt daily-solar-indices.txt daily-geomagnetic-indices.txt)
mkdir -p "$work/root/text"
i=0
for n in "${names[@]}"; do
  i=$((i + 1))
  {
    printf ':Product: %s\n:Issued: 2026 Dec 10 0030 UTC\n' "$n"
    for ((line = 0; line < 40 + i * 5; line++)); do
      printf '2026 Dec %02d  line %03d  10.7cm flux 152  Ap 8  Kp 2 1 1 2 3 2 1 1\n' "$((line % 28 + 1))" "$line"
    done
  } > "$work/root/text/$n"
done

/usr/bin/python3 "$here/tests/support/https_test_server.py" "$work/root" "$work/server.pem" "$work/server.key" \
  "$work/requests.log" > "$work/port" 2>/dev/null &
server_pid=$!
for _ in $(seq 50); do [[ -s "$work/port" ]] && break; sleep 0.1; done
port=$(awk '{print $2}' "$work/port")
[[ -n "$port" ]] || { echo "the HTTPS server did not start" >&2; exit 1; }
base="https://127.0.0.1:$port/"

curl_args=()
for n in "${names[@]}"; do curl_args+=(-o "$work/curl/$n" "${base}text/$n"); done

now_ms() { date +%s%N | awk '{printf "%.1f", $1 / 1e6}'; }
orvane_times=()
curl_times=()
start_times=()
for ((r = 0; r < runs; r++)); do
  rm -rf "$work/orvane" "$work/curl"; mkdir -p "$work/orvane" "$work/curl"
  t0=$(now_ms)
  SSL_CERT_FILE="$work/ca.pem" "$cli" reports --source https --base "$base" --only "$keys" \
    --dir "$work/orvane" --ini "$work/none.INI" > /dev/null
  t1=$(now_ms)
  curl -s --fail --cacert "$work/ca.pem" "${curl_args[@]}"
  t2=$(now_ms)
  "$cli" --help > /dev/null
  t3=$(now_ms)
  orvane_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b - a}')")
  curl_times+=("$(awk -v a="$t1" -v b="$t2" 'BEGIN{print b - a}')")
  start_times+=("$(awk -v a="$t2" -v b="$t3" 'BEGIN{print b - a}')")
done
[[ $(ls "$work/orvane" | wc -l) -eq 8 && $(ls "$work/curl" | wc -l) -eq 8 ]] || { echo "a fetch was incomplete" >&2; exit 1; }
# One connection per orvane-cli run: as many client ports as runs (curl's too).
connections=$(awk -F'\t' '{print $3}' "$work/requests.log" | sort -u | wc -l)

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
best() { printf '%s\n' "$@" | sort -g | head -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", a / b}'; }
mo=$(median "${orvane_times[@]}")
mc=$(median "${curl_times[@]}")
ms=$(median "${start_times[@]}")
bo=$(best "${orvane_times[@]}")
bc=$(best "${curl_times[@]}")
echo "8 reports over loopback HTTPS, one process each, $runs runs each (interleaved), wall time median / best:"
echo "  curl URL1 ... URL8 (sequential):  ${mc} / ${bc} ms"
echo "  orvane-cli reports --source https: ${mo} / ${bo} ms   ratio to curl $(ratio "$mo" "$mc") / $(ratio "$bo" "$bc")"
echo "  orvane-cli start-up alone (--help): ${ms} ms median"
echo "  connections seen by the server: $connections for $((2 * runs)) runs (one per run means keep-alive held)"
echo "  load average: $(cut -d' ' -f1 /proc/loadavg) (figures are only meaningful on a quiet machine)"
echo "  goal: orvane-cli <= 1.5 x curl (median)"
awk -v a="$mo" -v b="$mc" 'BEGIN{exit !(a <= 1.5 * b)}'
