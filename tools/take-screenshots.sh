#!/usr/bin/env bash
# Screenshots for the README: the Map tab with twilight, the Monitor tab while
# listening and the Beacons tab, each at 1920 x 1080, taken from the real
# program under Xvfb (a display number of its own) with a user-mode PulseAudio null sink as
# its sound server. The program runs from a copy in a scratch folder, so its
# settings (written beside the executable) are the script's own: twilight on,
# the window at 1920 x 1080, the station locator JO22dc for bearings, the
# sink's monitor as the listening input. tools/play-beacons.py plays the
# program's own beacon sound for 14.10 MHz into the sink, slot by slot and at
# levels of their own, and the script turns listening on from the map's menu
# and waits until a whole cycle was heard (about three minutes), so the
# Monitor shows what the listener heard. Nothing is fetched, no clock is set,
# no radio is touched.
#
#   tools/take-screenshots.sh [BUILD_DIR] [OUT_DIR] [WIDTHxHEIGHT]
# (defaults build, docs/screenshots and 1920x1080; another size also shoots
# the About tab, for looking at). Needs the targets orvane and orvane-cli,
# Xvfb, xdotool, ImageMagick (import, convert), pulseaudio (pacat, paplay)
# and a GM soundfont; optipng shrinks the PNGs when installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/screenshots}
size=${3:-1920x1080}
width=${size%x*} height=${size#*x}
exe=$build/src/app/orvane
cli=$build/src/app/cli/orvane-cli
[[ -x "$exe" ]] || { echo "no $exe: build the target orvane first"; exit 1; }
[[ -x "$cli" ]] || { echo "no $cli: build the targets orvane-cli and orvane-cli-verbs first"; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The sound server: a null sink and its monitor as the capture source.
mkdir -m 700 "$work/run" "$work/home"
cat > "$work/server.pa" <<PA
load-module module-null-sink sink_name=orvane_null rate=12000 channels=1
load-module module-remap-source master=orvane_null.monitor source_name=orvane_capture source_properties=device.description=OrvaneCapture
load-module module-native-protocol-unix socket=$work/run/native auth-anonymous=1
PA
XDG_RUNTIME_DIR="$work/run" HOME="$work/home" pulseaudio -n --daemonize=no --system=no --exit-idle-time=-1 \
  --use-pid-file=no -F "$work/server.pa" >"$work/pulse.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -S "$work/run/native" ]] && break; sleep 0.1; done
export PULSE_SERVER="unix:$work/run/native"
printf 'autospawn = no\n' > "$work/client.conf"
export PULSE_CLIENTCONFIG="$work/client.conf"

# The display.
source "$root/tools/virtual-display.sh"
start_virtual_display "$work" 1920x1080
pids+=("$virtual_display_pid")

# The program and its settings.
mkdir "$work/app"
cp "$exe" "$work/app/orvane"
cat > "$work/app/orvane.INI" <<INI
[Orvane]
Left=0
Top=0
Width=$width
Height=$height
Twilight=1
Locator=JO22dc
[Listen]
Device=OrvaneCapture
Pitch=587
INI
# The simulation's tone, MIDI note 74, is 587 Hz.
/usr/bin/python3 "$root/tools/play-beacons.py" "$cli" orvane_null "$work" >"$work/play.log" 2>&1 &
pids+=($!)
(cd "$work/app" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  QT_QPA_PLATFORM=xcb ./orvane >"$work/orvane.log" 2>&1) &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name 'Orvane' | head -1)
xdotool windowsize "$window" "$width" "$height" windowmove "$window" 0 0
# The grey line is drawn on the first ticks; give it a moment.
sleep 3

# Listening on, by the mouse alone (a key sent to the window could reach a
# focused button): the map's menu, its last submenu ("Listen") and that
# submenu's first item. Menus are found as the newest window on the display.
source "$root/tools/listen-menu.sh"
open_listen_submenu || exit 1
xdotool mousemove $((X + 30)) $((Y + 12)) click 1
# A whole cycle heard: 18 lines under the log's header, or give up after
# four minutes (LISTEN_WAIT_S) and shoot what there is.
log=$work/app/orvane-heard.csv
for _ in $(seq "${LISTEN_WAIT_S:-240}"); do
  [[ -f "$log" && $(wc -l <"$log") -ge 19 ]] && break
  sleep 1
done
echo "heard log: $( [[ -f "$log" ]] && wc -l <"$log" || echo none) lines"

# 256 colours: a fifth of the size, and the map's relief still reads.
shoot() {
  import -window root "$work/shot.png"
  convert "$work/shot.png" -strip -dither None -colors 256 -define png:compression-level=9 "PNG8:$out/$1.png"
  if command -v optipng >/dev/null; then optipng -quiet -o2 "$out/$1.png"; fi
  echo "$out/$1.png $(stat -c %s "$out/$1.png") bytes"
}
# A tab by its caption's place on the bar (there is no window manager to
# give the keyboard focus).
tab() {
  local index=$1 x=4 i
  for ((i = 0; i < index; ++i)); do x=$((x + ${tab_widths[i]})); done
  xdotool mousemove $((x + 20)) 12 click 1 mousemove 1900 1060
  sleep 1
}
shoot map-twilight
tab_widths=(95 95 95 95 95 95)
tab 1
shoot monitor
tab 2
shoot beacons
if [[ "$size" != 1920x1080 ]]; then
  tab 5
  shoot about
fi
