#!/usr/bin/env bash
# Runs a test on a virtual X display of its own, so that tests which find the demo's window
# by name, grab the screen or time frames against the clock can run in parallel with
# others (ctest -j). Xvfb picks a free display number itself (-displayfd), so two of these
# starting together never race for one; -noreset keeps it up between SDL's connections.
# Usage: own_display.sh COMMAND [ARGS...]; the command's status is the test's.
set -u
kStartSeconds=15
ready=$(mktemp)
trap 'rm -f "$ready"; [ -n "${server:-}" ] && kill "$server" 2>/dev/null && wait "$server"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$ready" >/dev/null 2>&1 &
server=$!
for _ in $(seq 1 $((kStartSeconds * 20))); do
  [ -s "$ready" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.05
done
number=$(head -n1 "$ready")
[ -n "$number" ] || { echo "own_display: Xvfb did not start"; exit 1; }
DISPLAY=:$number "$@"
