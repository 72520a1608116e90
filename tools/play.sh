#!/usr/bin/env bash
# Installs what is missing, builds, and plays the demo from the project's root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh"
cd "$root"
exec "${QUORVANE_BUILD:-$root/build}/quorvane"
