#!/usr/bin/env bash
# Configures and builds into build/ (or $QUORVANE_BUILD): every target, or only those named
# with --target NAME (once for each). The other arguments go to cmake's configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
targets=()
configure=()
while [ $# -gt 0 ]; do
  if [ "$1" = --target ] && [ $# -ge 2 ]; then
    targets+=(--target "$2")
    shift 2
  else
    configure+=("$1")
    shift
  fi
done
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${configure[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
