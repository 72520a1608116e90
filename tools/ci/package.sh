#!/usr/bin/env bash
# CI step: installs with cmake --install into a scratch prefix, makes the Debian package
# with cpack, unpacks it into a scratch root (dpkg -x, no chroot) and plays a short run of
# the unpacked `quorvane` from an unrelated working folder. Uses build/ (tools/build.sh).
# Needs DISPLAY.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
kShortRunSeconds=3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The plain install: the usual places.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
for path in bin/quorvane libexec/quorvane/quorvane share/quorvane/data/t.bmp \
            share/quorvane/data/quorvane.mp3; do
  [ -e "$work/prefix/$path" ] || { echo "package: cmake --install left no $path"; exit 1; }
done

(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work/package/"*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: $(basename "$deb"), Depends: $depends"
for library in libsdl1.2debian libsdl-image1.2 libsdl-mixer1.2 libgl1 libglu1; do
  grep -q "$library" <<<"$depends" || { echo "package: Depends lacks $library"; exit 1; }
done

dpkg -x "$deb" "$work/root"
mkdir -p "$work/elsewhere"
export LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy
"$root/tools/ci/short_run.sh" "$kShortRunSeconds" "$work/elsewhere" "$work/root/usr/bin/quorvane"
echo "package: unpacked into a scratch root and played from another folder"
