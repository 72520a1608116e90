#!/usr/bin/env bash
# The real binary: no display, SIGINT, SIGTERM and Escape.
# Usage: binary_test.sh QUORVANE MAKE_STANDIN_DATA
set -u
set -m  # background jobs keep SIGINT at its default, as an interactive start would
quorvane=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$2" "$work" || { echo "cannot make stand-in data"; exit 1; }
cd "$work"
export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# No display: one error line, status 1.
env -u DISPLAY "$quorvane" >out.txt 2>err.txt
status=$?
lines=$(wc -l <err.txt)
[ "$status" -eq 1 ] || fail "no display: status $status, expected 1"
[ "$lines" -eq 1 ] || fail "no display: $lines stderr lines, expected 1"
grep -q '^quorvane: cannot start SDL video: No available video device' err.txt || fail "no display: stderr was: $(cat err.txt)"
echo "no display: status $status, stderr: $(cat err.txt)"

# An unknown option: one error line, status 2, before any window.
env -u DISPLAY "$quorvane" --loops >out.txt 2>err.txt
status=$?
[ "$status" -eq 2 ] || fail "unknown option: status $status, expected 2"
[ "$(cat err.txt)" = "quorvane: unknown option --loops (try --help)" ] \
  || fail "unknown option: stderr was: $(cat err.txt)"
echo "unknown option: status $status, stderr: $(cat err.txt)"

# Waits (bounded) until the demo's window exists.
waitForWindow() {
  for _ in $(seq 1 200); do
    xdotool search --name '^Quorvane$' >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

for signal in INT TERM; do
  "$quorvane" 2>err.txt &
  pid=$!
  waitForWindow || fail "SIG$signal: no window appeared"
  sleep 0.5
  kill -s "$signal" "$pid"
  wait "$pid"
  status=$?
  [ "$status" -eq 0 ] || fail "SIG$signal: status $status, expected 0"
  [ -s err.txt ] && fail "SIG$signal: unexpected stderr: $(cat err.txt)"
  echo "SIG$signal: status $status"
done

# Escape, as a person would press it.
"$quorvane" 2>err.txt &
pid=$!
waitForWindow || fail "Escape: no window appeared"
sleep 0.5
pressed=$(date +%s%N)
xdotool key Escape
wait "$pid"
status=$?
took=$(( ($(date +%s%N) - pressed) / 1000000 ))
[ "$status" -eq 0 ] || fail "Escape: status $status, expected 0"
[ "$took" -lt 3000 ] || fail "Escape: took $took ms to exit"
echo "Escape: status $status, exited $took ms after the key press"

# A missing image: the error line, status 1.
mv data/logo.bmp logo.bak
"$quorvane" 2>err.txt
status=$?
mv logo.bak data/logo.bmp
[ "$status" -eq 1 ] || fail "missing image: status $status, expected 1"
grep -q '^quorvane: cannot load data/logo.bmp: .*run quorvane from the folder that holds data/' err.txt \
  || fail "missing image: stderr was: $(cat err.txt)"
echo "missing image: status $status, stderr: $(cat err.txt)"

echo "$((6 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
