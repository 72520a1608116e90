#!/usr/bin/env bash
# CI step: installs with cmake --install into a scratch prefix, makes the Debian package
# with cpack and checks it as Debian would (lintian, desktop-file-validate, the manual
# pages rendered with warnings shown), unpacks it into a scratch root (dpkg -x, no chroot),
# plays a short run of the unpacked `quorvane` and takes a still with the unpacked
# `quorvane-capture`, both from an unrelated working folder. Uses build/ (tools/build.sh).
# Needs DISPLAY.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
kShortRunSeconds=3
kStillMs=1000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package: $*"; exit 1; }

# The plain install: the usual places.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
for path in games/quorvane bin/quorvane-capture libexec/quorvane/quorvane \
            share/games/quorvane/data/t.bmp share/games/quorvane/data/quorvane.mp3; do
  [ -e "$work/prefix/$path" ] || fail "cmake --install left no $path"
done

(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work/package/"*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: $(basename "$deb"), Depends: $depends; Recommends: $(dpkg-deb -f "$deb" Recommends)"
for library in libsdl1.2debian libsdl-image1.2 libsdl-mixer1.2 libgl1 libglu1; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library"
done

# lintian refuses nothing as root but says so on stderr; its findings go to stdout.
findings=$(lintian --fail-on error,warning "$deb" 2>/dev/null) || fail "lintian: ${findings:-failed}"
[ -z "$findings" ] || fail "lintian: $findings"

dpkg -x "$deb" "$work/root"
usr=$work/root/usr
for path in share/applications/quorvane.desktop share/icons/hicolor/48x48/apps/quorvane.png \
            share/doc/quorvane/copyright share/doc/quorvane/changelog.gz; do
  [ -s "$usr/$path" ] || fail "the package has no $path"
done
findings=$(desktop-file-validate "$usr/share/applications/quorvane.desktop" 2>&1) || true
[ -z "$findings" ] || fail "desktop-file-validate: $findings"
for page in man6/quorvane.6.gz man1/quorvane-capture.1.gz; do
  findings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/$page" 2>&1 >/dev/null) || true
  [ -z "$findings" ] || fail "man $page: $findings"
done
echo "package: lintian, desktop-file-validate and the manual pages are clean"

mkdir -p "$work/elsewhere"
export LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy
"$root/tools/ci/short_run.sh" "$kShortRunSeconds" "$work/elsewhere" "$usr/games/quorvane"
(cd "$work/elsewhere" && "$usr/bin/quorvane-capture" --at "$kStillMs" --out .) ||
  fail "the unpacked quorvane-capture could not take a still"
[ -s "$work/elsewhere/quorvane-0$kStillMs.png" ] || fail "quorvane-capture wrote no still"
echo "package: unpacked into a scratch root, played and captured from another folder"
