#!/usr/bin/env bash
# Builds the show for the browser into build-web/ (or $QUORVANE_WEB_BUILD) and writes the
# static site build-web/site/: index.html and every file it loads, the web app manifest and
# icons, the screenshot a shared link shows, and the service worker that keeps them all for
# offline use (its cache named after a hash of every other file). With --site-url URL the
# link card's addresses are absolute under URL, as link-preview bots want them. With
# --serve [PORT] it then serves the site on 127.0.0.1 (port 8000 unless given) until Ctrl-C.
#   QUORVANE_CAPTURE  the capture program that takes the screenshot (default: one built into
#                     build-web/native/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/web.sh [--site-url URL] [--serve [PORT]]"
serve=0
port=8000
siteUrl=""
while [ $# -gt 0 ]; do
  case $1 in
    --serve)
      serve=1
      if [ $# -gt 1 ] && [[ $2 != --* ]]; then
        port=$2
        shift
      fi
      [[ $port =~ ^[0-9]+$ ]] || { echo "$usage" >&2; exit 2; }
      ;;
    --site-url)
      [ $# -gt 1 ] || { echo "$usage" >&2; exit 2; }
      # The site's folder; it goes into HTML attributes and a sed replacement: no quotes,
      # brackets, spaces, |, ? or #.
      [[ $2 =~ ^https?://[^[:space:]\"\'\<\>\\|?#]+$ ]] || {
        echo "quorvane web: --site-url takes the site folder's http:// or https:// address," \
             "not $2" >&2
        exit 2
      }
      siteUrl=${2%/}
      shift
      ;;
    -h|--help) echo "$usage"; exit 0 ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
  shift
done

# The moment the link card's screenshot shows, as the release's quorvane.png.
kStillMs=81000
lists=(web)
[ -n "${QUORVANE_CAPTURE:-}" ] || lists+=(core capture)
"$root/tools/setup.sh" "${lists[@]}"
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

# The screenshot, drawn as the release draws its own: on llvmpipe held to SSE2, so that the
# same program and data give the same bytes on any machine.
capture=${QUORVANE_CAPTURE:-}
if [ -z "$capture" ]; then
  [ -f "$build/native/CMakeCache.txt" ] ||
    cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build/native" -j2 --target quorvane-capture >/dev/null
  capture=$build/native/tools/capture/quorvane-capture
fi
still=$build/still/quorvane-$(printf %05d "$kStillMs").png
# A capture program given (the release's) draws it afresh; our own keeps it while it holds.
if [ -n "${QUORVANE_CAPTURE:-}" ] || [ ! -f "$still" ] || [ "$capture" -nt "$still" ] ||
   [ -n "$(find "$root/data" -newer "$still" -print -quit)" ]; then
  rm -rf "$build/still"
  mkdir -p "$build/still"
  env LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe GALLIUM_OVERRIDE_CPU_CAPS=sse2 \
    "$capture" --root "$root" --at "$kStillMs" --out "$build/still" \
    >/dev/null 2>"$build/still/log.txt" || {
    echo "quorvane web: $capture could not take the screenshot:" >&2
    tail -n 3 "$build/still/log.txt" >&2
    exit 1
  }
fi

# The timeline's previews: one 160x120 still a second (the middle of each), drawn by the
# same capture program and laid out in one JPEG sheet of ten a row.
storyboardTool=$build/storyboard
if [ ! -x "$storyboardTool" ] || [ "$root/tools/web/Storyboard.cpp" -nt "$storyboardTool" ] ||
   [ "$root/tools/png/PngFile.cpp" -nt "$storyboardTool" ]; then
  c++ -std=c++17 -O2 -Wall -Wextra -isystem /usr/include/stb -I"$root/tools/png" \
    "$root/tools/web/Storyboard.cpp" "$root/tools/png/PngFile.cpp" -o "$storyboardTool"
fi
kStoryboardColumns=10
kStoryboardSize=160x120
storyboard=$build/storyboard-stills/storyboard.jpg
if [ -n "${QUORVANE_CAPTURE:-}" ] || [ ! -f "$storyboard" ] || [ "$capture" -nt "$storyboard" ] ||
   [ "$storyboardTool" -nt "$storyboard" ] ||
   [ -n "$(find "$root/data" -newer "$storyboard" -print -quit)" ]; then
  rm -rf "$build/storyboard-stills"
  mkdir -p "$build/storyboard-stills"
  # 500, 1500, ... ms, and the last frame for the show's last half second.
  moments=$(seq -s, 500 1000 84500),85480
  env LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe GALLIUM_OVERRIDE_CPU_CAPS=sse2 \
    "$capture" --root "$root" --size "$kStoryboardSize" --at "$moments" \
    --out "$build/storyboard-stills" >/dev/null 2>"$build/storyboard-stills/log.txt" || {
    echo "quorvane web: $capture could not draw the storyboard:" >&2
    tail -n 3 "$build/storyboard-stills/log.txt" >&2
    exit 1
  }
  "$storyboardTool" "$storyboard" "$kStoryboardColumns" "$build"/storyboard-stills/quorvane-*.png
fi

page=$root/src/platform/web/page
rm -rf "$site"
mkdir -p "$site/data" "$site/icons"
# Every script of the page (its modules and offline.js); the worker comes stamped, below.
for script in "$page"/*.js; do
  [ "$(basename "$script")" = sw.js ] || cp "$script" "$site/"
done
cp "$page/quorvane.webmanifest" "$build/program/quorvane.js" "$build/program/quorvane.wasm" \
   "$site/"
cp "$still" "$site/quorvane.png"
cp "$storyboard" "$site/storyboard.jpg"
# Its layout, which the page's timeline reads before it shows a tile.
printf '{"url":"storyboard.jpg","columns":%d,"width":%d,"height":%d,"firstMs":500,"everyMs":1000}\n' \
  "$kStoryboardColumns" "${kStoryboardSize%x*}" "${kStoryboardSize#*x}" >"$site/storyboard.json"
# The install's icons, which the player's card in the system's media controls shows too.
cp "$root"/packaging/icons/*.png "$site/icons/"
if [ -n "$siteUrl" ]; then
  # The card's image at its absolute address, and the page's own.
  url=${siteUrl//&/&amp;}
  url=${url//&/\\&}
  sed -e "s|content=\"quorvane.png\"|content=\"$url/quorvane.png\"|" \
      -e "s|^<meta property=\"og:type\" .*|&\\n<meta property=\"og:url\" content=\"$url/\">|" \
      "$page/index.html" >"$site/index.html"
else
  cp "$page/index.html" "$site/"
fi
# The manifest lists what the page fetches: the program and the data, each with the path
# the demo reads it from. The images travel PNG-coded under their own names; the loader
# goes by content.
entries=("{\"url\":\"quorvane.wasm\",\"role\":\"program\",\"bytes\":$(stat -c %s "$site/quorvane.wasm")}")
mapfile -t images < <(sed -n 's/^"\(.*\)\.bmp",$/\1/p' "$root/src/assets/ImageNames.inc")
for image in "${images[@]}"; do
  "$pngCopy" "$root/data/$image.bmp" "$site/data/$image.png"
  entries+=("{\"url\":\"data/$image.png\",\"role\":\"data\",\"path\":\"data/$image.bmp\",\"bytes\":$(stat -c %s "$site/data/$image.png")}")
done
cp "$root/data/quorvane.mp3" "$site/data/"
entries+=("{\"url\":\"data/quorvane.mp3\",\"role\":\"data\",\"path\":\"data/quorvane.mp3\",\"bytes\":$(stat -c %s "$site/data/quorvane.mp3")}")
(IFS=,; echo "{\"files\":[${entries[*]}]}") >"$site/manifest.json"
# The service worker, stamped with the build: every file's SHA-256 and, from them, the id
# its cache is named after. A changed file is a new build, and a new worker the browser
# installs on the next visit.
mapfile -t files < <(cd "$site" && find . -type f ! -name sw.js -printf '%P\n' | LC_ALL=C sort)
hashes=$(cd "$site" && sha256sum "${files[@]}")
# The worker's own code counts too: a worker that differs always keeps into a cache of its own.
buildId=$({ echo "$hashes"; sha256sum <"$page/sw.js"; } | sha256sum | cut -c1-16)
kept=()
while read -r sha256 file; do
  kept+=("{\"url\":\"$file\",\"sha256\":\"$sha256\"}")
done <<<"$hashes"
{
  (IFS=,; printf 'const kBuild = {"id":"%s","files":[%s]};\n' "$buildId" "${kept[*]}")
  cat "$page/sw.js"
} >"$site/sw.js"
echo "quorvane web: wrote $site ($(du -sb "$site" | cut -f1) bytes)"

if [ $serve -eq 1 ]; then
  echo "quorvane web: serving http://127.0.0.1:$port/ (Ctrl-C ends)"
  cd "$site"
  exec python3 -m http.server --bind 127.0.0.1 "$port"
fi
