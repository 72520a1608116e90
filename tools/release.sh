#!/usr/bin/env bash
# Makes the party release, dist/quorvane-VERSION.zip, building what is missing. Under one top
# folder quorvane/: the Windows program (quorvane.exe with data/, all a party machine needs),
# linux/ the Debian package, web/ the site for the browser, quorvane.nfo, file_id.diz, the
# screenshots quorvane.png (800x600) and quorvane-400x300.png (what demo archives take) and
# LICENSE; with --video also quorvane-1080p.mp4 (minutes more).
# The same commit gives the same zip byte for byte: every time in it is the commit's
# (SOURCE_DATE_EPOCH, when not given), entries sorted, modes fixed. Prints each part's size
# and the zip's SHA-256.
#   QUORVANE_RELEASE_BUILD  the native build it configures and uses (default build-release/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/release.sh [--video]"
video=0
case ${1:-} in
  "") ;;
  --video) video=1 ;;
  -h|--help) echo "$usage"; exit 0 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
[ $# -le 1 ] || { echo "$usage" >&2; exit 2; }
fail() { echo "quorvane release: $*" >&2; exit 1; }

# The moment the screenshot shows: the logo cube turning in the ring of greetings, the
# fountain above, the landscape below.
kStillMs=81000
# The archives' screenshot: at most 400x300 pixels and 64 KB, drawn at that size.
kSmallStillSize=400x300
kSmallStillName=quorvane-$kSmallStillSize.png
kSmallStillBytes=$((64 * 1024))
# The party video: the 4:3 picture at full 1080p height, centred on black in 16:9.
videoArguments=(--size 1440x1080 --samples 4 --pad 1920x1080)
kVideoName=quorvane-1080p.mp4
# What the zip takes of the Windows folder: the program and what it reads. Not its capture
# program, which wants ffmpeg for videos (the zip carries none; the Debian package has the
# capture program), nor its LICENSE.txt (the zip has LICENSE at the top).
windowsParts=(quorvane.exe data)

version=$(sed -n 's/^project(quorvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || fail "no project VERSION in CMakeLists.txt"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
  echo "quorvane release: the working tree differs from its commit; this zip is not the commit's" >&2
fi

lists=(core capture art web release)
[ -f "$root/tools/packages/windows.txt" ] && lists+=(windows)
"$root/tools/setup.sh" "${lists[@]}"

# The programs. Paths of this machine stay out of them (-ffile-prefix-map), so another
# checkout elsewhere builds the same bytes.
build=${QUORVANE_RELEASE_BUILD:-$root/build-release}
prefixMap="-ffile-prefix-map=$root/="
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
  "-DCMAKE_C_FLAGS=$prefixMap" "-DCMAKE_CXX_FLAGS=$prefixMap" >/dev/null
cmake --build "$build" -j2 --target quorvane quorvane-capture quorvane-artgen quorvane_compressed_docs
# The site's link card shows the same screenshot as the zip, taken by the same program.
QUORVANE_CAPTURE=$build/tools/capture/quorvane-capture "$root/tools/web.sh"
site=${QUORVANE_WEB_BUILD:-$root/build-web}/site
[ -x "$root/tools/windows.sh" ] || fail "no tools/windows.sh to build the Windows program with"
"$root/tools/windows.sh"
windows=$root/build-windows/quorvane
[ -f "$windows/quorvane.exe" ] || fail "tools/windows.sh left no $windows/quorvane.exe"

# Everything that goes into the zip is made afresh in the stage.
stage=$build/stage/quorvane
rm -rf "$build/stage"
mkdir -p "$stage/linux"
for part in "${windowsParts[@]}"; do
  cp -r "$windows/$part" "$stage/"
done
# The linker writes the time of linking into a Windows program's header unless told not to
# (-Wl,--no-insert-timestamp); a program that carries one differs from every other build.
peTime=$(python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(4096)
header = struct.unpack_from("<I", data, 0x3c)[0]
print(struct.unpack_from("<I", data, header + 8)[0] if data[header:header + 4] == b"PE\0\0" else "none")' \
  "$stage/quorvane.exe")
[ "$peTime" = 0 ] || fail "quorvane.exe carries a link time ($peTime) in its header; link it with -Wl,--no-insert-timestamp"

rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
deb=$build/package/quorvane_${version}_amd64.deb
[ -f "$deb" ] || fail "cpack made no $deb"
cp "$deb" "$stage/linux/"

cp -r "$site" "$stage/web"
cp "$root/LICENSE" "$stage/"

"$build/tools/artgen/quorvane-artgen" --card-text >"$build/cards.txt"
python3 "$root/tools/release/texts.py" write --version "$version" --cards "$build/cards.txt" \
  --video-command "quorvane-capture ${videoArguments[*]} --video $kVideoName" \
  --still-command "quorvane-capture --at $kStillMs" \
  --small-still-command "quorvane-capture --size $kSmallStillSize --at $kStillMs" "$stage"

# The capture draws on Mesa's software renderer whatever the machine's GPU. llvmpipe compiles
# its shaders for the processor it runs on, and the last bits of a pixel change with the
# instructions chosen: held to SSE2, which every x86-64 has, the still is the same anywhere.
captureGl=(env LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe GALLIUM_OVERRIDE_CPU_CAPS=sse2)
stills=$build/stills
rm -rf "$stills"
mkdir -p "$stills"
"${captureGl[@]}" "$build/tools/capture/quorvane-capture" --root "$root" --at "$kStillMs" \
  --out "$stills" 2>/dev/null || fail "quorvane-capture could not take the screenshot"
mv "$stills/quorvane-$(printf %05d "$kStillMs").png" "$stage/quorvane.png"
# The same moment drawn at the archives' size, not scaled down from the large one.
"${captureGl[@]}" "$build/tools/capture/quorvane-capture" --root "$root" --at "$kStillMs" \
  --size "$kSmallStillSize" --out "$stills" 2>/dev/null ||
  fail "quorvane-capture could not take the $kSmallStillSize screenshot"
# Compressed again, and if that is not enough in fewer colours, to fit the archives' limit.
python3 "$root/tools/release/small_png.py" "$stills/quorvane-$(printf %05d "$kStillMs").png" \
  "$stage/$kSmallStillName" "$kSmallStillBytes" || fail "$kSmallStillName does not fit"

if [ $video -eq 1 ]; then
  echo "quorvane release: rendering $kVideoName (every frame at 1440x1080; minutes)"
  "${captureGl[@]}" "$build/tools/capture/quorvane-capture" --root "$root" "${videoArguments[@]}" \
    --video "$stage/$kVideoName" || fail "quorvane-capture could not render $kVideoName"
  # What party rules ask of the video, read back from the file.
  probe() {  # stream field...: "field=value" for each, one line
    ffprobe -v error -select_streams "$1" -show_entries "stream=$(IFS=,; echo "${*:2}")" \
      -of compact=p=0 "$stage/$kVideoName" | tr '|' ' '
  }
  pictures=$(probe v:0 codec_name profile width height r_frame_rate level)
  sound=$(probe a:0 codec_name channels)
  for expected in "codec_name=h264 profile=High width=1920 height=1080 r_frame_rate=50/1" \
                  "codec_name=aac channels=2"; do
    for field in $expected; do
      [[ " $pictures $sound " == *" $field "* ]] || fail "$kVideoName is not $field: $pictures; $sound"
    done
  done
  level=${pictures##*level=}
  [ "${level%% *}" -le 42 ] || fail "$kVideoName has H.264 level ${level%% *}, above 4.2"
fi

# Modes as the zip records them: executable the programs only, whatever the umask.
chmod -R u=rwX,go=rX "$stage"
find "$stage" -type f -exec chmod 0644 {} +
find "$stage" -type f -name '*.exe' -exec chmod 0755 {} +
# A path of this machine in any file would make another machine's zip differ.
if grep -rlF "$root" "$stage" >"$build/paths.txt"; then
  fail "these files hold the path $root: $(tr '\n' ' ' <"$build/paths.txt")"
fi

zip=$root/dist/quorvane-$version.zip
mkdir -p "$root/dist"
python3 "$root/tools/release/pack.py" "$stage" "$zip" "$SOURCE_DATE_EPOCH"
echo "quorvane release: wrote $zip ($(stat -c %s "$zip") bytes)"
sha256sum "$zip" | cut -d' ' -f1
