#!/usr/bin/env bash
# CI step: makes the release zip twice and requires the same bytes. The second run reuses
# the compiled programs (native, browser, Windows: their builds are up to date) and makes
# afresh everything that writes the zip's bytes: the Debian package (cpack), the site's copy
# with its PNG copies (tools/web.sh), the .nfo and file_id.diz, the screenshot and the zip.
# Then it checks the zip as a party or an archive gets it: the layout, the texts' limits,
# unzip -t, the size, the Windows program from the unpacked zip under Wine (the windows
# step's screen check sees the show; Escape ends it with status 0) and the unpacked web/ in
# headless Chromium (a golden still through ?at=).
# Needs DISPLAY.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
# A party's upload limit for the zip without the video.
kMaxZipBytes=$((16 * 1024 * 1024))
# What demo archives take as a screenshot: at most 400x300 pixels and 64 KB.
kSmallStill=quorvane-400x300.png
kSmallStillBytes=$((64 * 1024))
# The golden still the unpacked site must draw: the credits cube over the landscape.
kWebStillMs=22000
kWineScreen=1024x576x24   # 16:9, as a party's projector
kWineStartSeconds=60      # Wine's start-up, a fresh prefix included
kWineQuitSeconds=5        # from Escape to the program's end, on a busy machine
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "release: $*"; exit 1; }

version=$(sed -n 's/^project(quorvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
zip=$root/dist/quorvane-$version.zip

"$root/tools/release.sh" >"$work/first.log" 2>&1 || { cat "$work/first.log"; fail "the first run failed"; }
mv "$zip" "$work/first.zip"
"$root/tools/release.sh" >"$work/second.log" 2>&1 || { cat "$work/second.log"; fail "the second run failed"; }
sed -n '/^part /,$p' "$work/second.log"
first=$(sha256sum <"$work/first.zip" | cut -d' ' -f1)
second=$(sha256sum <"$zip" | cut -d' ' -f1)
echo "release: SHA-256 $first, then $second"
cmp -s "$work/first.zip" "$zip" || fail "two runs from the same commit made different zips"

size=$(stat -c %s "$zip")
[ "$size" -le $kMaxZipBytes ] || fail "the zip has $size bytes, more than $kMaxZipBytes"
unzip -tq "$zip" >/dev/null || fail "unzip -t finds the zip broken"

# The layout: one top folder; the Windows program at its top, the rest where the .nfo says.
listing=$(unzip -Z1 "$zip")
outside=$(grep -v '^quorvane/' <<<"$listing" || true)
[ -z "$outside" ] || fail "entries outside quorvane/: $outside"
expected=(quorvane.exe quorvane.nfo file_id.diz quorvane.png "$kSmallStill" LICENSE
          "linux/quorvane_${version}_amd64.deb" web/index.html web/manifest.json
          data/quorvane.mp3)
# The images the demo reads, from their one list.
mapfile -t images < <(sed -n 's/^"\(.*\)",$/\1/p' "$root/src/assets/ImageNames.inc")
[ ${#images[@]} -gt 0 ] || fail "no image names in src/assets/ImageNames.inc"
expected+=("${images[@]/#/data/}")
for entry in "${expected[@]}"; do
  grep -qxF "quorvane/$entry" <<<"$listing" || fail "the zip has no quorvane/$entry"
done
for entry in quorvane-capture.exe quorvane-1080p.mp4; do
  ! grep -qxF "quorvane/$entry" <<<"$listing" || fail "the zip without --video holds $entry"
done

unzip -q "$zip" -d "$work/unpacked"
top=$work/unpacked/quorvane
python3 "$root/tools/release/texts.py" check "$top/quorvane.nfo" "$top/file_id.diz" ||
  fail "the .nfo or file_id.diz breaks its limits"
pngSize() {  # PNG: its WIDTHxHEIGHT from the header, 0x0 for what is not a PNG
  python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24)
print("%dx%d" % (struct.unpack(">II", d[16:24]) if d[:8] == b"\x89PNG\r\n\x1a\n" else (0, 0)))' "$1"
}
[ "$(pngSize "$top/quorvane.png")" = 800x600 ] ||
  fail "quorvane.png is $(pngSize "$top/quorvane.png"), not 800x600"
[ "$(pngSize "$top/$kSmallStill")" = 400x300 ] ||
  fail "$kSmallStill is $(pngSize "$top/$kSmallStill"), not 400x300"
smallBytes=$(stat -c %s "$top/$kSmallStill")
[ "$smallBytes" -le $kSmallStillBytes ] ||
  fail "$kSmallStill has $smallBytes bytes, more than $kSmallStillBytes"
for text in quorvane.nfo file_id.diz; do
  grep -qF "$kSmallStill" "$top/$text" || fail "$text does not name $kSmallStill"
done
[ "$(dpkg-deb -f "$top/linux/quorvane_${version}_amd64.deb" Version)" = "$version" ] ||
  fail "the Debian package is not version $version"
echo "release: layout, limits, unzip -t, $size bytes (at most $kMaxZipBytes) and the" \
  "$kSmallStill of $smallBytes bytes (at most $kSmallStillBytes) are right"

# The Windows program as the party machine starts it, from the unpacked folder: under Wine
# on a 16:9 screen of its own with no sound device, the windows step's screen check must
# see the show (the 4:3 picture at full height between black bars), and Escape must end it
# with status 0.
cmake --build "$build" --target windows_screen_check >/dev/null || exit 1
(
  . "$root/tools/own_display.sh"
  . "$root/tools/wine_prefix.sh"
  . "$root/tools/wait_for.sh"
  trap 'stopWinePrefix; stopOwnDisplay' EXIT
  OWN_DISPLAY_SCREEN=$kWineScreen startOwnDisplay || fail "Xvfb did not start"
  export DISPLAY=$ownDisplay
  useWinePrefix "${QUORVANE_WINDOWS_BUILD:-$root/build-windows}/wine" silent
  (cd "$top" && exec wine quorvane.exe 2>"$work/demo.err") &
  demo=$!
  if ! screen=$(waitForPicture $demo $kWineStartSeconds "$build/tests/windows/windows_screen_check"); then
    kill $demo 2>/dev/null
    wait $demo 2>/dev/null
    fail "quorvane.exe from the zip showed no picture: $screen"
  fi
  # As in the windows step: the show plays a moment before it is ended (Wine hands the
  # window the keyboard after it first draws).
  sleep 1
  xdotool key Escape
  waitForExit $demo $kWineQuitSeconds
  status=$?
  [ $status -ne 124 ] || fail "Escape did not end quorvane.exe"
  [ $status -eq 0 ] || fail "quorvane.exe ended with status $status: $(cat "$work/demo.err")"
  echo "release: quorvane.exe from the zip played under Wine ($screen) and Escape ended it with status 0"
) || exit 1

# The site as an archive visitor serves it.
cmake --build "$build" --target web_frame_compare >/dev/null || exit 1
if [ ! -d "$root/tests/web/node_modules/playwright-core" ]; then
  (cd "$root/tests/web" && npm ci --no-audit --no-fund --loglevel=error >/dev/null) ||
    fail "npm ci failed in tests/web"
fi
node "$root/tests/web/run.mjs" "$top/web" "$root/tests/capture/golden" \
  "$build/tests/web/web_frame_compare" "$work" --only "$kWebStillMs" ||
  fail "web/ from the zip does not draw the golden still at $kWebStillMs ms"
echo "release: passed"
