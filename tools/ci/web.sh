#!/usr/bin/env bash
# CI step: builds the page with tools/web.sh and runs its tests in headless Chromium: the
# golden stills through ?at= and their controls, and a live run clicked into as a person
# would. With --bench it runs ?bench instead and prints the figures.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
site=${QUORVANE_WEB_BUILD:-$root/build-web}/site
"$root/tools/web.sh" || exit 1
command -v npm >/dev/null || { echo "web: npm is missing (it comes with Node.js)"; exit 1; }
cmake --build "$build" --target web_frame_compare >/dev/null || exit 1
(cd "$root/tests/web" && npm ci --no-audit --no-fund --loglevel=error >/dev/null) || {
  echo "web: npm ci failed in tests/web"
  exit 1
}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
node "$root/tests/web/run.mjs" "$site" "$root/tests/capture/golden" \
  "$build/tests/web/web_frame_compare" "$out" "$@"
