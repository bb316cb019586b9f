#!/usr/bin/env bash
# Peak memory and CPU of `orvane-cli listen` on recordings streamed through
# a pipe, as long as one likes: sox makes white noise in the format asked
# for and writes it as a WAV to the listener's standard input, so nothing of
# the length is ever on disc. The peak must not grow with the length.
#   tools/measure-listen-memory.sh [BUILD_DIR] [SECONDS]   (SKIP_BUILD=1: use the built program as it is)
# Prints, per format: seconds of audio, peak resident KB, user+system CPU s.
# The last rows are five receivers heard in one run (-i ... --band ...
# five times, 12 kHz): one streamed, four from files made beforehand.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-3600}
command -v sox >/dev/null || { echo "sox is needed (tools/install-deps.sh installs it)" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "GNU time is needed (tools/install-deps.sh --dev installs it)" >&2; exit 2; }
[[ -n "${SKIP_BUILD:-}" ]] || cmake --build "$build" --target orvane-cli >/dev/null
cli=$build/src/app/cli/orvane-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%-32s %8s %10s %8s\n' format seconds peak_kb cpu_s
for format in "12000 16 1" "48000 24 2" "192000 32 1"; do
  read -r rate bits channels <<<"$format"
  for length in $((seconds / 10)) "$seconds"; do
    sox -n -r "$rate" -b "$bits" -c "$channels" -t wav - synth "$length" whitenoise vol 0.1 2>/dev/null |
      /usr/bin/time -f '%M %U %S' -o "$work/time" "$cli" listen -i - --start @0 >"$work/out" 2>"$work/err" ||
      { echo "orvane-cli listen failed: $(cat "$work/err")" >&2; exit 1; }
    read -r peak user system <"$work/time"
    printf '%-32s %8d %10d %8.2f\n' "$rate Hz, $bits-bit, $channels channel(s)" "$length" "$peak" \
      "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')"
  done
done
bands=(18.11 21.15 24.93 28.20)
for length in $((seconds / 10)) "$seconds"; do
  args=()
  for band in "${bands[@]}"; do
    sox -n -r 12000 -b 16 -c 1 "$work/$band.wav" synth "$length" whitenoise vol 0.1 2>/dev/null
    args+=(-i "$work/$band.wav" --band "$band")
  done
  sox -n -r 12000 -b 16 -c 1 -t wav - synth "$length" whitenoise vol 0.1 2>/dev/null |
    /usr/bin/time -f '%M %U %S' -o "$work/time" "$cli" listen -i - --band 14.10 "${args[@]}" --start @0 \
      >"$work/out" 2>"$work/err" || { echo "orvane-cli listen failed: $(cat "$work/err")" >&2; exit 1; }
  rm -f "$work"/*.wav
  read -r peak user system <"$work/time"
  printf '%-32s %8d %10d %8.2f\n' "5 receivers, 12000 Hz, 16-bit" "$length" "$peak" \
    "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')"
done
