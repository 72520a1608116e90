#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Starts its own virtual
# display when none is given, so it passes with no screen and no sound card.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh"
build=${QUORVANE_BUILD:-$root/build}
cd "$build"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" ctest --output-on-failure "$@"
fi
exec ctest --output-on-failure "$@"
