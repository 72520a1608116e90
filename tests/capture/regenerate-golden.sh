#!/usr/bin/env bash
# Renders the reference frames of the golden-frame tests from the images now in data/
# and records those images' checksums beside them. Run it after an intended change of
# the art or of the scenes, look at the new frames, and commit them.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/tools/build.sh"
build=${QUORVANE_BUILD:-$root/build}
golden="$root/tests/capture/golden"
times=$(tr -s ' \n' ',' < "$golden/times.txt" | sed 's/^,//; s/,$//')
rm -f "$golden"/quorvane-*.png
"$build/tools/capture/quorvane-capture" --root "$root" --at "$times" --out "$golden"
(cd "$root" && sha256sum data/*.bmp) > "$golden/data.sha256"
frames=("$golden"/quorvane-*.png)
echo "regenerate-golden: wrote ${#frames[@]} reference frames to $golden"
