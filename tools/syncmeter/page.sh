#!/usr/bin/env bash
# The page's half of tools/syncmeter.sh, sourced by it: the site and the browsers' drivers
# made ready, and the page played in one engine (page.mjs) into the meter's sound server.
kPageShowMs=65000  # past the meter's check after a minute

preparePage() {
  site=${QUORVANE_WEB_BUILD:-$root/build-web}/site
  "$root/tools/web.sh" >/dev/null
  # Installed again only when the lock file is newer: a reinstall under a running test
  # would take its modules away.
  local modules=$root/tests/web/node_modules
  if [ ! -d "$modules" ] || [ "$root/tests/web/package-lock.json" -nt "$modules" ]; then
    (cd "$root/tests/web" && npm ci --no-audit --no-fund --loglevel=error >/dev/null) || {
      echo "quorvane syncmeter: npm ci failed in tests/web" >&2
      exit 1
    }
  fi
}

playPage() {  # playPage ENGINE FRAMES_LOG SECONDS
  NODE_PATH=/usr/share/nodejs timeout "$3" \
    node "$root/tools/syncmeter/page.mjs" "$1" "$site" "$2" "$kPageShowMs"
}
