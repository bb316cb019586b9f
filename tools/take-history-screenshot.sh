#!/usr/bin/env bash
# A screenshot of the History window for the README, from the real program
# under Xvfb (a display number of its own) with a made-up month of openings
# (tools/make-history-sample.py, imported by orvane-cli): the program runs
# from a copy in a scratch folder whose settings name that database and its
# receiver; the script opens "History..." from the map menu's Listen submenu
# by the mouse alone and shoots the screen. No sound, no network, no clock is
# set, no radio is touched.
#
#   tools/take-history-screenshot.sh [BUILD_DIR] [OUT_DIR] [WIDTHxHEIGHT]
# (defaults build, docs/screenshots and 1920x1080: the window then fills the
# screen; at another size, for looking at, the History window keeps its own
# size beside the main window of that size). Needs the targets orvane and
# orvane-cli, Xvfb, xdotool and ImageMagick (import, convert).
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

# A month of openings at G4ABC, up to now.
/usr/bin/python3 "$root/tools/make-history-sample.py" "$work/heard.csv" 30
"$cli" history --db "sqlite:$work/history.sqlite" --import-csv "$work/heard.csv" --receiver G4ABC --locator JO22dc

source "$root/tools/virtual-display.sh"
start_virtual_display "$work" 1920x1080
pids+=("$virtual_display_pid")

mkdir "$work/app" "$work/home"
cp "$exe" "$work/app/orvane"
cat > "$work/app/orvane.INI" <<INI
[Orvane]
Left=0
Top=0
Width=$width
Height=$height
Locator=JO22dc
[History]
Database=sqlite:$work/history.sqlite
Receiver=G4ABC
INI
(cd "$work/app" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  QT_QPA_PLATFORM=xcb ./orvane >"$work/orvane.log" 2>&1) &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name 'Orvane' | head -1)
xdotool windowsize "$window" "$width" "$height" windowmove "$window" 0 0
sleep 2

source "$root/tools/listen-menu.sh"
open_listen_submenu || exit 1
# Listen, Listen settings..., Openings chart..., History..., a separator:
# the fourth of four equal items above the separator's few pixels.
item=$(( (HEIGHT - 12) / 4 ))
xdotool mousemove $((X + 30)) $((Y + 4 + item * 3 + item / 2)) click 1
history=$(new_window "$known") || { echo "the History window did not open"; exit 1; }
if [[ "$size" == 1920x1080 ]]; then
  xdotool windowsize "$history" 1920 1080 windowmove "$history" 0 0
else
  xdotool windowmove "$history" 0 0
fi
xdotool mousemove 1900 1070
# The reading runs in the background; a month takes well under a second.
sleep 3
# A cell's hint under the grid: the mouse over a cell in the middle.
eval "$(geometry_of "$history")"
xdotool mousemove $((X + WIDTH * 35 / 100)) $((Y + HEIGHT * 45 / 100))
sleep 1
import -window root "$work/shot.png"
name=history
[[ "$size" == 1920x1080 ]] || name=history-$size
if [[ "$size" == 1920x1080 ]]; then
  convert "$work/shot.png" -strip -dither None -colors 256 -define png:compression-level=9 "PNG8:$out/$name.png"
else
  convert "$work/shot.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip "$out/$name.png"
fi
echo "$out/$name.png $(stat -c %s "$out/$name.png") bytes"
