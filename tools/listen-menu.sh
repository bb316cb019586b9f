# Opens the Listen submenu of the map's menu by the mouse alone (a key sent
# to the window could reach a focused button), for the screenshot scripts
# running under Xvfb with xdotool. Menus are found as the newest window on
# the display. Sourced; needs `width` and `height` (the main window's size,
# placed at 0,0).
#   open_listen_submenu   sets X, Y, WIDTH, HEIGHT to the submenu's geometry
#                         and `known` to the windows open before it and it;
#                         returns 1 with a word when a menu did not open
#   new_window KNOWN      a window opened since KNOWN (ids), waited for up to 5 s

new_window() {
  local known=$1 w
  for _ in $(seq 50); do
    for w in $(xdotool search --onlyvisible --class . 2>/dev/null); do
      [[ " $known " == *" $w "* ]] || { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

geometry_of() { xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)='; }

open_listen_submenu() {
  local menu submenu=
  known=$(xdotool search --onlyvisible --class . 2>/dev/null | tr '\n' ' ')
  xdotool mousemove $((width / 2)) $((height / 2)) click 3
  menu=$(new_window "$known") || { echo "the map's menu did not open"; return 1; }
  sleep 0.5
  eval "$(geometry_of "$menu")"
  known="$known $menu"
  for _ in 1 2 3; do
    # Onto the last item, and a little along it, until its submenu opens.
    xdotool mousemove $((X + 30)) $((Y + HEIGHT - 12)) sleep 0.3 mousemove $((X + 40)) $((Y + HEIGHT - 12))
    submenu=$(new_window "$known") && break
  done
  [[ -n "$submenu" ]] || { echo "the Listen submenu did not open"; return 1; }
  sleep 0.5
  eval "$(geometry_of "$submenu")"
  known="$known $submenu"
}
