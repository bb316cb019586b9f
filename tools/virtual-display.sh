# An X server of the script's own (Xvfb) on a display number the server
# picks itself (-displayfd), so scripts and test runs started side by side
# never race for the same number as xvfb-run -a can. -noreset: by default
# the server resets when its last client leaves, and a client connecting
# during the reset (the next run of a measurement) is refused. Sourced:
#   start_virtual_display DIR WxH   exports DISPLAY, sets virtual_display_pid
#   stop_virtual_display            ends it by its PID

start_virtual_display() {
  local dir=$1 size=$2 number
  command -v Xvfb >/dev/null || { echo "Xvfb is needed (tools/install-deps.sh installs it)" >&2; return 1; }
  mkfifo "$dir/display-number"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$dir/display-number" >"$dir/xvfb.log" 2>&1 &
  virtual_display_pid=$!
  # The server writes its number once it accepts connections.
  if ! read -r -t 20 number <"$dir/display-number"; then
    echo "Xvfb did not start: $(tail -3 "$dir/xvfb.log")" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

stop_virtual_display() {
  [[ -n "${virtual_display_pid:-}" ]] || return 0
  kill "$virtual_display_pid" 2>/dev/null || true
  wait "$virtual_display_pid" 2>/dev/null || true
  virtual_display_pid=
}
