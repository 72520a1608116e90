#!/usr/bin/env bash
# Installs what is missing, builds, and plays the demo from the project's root. On a
# machine without a display it says so and renders the show, with its soundtrack, to
# quorvane.mp4 in the project's root with the capture program instead. Installs and
# builds only what that needs: the demo, and the capture program when there is no display;
# no tests and no generators.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" core capture
build=${QUORVANE_BUILD:-$root/build}
cd "$root"
if [ -z "${DISPLAY:-}" ]; then
  "$root/tools/build.sh" -DBUILD_TESTING=OFF --target quorvane --target quorvane-capture
  echo "quorvane: no display to play on (DISPLAY is unset); rendering the show to $root/quorvane.mp4 instead" >&2
  exec "$build/tools/capture/quorvane-capture" --video "$root/quorvane.mp4"
fi
"$root/tools/build.sh" -DBUILD_TESTING=OFF --target quorvane
exec "$build/quorvane"
