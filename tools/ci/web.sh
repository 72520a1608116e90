#!/usr/bin/env bash
# CI step: builds the page with tools/web.sh and runs its tests (tests/web/run.mjs) in
# Chromium, Firefox ESR and WebKitGTK: the golden stills through ?at=, live plays clicked
# into as a person would, in sync with their music, context loss, broken copies of the site,
# and in Chromium the faults after Play and ?t=. Firefox and WebKit get a display of their
# own (Xvfb) and all three a private sound server with a null sink (PulseAudio, which Web
# Audio in Firefox and WebKit needs to run at all). With --bench it prints figures instead:
# ?bench at 800x600 in each engine beside the native capture's benchmark, and the time from
# Play to the first frame and the first sound. Other arguments go to run.mjs (for instance
# --engines=firefox or --only=live).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
site=${QUORVANE_WEB_BUILD:-$root/build-web}/site
# The suite's build already holds the capture program that draws the link card's screenshot.
if [ -z "${QUORVANE_CAPTURE:-}" ] && [ -x "$build/tools/capture/quorvane-capture" ]; then
  export QUORVANE_CAPTURE=$build/tools/capture/quorvane-capture
fi
"$root/tools/web.sh" || exit 1
# Debian's Node.js comes without npm; a Node.js from elsewhere usually brings its own, and
# Debian's npm would clash with it, so it is installed only where none is found.
if ! command -v npm >/dev/null; then
  echo "web: installing Debian's npm for the browser tests"
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null
fi
command -v npm >/dev/null || { echo "web: npm is missing and could not be installed"; exit 1; }
cmake --build "$build" --target web_frame_compare >/dev/null || exit 1
(cd "$root/tests/web" && npm ci --no-audit --no-fund --loglevel=error >/dev/null) || {
  echo "web: npm ci failed in tests/web"
  exit 1
}
if [ "${1:-}" = "--bench" ]; then
  cmake --build "$build" --target quorvane-capture >/dev/null || exit 1
  echo "native bench 800x600 (quorvane-capture --bench --until 10000):"
  (cd "$root" && "$build/tools/capture/quorvane-capture" --bench --until 10000 2>&1) |
    grep -E "^(whole show|total) " | sed 's/^/  /'
fi
out=$(mktemp -d)
cleanUp() {
  stopSoundServer
  stopOwnDisplay
  rm -rf "$out"
}
# shellcheck source=tools/own_display.sh
. "$root/tools/own_display.sh"
# shellcheck source=tools/sound_server.sh
. "$root/tools/sound_server.sh"
trap cleanUp EXIT
startOwnDisplay -screen 0 1920x1080x24 || exit 1
startSoundServer "$out/pulse" || exit 1

DISPLAY=$ownDisplay node "$root/tests/web/run.mjs" "$site" \
  "$root/tests/capture/golden" "$build/tests/web/web_frame_compare" "$out" "$@"
