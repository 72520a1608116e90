#!/usr/bin/env bash
# Builds the show for the browser into build-web/ (or $QUORVANE_WEB_BUILD) and writes the
# static site build-web/site/: index.html and every file it loads. With --serve [PORT] it
# then serves the site on 127.0.0.1 (port 8000 unless given) until Ctrl-C.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/web.sh [--serve [PORT]]"
serve=0
port=8000
case ${1:-} in
  "") ;;
  --serve)
    serve=1
    port=${2:-8000}
    [[ $port =~ ^[0-9]+$ ]] || { echo "$usage" >&2; exit 2; }
    ;;
  -h|--help) echo "$usage"; exit 0 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac

"$root/tools/setup.sh" web
# Debian's emcc needs its JavaScript modules from Debian's node folder.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
build=${QUORVANE_WEB_BUILD:-$root/build-web}
site=$build/site

emcmake cmake -S "$root/src/platform/web" -B "$build/program" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/program" -j2

pngCopy=$build/png-copy
if [ ! -x "$pngCopy" ] || [ "$root/tools/web/PngCopy.cpp" -nt "$pngCopy" ] ||
   [ "$root/tools/png/PngFile.cpp" -nt "$pngCopy" ]; then
  c++ -std=c++17 -O2 -Wall -Wextra -isystem /usr/include/stb -I"$root/tools/png" \
    "$root/tools/web/PngCopy.cpp" "$root/tools/png/PngFile.cpp" -o "$pngCopy"
fi

rm -rf "$site"
mkdir -p "$site/data"
cp "$root/src/platform/web/page/index.html" "$root/src/platform/web/page/page.js" \
   "$root/src/platform/web/page/soundtrack.js" \
   "$build/program/quorvane.js" "$build/program/quorvane.wasm" "$site/"
# The manifest lists what the page fetches: the program and the data, each with the path
# the demo reads it from. The images travel PNG-coded under their own names; the loader
# goes by content.
entries=("{\"url\":\"quorvane.wasm\",\"role\":\"program\",\"bytes\":$(stat -c %s "$site/quorvane.wasm")}")
for image in $(sed -n 's/^"\(.*\)\.bmp",$/\1/p' "$root/src/assets/ImageNames.inc"); do
  "$pngCopy" "$root/data/$image.bmp" "$site/data/$image.png"
  entries+=("{\"url\":\"data/$image.png\",\"role\":\"data\",\"path\":\"data/$image.bmp\",\"bytes\":$(stat -c %s "$site/data/$image.png")}")
done
cp "$root/data/quorvane.mp3" "$site/data/"
# The player's card in the system's media controls shows the icon.
mkdir -p "$site/icons"
cp "$root/packaging/icons/quorvane-128.png" "$root/packaging/icons/quorvane-256.png" "$site/icons/"
entries+=("{\"url\":\"data/quorvane.mp3\",\"role\":\"data\",\"path\":\"data/quorvane.mp3\",\"bytes\":$(stat -c %s "$site/data/quorvane.mp3")}")
(IFS=,; echo "{\"files\":[${entries[*]}]}") >"$site/manifest.json"
echo "quorvane web: wrote $site ($(du -sb "$site" | cut -f1) bytes)"

if [ $serve -eq 1 ]; then
  echo "quorvane web: serving http://127.0.0.1:$port/ (Ctrl-C ends)"
  cd "$site"
  exec python3 -m http.server --bind 127.0.0.1 "$port"
fi
