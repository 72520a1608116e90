#!/usr/bin/env bash
# Lays out the JavaScript of the page and its tests as prettier does (the files named, or
# every one that tools/ci/style.sh checks); installs the pinned tools first when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/tools/jsstyle
[ -x "$here/node_modules/.bin/prettier" ] ||
  (cd "$here" && npm ci --prefer-offline --no-audit --no-fund --loglevel=error >/dev/null)
cd "$root"
if [ $# -eq 0 ]; then
  mapfile -d '' -t files < <(find src/platform/web/page tests/web tools/jsstyle \
    -name node_modules -prune -o -type f \( -name '*.js' -o -name '*.mjs' \) -print0 | sort -z)
  set -- "${files[@]}"
fi
"$here/node_modules/.bin/prettier" --config "$here/prettier.config.js" --write --log-level warn "$@"
