#!/usr/bin/env bash
# CI step: builds the page with tools/web.sh and runs its tests in headless Chromium: the
# golden stills through ?at= and their controls, and a live run clicked into as a person
# would, context loss, ?t=, broken copies of the site. With --bench it prints figures instead:
# ?bench at 800x600 and 1440x1080 beside the native capture's benchmark, the cost of a frame
# run without drawing, and the time from Play to the first frame and the first sound.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
site=${QUORVANE_WEB_BUILD:-$root/build-web}/site
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
trap 'rm -rf "$out"' EXIT
node "$root/tests/web/run.mjs" "$site" "$root/tests/capture/golden" \
  "$build/tests/web/web_frame_compare" "$out" "$@"
