#!/usr/bin/env bash
# CI step: music against picture, measured at the sound server's sink by tools/syncmeter.sh,
# for the native demo on both SDL 1.2 runtimes (the system's libsdl1.2debian, and
# libsdl1.2-compat first on the library path as in sdl_compat.sh) and for quorvane.exe
# under Wine. Fails when the music starts more than 100 ms from the show's time 0, or is more
# than 100 ms from the picture at the first frame or after 60 s: a sound server that holds a
# new stream back (a second and more), or a first frame shown long after its moment
# (llvmpipe takes 0.4 s to draw it), is caught, while a busy machine's frame or two is not.
# The first native run also records through a delay (the meter's --control) and must see the
# music that much later, and that delay must fail the bound. Needs DISPLAY only for the
# Windows build's tools; the meter brings its own.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
kBoundMs=100
kControlMs=250      # past the bound from anywhere within it but its far early edge
kControlMissMs=10   # the control's median miss
compat=$(dpkg -L libsdl1.2-compat 2>/dev/null | grep '/libSDL-1\.2\.so\.0$' || true)
[ -n "$compat" ] || { echo "sync: libsdl1.2-compat is not installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# within REPORT: whether the meter's last report puts the music's start on the show's clock
# and the music against the picture at the first frame and after 60 s within the bound.
within() {
  python3 - "$1" "$kBoundMs" <<'PYTHON'
import re, sys
# A report followed by its control's: the direct recording's rows come first.
text = open(sys.argv[1]).read().split("\ncontrol: the same monitor")[0]
starts = re.findall(r"music start .*: music +([+-][0-9.]+)", text)
rows = re.findall(r"music vs picture: ([+-][0-9.]+) ms at the first frame, ([+-][0-9.]+) ms after 60 s", text)
sys.exit(0 if starts and rows and all(abs(float(v)) <= float(sys.argv[2])
                                      for v in (starts[-1],) + rows[-1]) else 1)
PYTHON
}

# meter NAME [ARGS...]: one meter run; fails the step when the figures are out of bounds.
meter() {
  local name=$1
  shift
  echo "=== sync: $name"
  "$root/tools/syncmeter.sh" --keep "$work/$name" "$@" | tee "$work/$name.txt"
  if [ "${PIPESTATUS[0]}" -ne 0 ]; then
    echo "sync: $name: the meter failed"
    status=1
  elif ! within "$work/$name.txt"; then
    echo "sync: $name: the music starts, or is at the first frame or after 60 s, more than" \
      "$kBoundMs ms off"
    status=1
  fi
}

meter system --control $kControlMs
# The control: the same sink recorded through the delay, measured as the program's own.
if ! grep -q "^control: music later by .*median miss \([0-9.]*\) ms" "$work/system.txt"; then
  echo "sync: the control printed no result"
  status=1
else
  miss=$(sed -n 's/^control: .*median miss \([0-9.]*\) ms.*/\1/p' "$work/system.txt")
  echo "sync: control: median miss $miss ms"
  awk -v m="$miss" -v b=$kControlMissMs 'BEGIN { exit !(m <= b) }' \
    || { echo "sync: the control's delay was not seen (miss $miss ms)"; status=1; }
  sed -n '/^control: the same monitor/,$p' "$work/system.txt" >"$work/control.txt"
  if within "$work/control.txt"; then
    echo "sync: a music $kControlMs ms late passed the bound"
    status=1
  fi
fi
used=$(LD_LIBRARY_PATH=$(dirname "$compat") ldd "${QUORVANE_BUILD:-$root/build}/quorvane" |
  awk '/libSDL-1\.2/ {print $3}')
if [ "$(readlink -f "$used")" != "$(readlink -f "$compat")" ]; then
  echo "sync: compat: libSDL-1.2 resolves to $used, not $compat"
  status=1
fi
LD_LIBRARY_PATH=$(dirname "$compat") meter compat
meter windows --windows
exit $status
