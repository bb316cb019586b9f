#!/usr/bin/env bash
# run-window.sh PROGRAM LOCKFILE: starts the window, waits until it holds its
# single-instance lock (taken after its signal handlers are in place), lets it
# run for two seconds and closes it with SIGTERM, as a logout does. Exits with
# the program's own status, or 90.. when it ended early or never started.
set -uo pipefail
"$1" &
pid=$!
deadline=$((SECONDS + 60))
until [[ -e $2 ]]; do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    echo "the window ended during start-up (status $?)" >&2
    exit 90
  fi
  if ((SECONDS >= deadline)); then
    kill -KILL "$pid"
    echo "the window took no lock within 60 s" >&2
    exit 91
  fi
  sleep 0.1
done
# The two seconds are the run asked for, not a wait for something to happen.
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  echo "the window ended within two seconds of start (status $?)" >&2
  exit 92
fi
kill -TERM "$pid"
wait "$pid"
