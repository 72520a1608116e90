#!/usr/bin/env bash
# CI step: the short run on both SDL 1.2 runtimes Debian ships. libsdl1.2debian is the
# system's; sdl12-compat (the SDL 1.2 API over SDL 2) is Debian's libsdl1.2-compat, whose
# library sits in its own folder so that both can be installed at once; it is put first on
# the library path. (libsdl1.2-compat-shim, which makes it the system's libSDL-1.2, conflicts
# with libsdl1.2debian and would remove the development files the build needs.)
# Needs DISPLAY.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
kShortRunSeconds=3
compat=$(dpkg -L libsdl1.2-compat 2>/dev/null | grep '/libSDL-1\.2\.so\.0$' || true)
[ -n "$compat" ] || { echo "sdl compat: libsdl1.2-compat is not installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/tests/hardening/make_inputs.py" data "$work/data"
export LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy

for runtime in system compat; do
  libraryPath=""
  [ "$runtime" = compat ] && libraryPath=$(dirname "$compat")
  used=$(LD_LIBRARY_PATH=$libraryPath ldd "$build/quorvane" | awk '/libSDL-1\.2/ {print $3}')
  used=$(readlink -f "$used")
  echo "sdl $runtime: libSDL-1.2 resolves to $used"
  if [ "$runtime" = compat ] && [ "$used" = "$(readlink -f /usr/lib/*/libSDL-1.2.so.0)" ]; then
    echo "sdl compat: the library path did not take"; exit 1
  fi
  LD_LIBRARY_PATH=$libraryPath "$root/tools/ci/short_run.sh" "$kShortRunSeconds" "$work" "$build/quorvane"
done
