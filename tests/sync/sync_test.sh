#!/usr/bin/env bash
# The live demo and its sound server, on the real binary, the committed data and a private
# PulseAudio with a null sink; the mixer's passes are held back by a preloaded library
# (MixStall.cpp) as a slow stream start holds them.
#   sync_test.sh start QUORVANE MIX_STALL_LIB SOURCE_ROOT   the show's clock and its music
#   sync_test.sh gone QUORVANE MIX_STALL_LIB SOURCE_ROOT    the sound server going away
# Runs on SDL 1.2 and, when installed, on sdl12-compat. Needs DISPLAY.
set -u
mode=$1 quorvane=$2 stallLib=$3 root=$4
work=$(mktemp -d)
# shellcheck source=tools/sound_server.sh
. "$root/tools/sound_server.sh"
trap 'stopSoundServer; rm -rf "$work"' EXIT
startSoundServer "$work/pulse" || exit 1
cd "$root" || exit 1
export LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=pulse QUORVANE_STALL_LOG=$work/log
kShowTimeout=200  # a run that ends with no quit by then hangs (one pass is 85.5 s)
kBoundMs=3000     # how long the show waits for its music
kClockAfterMixMs=250  # a chunk played and a busy machine; the fault is the whole 1 s
kAtOnceMs=250   # well short of the 1 s the first pass is held
kDrawHoldMs=1000  # the first frame's drawing, held as a slow first frame on llvmpipe is
# The first frame is drawn before the music starts, and shown as the clock resumes.
kFirstFrameShownMs=500
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

runtimes=(system)
compat=$(dpkg -L libsdl1.2-compat 2>/dev/null | grep '/libSDL-1\.2\.so\.0$' || true)
[ -z "$compat" ] || runtimes+=(compat)
libraryPath() { [ "$1" = compat ] && dirname "$compat"; }

# logged NAME: the time of the log's first NAME line, in ms; lastLogged: of its last.
logged() { awk -v name="$1" '$1 == name { print $NF; exit }' "$work/log"; }
lastLogged() { awk -v name="$1" '$1 == name { last = $NF } END { print last }' "$work/log"; }
# Whole ms from one logged time to another.
between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%d", b - a }'; }

# show RUNTIME [NAME=VALUE...] [OPTION...]: runs the show to its quit with that environment
# and those options; sets status.
show() {
  local runtime=$1 settings=() options=() argument
  shift
  for argument in "$@"; do
    case $argument in
      *=*) settings+=("$argument") ;;
      *) options+=("$argument") ;;
    esac
  done
  rm -f "$work/log"
  env LD_LIBRARY_PATH="$(libraryPath "$runtime")" LD_PRELOAD="$stallLib" "${settings[@]}" \
    timeout "$kShowTimeout" "$quorvane" "${options[@]}" >/dev/null 2>"$work/err"
  status=$?
}

# waitForLine PATTERN SECONDS: until the log has a line matching PATTERN.
waitForLine() {
  local i
  for ((i = 0; i < $2 * 20; ++i)); do
    grep -q "$1" "$work/log" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

startCases() {
  local runtime play mixed clock shown
  for runtime in "${runtimes[@]}"; do
    # A stream start held back 1 s and a first frame drawn in 1 s: the show's clock starts
    # when the music is mixed, and its first frame is shown then.
    show "$runtime" QUORVANE_STALL_MS=1000 QUORVANE_STALL_DRAW_MS=$kDrawHoldMs \
      QUORVANE_STALL_QUIT_FRAMES=3
    play=$(logged play) mixed=$(logged mixed) clock=$(logged clock)
    shown=$(awk '$1 == "frame" && $2 == 1 { print $NF; exit }' "$work/log")
    echo "$runtime, stalled 1 s: status $status, mixed $(between "$play" "$mixed") ms" \
      "after the play, the clock $(between "$mixed" "$clock") ms after the mix," \
      "the first frame $(between "$clock" "$shown") ms after the clock"
    [ "$status" -eq 0 ] || fail "$runtime, stalled: status $status ($(cat "$work/err"))"
    if [ -z "$mixed" ] || [ -z "$clock" ]; then
      fail "$runtime, stalled: log $(cat "$work/log")"
      continue
    fi
    [ "$(between "$play" "$mixed")" -ge 1000 ] || fail "$runtime: the hold did not take"
    local after
    after=$(between "$mixed" "$clock")
    [ "$after" -ge -1 ] || fail "$runtime: the clock started $((-after)) ms before the music"
    [ "$after" -le $kClockAfterMixMs ] || fail "$runtime: the clock started $after ms late"
    if [ -z "$shown" ] || [ "$(between "$clock" "$shown")" -gt $kFirstFrameShownMs ]; then
      fail "$runtime: the first frame was shown $(between "$clock" "$shown") ms after the clock"
    fi
  done

  # --loop: the second pass waits for its music in the same way (the first takes 85.5 s).
  show system QUORVANE_STALL_MS=1000 QUORVANE_STALL_QUIT_FRAMES=3 QUORVANE_STALL_QUIT_PLAYS=2 \
    --loop
  mixed=$(lastLogged mixed) clock=$(lastLogged clock)
  after=$(between "$mixed" "$clock")
  echo "--loop, second pass stalled 1 s: status $status, $(grep -c '^play' "$work/log") plays," \
    "the clock $after ms after the mix"
  [ "$status" -eq 0 ] || fail "--loop: status $status"
  [ "$(grep -c '^mixed' "$work/log")" -eq 2 ] || fail "--loop: log $(cat "$work/log")"
  if [ "$after" -lt -1 ] || [ "$after" -gt $kClockAfterMixMs ]; then
    fail "--loop: the second pass's clock started $after ms from its music"
  fi

  # Held longer than the bound: one line, and the show starts on its clock after 3 s.
  show system QUORVANE_STALL_MS=4500 QUORVANE_STALL_QUIT_FRAMES=3
  play=$(logged play) clock=$(logged clock)
  local waited
  waited=$(between "$play" "$clock")
  echo "stalled 4.5 s: status $status, the clock $waited ms after the play; $(cat "$work/err")"
  [ "$status" -eq 0 ] || fail "bound: status $status"
  if [ "$waited" -lt $kBoundMs ] || [ "$waited" -gt $((kBoundMs + 300)) ]; then
    fail "bound: waited $waited ms"
  fi
  [ "$(cat "$work/err")" = "quorvane: the sound did not start within 3 s; the show starts without waiting for it" ] \
    || fail "bound: stderr was $(cat "$work/err")"

  # A quit request during the wait ends the show there, with status 0, after the one frame
  # drawn before it.
  show system QUORVANE_STALL_MS=2500 QUORVANE_STALL_QUIT_HELD_MS=500
  echo "quit while waiting: status $status, $(grep -c '^frame' "$work/log") frames"
  [ "$status" -eq 0 ] || fail "quit while waiting: status $status"
  [ "$(grep -c '^frame' "$work/log")" -le 1 ] || fail "quit while waiting: frames went on"
  [ -s "$work/err" ] && fail "quit while waiting: stderr was $(cat "$work/err")"

  # No device that is heard: the show starts at once, as it always has.
  show system SDL_AUDIODRIVER=dummy QUORVANE_STALL_MS=1000 QUORVANE_STALL_QUIT_FRAMES=3
  play=$(logged play) clock=$(logged clock)
  waited=$(between "$play" "$clock")
  echo "dummy driver: status $status, the clock $waited ms after the play"
  [ "$status" -eq 0 ] || fail "dummy: status $status"
  [ "$waited" -le $kAtOnceMs ] || fail "dummy: waited $waited ms"
}

# The server killed, or its sink removed, mid-show: the picture goes on, Escape ends the
# show with status 0.
goneCases() {
  local runtime how pid
  for runtime in "${runtimes[@]}"; do
    for how in kill unload; do
      [ -n "${soundServerPid:-}" ] || startSoundServer "$work/pulse" || exit 1
      rm -f "$work/log"
      env LD_LIBRARY_PATH="$(libraryPath "$runtime")" LD_PRELOAD="$stallLib" \
        timeout "$kShowTimeout" "$quorvane" >/dev/null 2>"$work/err" &
      pid=$!
      waitForLine '^frame 25 ' 30 || fail "$runtime, $how: no 25 frames"
      if [ $how = kill ]; then
        kill -KILL "$soundServerPid"
        wait "$soundServerPid" 2>/dev/null
        soundServerPid=
      else
        pactl unload-module module-null-sink
      fi
      waitForLine '^frame 100 ' 30 || fail "$runtime, $how: the picture stopped"
      xdotool key Escape
      wait "$pid"
      status=$?
      echo "$runtime, server $how: $(grep -c '^frame' "$work/log") frames, status $status;" \
        "$(cat "$work/err")"
      [ "$status" -eq 0 ] || fail "$runtime, $how: status $status"
      stopSoundServer
    done
  done
}

case $mode in
  start) startCases ;;
  gone) goneCases ;;
  *) echo "usage: sync_test.sh start|gone QUORVANE MIX_STALL_LIB SOURCE_ROOT" >&2; exit 2 ;;
esac
echo "$failures failed"
[ "$failures" -eq 0 ]
