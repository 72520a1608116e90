#!/usr/bin/env bash
# The real binary, six cases: no display, an unknown option, SIGINT, SIGTERM, Escape and a
# missing image. A line per case, then the count.
# Usage: binary_test.sh QUORVANE MAKE_STANDIN_DATA
set -u
set -m  # background jobs keep SIGINT at its default, as an interactive start would
quorvane=$1
root=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)  # the source tree
. "$root/tools/cases.sh"
. "$root/tools/wait_for.sh"
kWindowSeconds=10  # longest wait for the window to appear
kExitSeconds=120   # longest wait for an exit once asked (a loaded machine is slow); then hung
kSettleSeconds=0.5 # how long the show plays before it is ended (about 25 frames)
kEscapeMs=3000     # from Escape to the exit, at most
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$2" "$work" || { echo "cannot make stand-in data"; exit 1; }
cd "$work" || exit 1
export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1

# Succeeds once the demo's window exists.
demoWindow() { xdotool search --name '^Quorvane$' >/dev/null 2>&1; }

# One error line, status 1.
noDisplay() {
  local status
  env -u DISPLAY "$quorvane" >out.txt 2>err.txt
  status=$?
  echo "status $status, stderr: $(cat err.txt)"
  [ "$status" -eq 1 ] && [ "$(wc -l <err.txt)" -eq 1 ] &&
    grep -q '^quorvane: cannot start SDL video: No available video device' err.txt
}

# One error line, status 2, before any window.
unknownOption() {
  local status
  env -u DISPLAY "$quorvane" --loops >out.txt 2>err.txt
  status=$?
  echo "status $status, stderr: $(cat err.txt)"
  [ "$status" -eq 2 ] && [ "$(cat err.txt)" = "quorvane: unknown option --loops (try --help)" ]
}

# Ended by SIGNAL (INT, TERM) or by the Escape key: status 0, nothing on stderr.
endedBy() {
  local pid status pressed took
  "$quorvane" 2>err.txt &
  pid=$!
  waitForPicture "$pid" "$kWindowSeconds" demoWindow >/dev/null || { echo "no window appeared"; return 1; }
  sleep "$kSettleSeconds"
  pressed=$(nowMs)
  if [ "$1" = Escape ]; then
    xdotool key Escape
  else
    kill -s "$1" "$pid"
  fi
  waitForExit "$pid" "$kExitSeconds"
  status=$?
  took=$(($(nowMs) - pressed))
  echo "status $status, exited $took ms after $1, stderr: $(cat err.txt)"
  [ "$status" -eq 0 ] && [ ! -s err.txt ] && { [ "$1" != Escape ] || [ "$took" -lt $kEscapeMs ]; }
}

# The error line naming the image and data/, status 1.
missingImage() {
  local status
  mv data/logo.bmp logo.bak
  "$quorvane" 2>err.txt
  status=$?
  mv logo.bak data/logo.bmp
  echo "status $status, stderr: $(cat err.txt)"
  [ "$status" -eq 1 ] &&
    grep -q '^quorvane: cannot load data/logo.bmp: .*run quorvane from the folder that holds data/' err.txt
}

runCase "no display" noDisplay
runCase "unknown option" unknownOption
runCase SIGINT endedBy INT
runCase SIGTERM endedBy TERM
runCase Escape endedBy Escape
runCase "missing image" missingImage
countCases "demo binary"
