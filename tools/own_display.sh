#!/usr/bin/env bash
# Starts a private X display for our scripts: Xvfb picks a free display number itself
# (-displayfd), so two starting together never race for one, and -noreset keeps it up while
# SDL opens and closes its probing connections.
#   own_display.sh COMMAND [ARGS...]   runs the command on a display of its own and stops
#                                      the server after it; the command's status is its own
#   . own_display.sh                   defines startOwnDisplay [XVFB_ARGS...], which sets
#                                      ownDisplay (":N") and ownDisplayPid, and
#                                      stopOwnDisplay [PID] (the last one started by default)
# The screen is OWN_DISPLAY_SCREEN (WIDTHxHEIGHTxDEPTH), 1024x768x24 unless set.
kOwnDisplayStartSeconds=15

# shellcheck disable=SC2120  # the scripts that source this file pass Xvfb arguments
startOwnDisplay() {
  local ready i
  ready=$(mktemp) || return 1
  Xvfb -displayfd 3 -screen 0 "${OWN_DISPLAY_SCREEN:-1024x768x24}" -nolisten tcp -noreset "$@" 3>"$ready" >/dev/null 2>&1 &
  ownDisplayPid=$!
  for ((i = 0; i < kOwnDisplayStartSeconds * 20; ++i)); do
    [ -s "$ready" ] && break
    kill -0 "$ownDisplayPid" 2>/dev/null || break
    sleep 0.05
  done
  ownDisplay=:$(head -n1 "$ready")
  rm -f "$ready"
  if [ "$ownDisplay" = ":" ]; then
    echo "quorvane: Xvfb did not start" >&2
    stopOwnDisplay
    return 1
  fi
}

# shellcheck disable=SC2120  # the server to stop is optional
stopOwnDisplay() {
  local pid=${1:-${ownDisplayPid:-}}
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    [ "$pid" = "${ownDisplayPid:-}" ] && ownDisplayPid=
  fi
  return 0
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  trap stopOwnDisplay EXIT
  startOwnDisplay || exit 1
  DISPLAY=$ownDisplay "$@"
fi
