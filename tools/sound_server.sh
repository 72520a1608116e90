#!/usr/bin/env bash
# Starts a private PulseAudio server for our scripts, also for root on a machine without a
# session bus: no autospawn, no D-Bus, no cookie, no shared memory, its socket and state in a
# folder of the caller's, and one null sink as its only output.
#   sound_server.sh COMMAND [ARGS...]   runs the command with its own server and stops the
#                                       server after it; the command's status is its own
#   . sound_server.sh                   defines startSoundServer DIR [SINK [RATE]], which
#                                       exports PULSE_SERVER, PULSE_SINK and
#                                       XDG_RUNTIME_DIR and sets soundServerPid and
#                                       soundServerSink (SINK, "quorvane" unless given);
#                                       and stopSoundServer
# The server's log is DIR/log; its sink's monitor is "$soundServerSink.monitor".
kSoundServerStartSeconds=10

startSoundServer() {
  local dir=$1 i rate=()
  soundServerSink=${2:-quorvane}
  [ -z "${3:-}" ] || rate=("rate=$3")
  mkdir -p "$dir" && chmod 700 "$dir" || return 1
  HOME=$dir XDG_RUNTIME_DIR=$dir PULSE_RUNTIME_PATH=$dir PULSE_STATE_PATH=$dir \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
    --load="module-null-sink sink_name=$soundServerSink channels=2 ${rate[*]}" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \
    --log-target="file:$dir/log" >/dev/null 2>&1 &
  soundServerPid=$!
  export PULSE_SERVER=unix:$dir/native PULSE_SINK=$soundServerSink XDG_RUNTIME_DIR=$dir
  for ((i = 0; i < kSoundServerStartSeconds * 10; ++i)); do
    [ -S "$dir/native" ] && pactl info >/dev/null 2>&1 && return 0
    kill -0 "$soundServerPid" 2>/dev/null || break
    sleep 0.1
  done
  echo "quorvane: the sound server did not start ($(tail -n1 "$dir/log" 2>/dev/null))" >&2
  stopSoundServer
  return 1
}

stopSoundServer() {
  if [ -n "${soundServerPid:-}" ]; then
    kill "$soundServerPid" 2>/dev/null && wait "$soundServerPid" 2>/dev/null
    soundServerPid=
  fi
  return 0
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  soundDir=$(mktemp -d) || exit 1
  trap 'stopSoundServer; rm -rf "$soundDir"' EXIT
  startSoundServer "$soundDir" || exit 1
  "$@"
fi
