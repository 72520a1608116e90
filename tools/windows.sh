#!/usr/bin/env bash
# Builds the show for Windows x86-64 into build-windows/ (or $QUORVANE_WINDOWS_BUILD),
# cross-compiled with mingw-w64, and writes the folder build-windows/quorvane/ to hand out
# (zip it): quorvane.exe, quorvane-capture.exe, data/ and the licence. With --play it then
# plays the show from that folder under Wine on this machine's display, handing quorvane.exe
# what follows (--play --loop: the show again and again until Escape).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/windows.sh [--play [--loop]]"
play=0
case ${1:-} in
  "") ;;
  --play) play=1; shift ;;
  -h|--help) echo "$usage"; exit 0 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac

"$root/tools/setup.sh" windows
build=${QUORVANE_WINDOWS_BUILD:-$root/build-windows}
folder=$build/quorvane

cmake -S "$root" -B "$build/cmake" -DCMAKE_TOOLCHAIN_FILE="$root/src/platform/win32/Toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null
nice -n 10 cmake --build "$build/cmake" -j2 --target quorvane quorvane-capture

rm -rf "$folder"
mkdir -p "$folder/data"
cp "$build/cmake/src/platform/win32/quorvane.exe" "$build/cmake/tools/capture/quorvane-capture.exe" \
   "$folder/"
# What the demo reads, and nothing else of data/.
cp "$root"/data/*.bmp "$root/data/quorvane.mp3" "$folder/data/"
# Windows' own line ends, so Notepad shows the licence as it is.
sed 's/$/\r/' "$root/LICENSE" >"$folder/LICENSE.txt"
echo "quorvane windows: wrote $folder ($(du -sb "$folder" | cut -f1) bytes)"

if [ $play -eq 1 ]; then
  [ -n "${DISPLAY:-}" ] || { echo "quorvane windows: --play needs a display (DISPLAY)" >&2; exit 1; }
  # A Wine prefix of its own (unless WINEPREFIX names one), with the system's sound.
  . "$root/tools/wine_prefix.sh"
  useWinePrefix "${WINEPREFIX:-$build/wine}" any
  cd "$folder"
  exec wine quorvane.exe "$@"
fi
