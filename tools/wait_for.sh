#!/usr/bin/env bash
# Sourced by the scripts that start the demo and wait on it: one bounded wait each.
#   waitForExit PID SECONDS
#       waits up to SECONDS for PID, a child of this shell, to end; returns its status, or
#       124 when it did not end in time (it is then killed with SIGKILL and reaped).
#   waitForPicture PID SECONDS CHECK [ARGS...]
#       runs CHECK, a program that says whether the screen shows the picture, until it
#       succeeds, for at most SECONDS or until PID ends; prints CHECK's last answer and
#       returns 0 once it succeeded, 1 otherwise.
#   nowMs, pastMs MS
#       the wall clock in milliseconds, printed; whether it has passed MS.
kWaitPollSeconds=0.05  # how often a wait looks again

nowMs() { echo $((${EPOCHREALTIME/./} / 1000)); }
# Whether the clock has passed MS; without a subshell, which costs a busy machine its time.
pastMs() { [ $((${EPOCHREALTIME/./} / 1000)) -gt "$1" ]; }

waitForExit() {
  local pid=$1 deadline=$(($(nowMs) + $2 * 1000))
  while kill -0 "$pid" 2>/dev/null; do
    if pastMs "$deadline"; then
      kill -KILL "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
      return 124
    fi
    sleep "$kWaitPollSeconds"
  done
  wait "$pid"
}

waitForPicture() {
  local pid=$1 deadline=$(($(nowMs) + $2 * 1000)) answer
  shift 2
  while :; do
    answer=$("$@" 2>&1) && { echo "$answer"; return 0; }
    if ! kill -0 "$pid" 2>/dev/null || pastMs "$deadline"; then
      echo "$answer"
      return 1
    fi
    sleep "$kWaitPollSeconds"
  done
}
