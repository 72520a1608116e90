#!/usr/bin/env bash
# Plays the demo for a short while and ends it with SIGTERM, as CI's short runs do.
# Usage: short_run.sh SECONDS FOLDER COMMAND [ARGS...]
#   Runs COMMAND in FOLDER; once the demo's window is up, lets it play SECONDS more, sends
#   SIGTERM and waits for the exit. Passes when the window came up, the status is 0 and
#   nothing was written on stderr; prints the stderr otherwise. Needs DISPLAY.
set -u
set -m  # the demo keeps SIGTERM and SIGINT at their defaults, as from a terminal
# shellcheck source=tools/wait_for.sh
. "$(dirname "$0")/../wait_for.sh"
seconds=$1
folder=$2
shift 2
kWindowSeconds=180  # a start under valgrind takes a while
kExitSeconds=300    # and so does its leak check at exit
err=$(mktemp)
trap 'rm -f "$err"' EXIT

(cd "$folder" && exec "$@" 2>"$err") &
pid=$!
started=$(date +%s)
window=yes
if waitForPicture "$pid" "$kWindowSeconds" xdotool search --name '^Quorvane$' >/dev/null; then
  sleep "$seconds"
else
  window=no
fi
kill -TERM "$pid" 2>/dev/null
waitForExit "$pid" "$kExitSeconds"
status=$?
echo "short run: status $status after $(( $(date +%s) - started )) s, window shown: $window"
if [ "$status" -ne 0 ] || [ -s "$err" ] || [ $window = no ]; then
  echo "short run FAILED; stderr:"
  cat "$err"
  exit 1
fi
