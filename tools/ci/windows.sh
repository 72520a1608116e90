#!/usr/bin/env bash
# CI step: builds the Windows programs with tools/windows.sh and tries them under Wine, on a
# 16:9 virtual screen of its own with no sound device:
#   imports  both programs import only DLLs every Windows 10 has;
#   music    the soundtrack decoded on the Windows path equals ffmpeg's decode (a control
#            shifted by one sample must not);
#   stills   quorvane-capture.exe --at the golden times matches tests/capture/golden (a still
#            of another time must not);
#   live     quorvane.exe shows the 4:3 picture at the screen's full height between black
#            bars, and Escape, Alt-F4 and the close button each end it with status 0 within a
#            second, and Wine's wait for a window manager; without data/logo.bmp it says so in one line and ends with status 1,
#            in a message box when it has no stderr.
# With --bench it prints figures instead: the Windows and the native capture's
# --bench --until 10000 side by side, and the time from start to the first frame.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
wbuild=${QUORVANE_WINDOWS_BUILD:-$root/build-windows}
folder=$wbuild/quorvane
golden=$root/tests/capture/golden
kScreen=1024x576x24     # 16:9: the 4:3 picture is 768 x 576 between two bars of 128
kBenchScreen=1280x720x24  # 16:9 and tall enough for the native capture's 800 x 600 window
kQuitMs=1000            # Escape, Alt-F4 or the close button to the show's end
# Wine's X11 driver then waits up to 2 s for a window manager to withdraw the closing window
# ("wait_for_withdrawn_state ... wait timed out"); the bare Xvfb here has none, Windows no such wait.
kWineWithdrawMs=2000
kFailSeconds=10         # a missing image to the program's end
kWindowSeconds=60       # start-up under Wine, a fresh prefix included
bench=0
[ "${1:-}" = --bench ] && { bench=1; kScreen=$kBenchScreen; }

"$root/tools/windows.sh" || exit 1
cmake --build "$wbuild/cmake" --target windows_music_check >/dev/null || exit 1
cmake --build "$build" --target web_frame_compare windows_screen_check quorvane-close-window \
  quorvane-capture >/dev/null || exit 1

tmp=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# A screen of our own (Xvfb picks a free number), Wine's prefix kept between runs, and no
# sound driver: the demo must play silent with one warning.
Xvfb -displayfd 3 -screen 0 $kScreen -nolisten tcp -noreset 3>"$tmp/display" >/dev/null 2>&1 &
server=$!
for _ in $(seq 1 300); do [ -s "$tmp/display" ] && break; sleep 0.05; done
[ -s "$tmp/display" ] || { echo "windows: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n1 "$tmp/display")
export WINEPREFIX=$wbuild/wine WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="winealsa.drv,winepulse.drv,wineoss.drv,winecoreaudio.drv=d"
[ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i >/dev/null 2>&1
# One Wine server for every run, started here: its start (seconds) is not the programs'.
wineserver -p
wine cmd /c exit >/dev/null 2>&1

nowMs() { echo $(( $(date +%s%N) / 1000000 )); }
windowsPath() { winepath -w "$1" 2>/dev/null; }

if [ $bench -eq 1 ]; then
  # The first frame: a still of it written, from the program's start to its end.
  for side in windows native; do
    start=$(nowMs)
    if [ $side = windows ]; then
      (cd "$folder" && wine quorvane-capture.exe --at 21 --out "$(windowsPath "$tmp")" 2>/dev/null)
    else
      (cd "$root" && "$build/tools/capture/quorvane-capture" --at 21 --out "$tmp" 2>/dev/null)
    fi
    echo "$side: start to the first frame written $(( $(nowMs) - start )) ms"
  done
  # The live demo: from its start to the first picture on the screen.
  start=$(nowMs)
  (cd "$folder" && exec wine quorvane.exe 2>/dev/null) &
  demo=$!
  until "$build/tests/windows/windows_screen_check" >/dev/null 2>&1; do
    kill -0 $demo 2>/dev/null || break
    sleep 0.05
  done
  echo "windows: quorvane.exe start to the first frame on screen $(( $(nowMs) - start )) ms"
  xdotool key Escape
  wait $demo
  for side in windows native; do
    if [ $side = windows ]; then
      line=$(cd "$folder" && wine quorvane-capture.exe --bench --until 10000 2>/dev/null | tail -n1)
    else
      line=$(cd "$root" && "$build/tools/capture/quorvane-capture" --bench --until 10000 2>/dev/null | tail -n1)
    fi
    median=$(echo "$line" | sed -n 's/.*"frames":[0-9]*,"median_ms":\([0-9.]*\).*/\1/p')
    echo "$side: --bench --until 10000 median $median ms  $line"
  done
  exit 0
fi

failed=()
report() {  # name status detail
  # A failure says how busy the machine was: the live runs' times follow its frame costs.
  echo "windows $1: $([ "$2" -eq 0 ] && echo passed || echo "FAILED (load average $(cut -d' ' -f1 /proc/loadavg))") $3"
  [ "$2" -eq 0 ] || failed+=("$1")
}

# Imports: the system DLLs of a plain Windows 10 install, nothing the zip would have to bring.
kSystemDlls="^(kernel32|user32|gdi32|opengl32|glu32|winmm|msacm32|msvcrt)\.dll$"
for program in quorvane.exe quorvane-capture.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$folder/$program" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z')
  others=$(echo "$dlls" | grep -Ev "$kSystemDlls")
  report "imports $program" "$([ -n "$dlls" ] && [ -z "$others" ] && echo 0 || echo 1)" \
    "($(echo $dlls))${others:+; not on every Windows: $(echo $others)}"
done

# Music: the ACM decode against ffmpeg's, and a reference one sample late as a control.
ffmpeg -loglevel error -i "$root/data/quorvane.mp3" -f s16le -acodec pcm_s16le "$tmp/music.raw"
tail -c +5 "$tmp/music.raw" >"$tmp/music-shifted.raw"
checker=$wbuild/cmake/tests/windows/windows_music_check.exe
out=$(wine "$checker" "$(windowsPath "$root/data/quorvane.mp3")" "$(windowsPath "$tmp/music.raw")" 2>&1)
report music $? "$out"
out=$(wine "$checker" "$(windowsPath "$root/data/quorvane.mp3")" "$(windowsPath "$tmp/music-shifted.raw")" 2>&1)
report "music control" "$([ $? -eq 1 ] && echo 0 || echo 1)" "(must mismatch) $out"

# Stills at the golden times, and one of a neighbouring stage held against another's golden.
times=$(tr -s ' \n' ',' <"$golden/times.txt" | sed 's/,$//')
mkdir -p "$tmp/stills"
(cd "$folder" && wine quorvane-capture.exe --at "$times" --out "$(windowsPath "$tmp/stills")" 2>"$tmp/capture.err")
report "stills written" $? "$(tail -n1 "$tmp/capture.err")"
if (cd "$root" && sha256sum --check --quiet "$golden/data.sha256" >/dev/null 2>&1); then
  for ms in ${times//,/ }; do
    name=quorvane-$(printf %05d "$ms").png
    out=$("$build/tests/web/web_frame_compare" "$tmp/stills/$name" "$golden/$name")
    report "still $ms" $? "$out"
  done
else
  echo "windows stills: the golden frames were made from other data; comparison skipped"
fi
out=$("$build/tests/web/web_frame_compare" "$tmp/stills/quorvane-22000.png" "$golden/quorvane-23000.png")
report "still control" "$([ $? -eq 1 ] && echo 0 || echo 1)" "(22000 against 23000, must be beyond) $out"

# Live runs. startDemo FOLDER: starts quorvane.exe there, its stderr to $tmp/demo.err.
startDemo() {
  (cd "$1" && exec wine quorvane.exe 2>"$tmp/demo.err") &
  demo=$!
}
# waitForExit MS: waits up to MS for the demo; sets status (124 when it did not end) and took.
waitForExit() {
  local start deadline
  start=$(nowMs)
  deadline=$((start + $1))
  status=124
  while [ "$(nowMs)" -le $deadline ]; do
    if ! kill -0 $demo 2>/dev/null; then
      wait $demo
      status=$?
      break
    fi
    sleep 0.01
  done
  took=$(( $(nowMs) - start ))
  [ $status -eq 124 ] && { kill -KILL $demo 2>/dev/null; wait $demo 2>/dev/null; }
}
# waitForPicture: until the show is on the screen (or the demo ended); the check's line in $out.
waitForPicture() {
  local tries=$((kWindowSeconds * 10))
  while [ $tries -gt 0 ]; do
    out=$("$build/tests/windows/windows_screen_check" "$tmp/screen.ppm") && return 0
    kill -0 $demo 2>/dev/null || return 1
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}
# The one line a silent show says, and nothing else.
onlySoundWarning() {
  # The C runtime ends a redirected stream's lines the Windows way, with CR LF.
  [ "$(wc -l <"$tmp/demo.err")" -eq 1 ] &&
    tr -d '\r' <"$tmp/demo.err" | grep -q '^quorvane: cannot open audio: .*playing without sound$'
}

for ending in Escape Alt-F4 "close button"; do
  startDemo "$folder"
  waitForPicture
  shown=$?
  [ "$ending" = Escape ] && report "live picture" $shown "$out"
  # Give the show a moment of playing before it is ended.
  sleep 1
  # Keys go where the X focus is; with no window manager, nobody else gives it.
  window=$(xdotool search --name '^Quorvane$' | head -n1)
  xdotool windowfocus "$window" 2>/dev/null
  case $ending in
    Escape) xdotool key Escape ;;
    Alt-F4) xdotool key alt+F4 ;;
    *) "$build/tests/hardening/quorvane-close-window" "$window" ;;
  esac
  # Waited for longer than asked, so that a slow end says how slow.
  waitForExit $((kFailSeconds * 1000))
  ok=1
  [ $shown -eq 0 ] && [ $status -eq 0 ] && [ $took -le $((kQuitMs + kWineWithdrawMs)) ] && onlySoundWarning && ok=0
  report "live $ending" $ok "(status $status after $took ms; stderr: $(tr '\n' ' ' <"$tmp/demo.err"))"
done

# A missing image: the one line, status 1, and no message box waiting for a click.
broken=$tmp/broken
mkdir -p "$broken"
cp -r "$folder/quorvane.exe" "$folder/data" "$broken/"
rm "$broken/data/logo.bmp"
startDemo "$broken"
waitForExit $((kFailSeconds * 1000))
lines=$(grep -c '^quorvane: cannot load data/logo.bmp' "$tmp/demo.err")
report "missing image" "$([ $status -eq 1 ] && [ "$lines" -eq 1 ] && echo 0 || echo 1)" \
  "(status $status after $took ms; stderr: $(tr '\n' ' ' <"$tmp/demo.err"))"

# The same started as a double click starts it, with no stderr: the lines come up in a message
# box (a window of that title, smaller than the screen), and the status once it is dismissed.
(cd "$broken" && exec wine start /wait quorvane.exe </dev/null >/dev/null 2>&1) &
demo=$!
box=
for _ in $(seq 1 $((kWindowSeconds * 10))); do
  for window in $(xdotool search --name '^Quorvane$' 2>/dev/null); do
    width=$(xwininfo -id "$window" 2>/dev/null | sed -n 's/.*Width: //p')
    [ -n "$width" ] && [ "$width" -lt "${kScreen%%x*}" ] && box=$window
  done
  [ -n "$box" ] && break
  kill -0 $demo 2>/dev/null || break
  sleep 0.1
done
[ -n "$box" ] && { xdotool windowfocus "$box"; xdotool key Return; }
waitForExit $((kWindowSeconds * 1000))
report "missing image, no stderr" "$([ -n "$box" ] && [ $status -eq 1 ] && echo 0 || echo 1)" \
  "(message box: ${box:-none}; status $status)"

[ ${#failed[@]} -eq 0 ] || { echo "windows: failed: ${failed[*]}"; exit 1; }
echo "windows: all passed"
