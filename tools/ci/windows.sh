#!/usr/bin/env bash
# CI step: builds the Windows programs with tools/windows.sh and tries them under Wine, each
# part on virtual screens of its own:
#   imports  both programs import only DLLs every Windows 10 has;
#   music    the soundtrack decoded on the Windows path equals ffmpeg's decode (a control
#            shifted by one sample must not);
#   stills   quorvane-capture.exe --at the golden times matches tests/capture/golden (a still
#            of another time must not);
#   sound    quorvane.exe --loop plays through Wine's PulseAudio driver into a null sink, past
#            the show's end into its second pass with no thread or sound stream more than in
#            the first, until Escape ends it with status 0 and nothing on stderr; what the
#            sink received holds the music, started again (windows_sound_check). It runs
#            beside the parts above, with a Wine prefix of its own;
#   live     with no sound device, quorvane.exe shows the 4:3 picture at the full height of
#            a 16:9 screen and at the full width of a 5:4 and a portrait one, between black
#            bands; Escape, Alt-F4 and the close button each end it with status 0 within a
#            second, and Wine's wait for a window manager; without data/logo.bmp it says so
#            in one line and ends with status 1, in a message box when it has no stderr.
# With --bench it prints figures instead: the Windows and the native capture's
# --bench --until 10000 side by side, and the time from start to the first frame.
# shellcheck source-path=SCRIPTDIR/../..
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
wbuild=${QUORVANE_WINDOWS_BUILD:-$root/build-windows}
folder=$wbuild/quorvane
golden=$root/tests/capture/golden
# shellcheck source=tools/own_display.sh
. "$root/tools/own_display.sh"
# shellcheck source=tools/wine_prefix.sh
. "$root/tools/wine_prefix.sh"
kScreen=1024x576x24     # 16:9: the 4:3 picture is 768 x 576 between two bands of 128
kNarrowScreens="1280x1024x24 1080x1920x24"  # 5:4 and portrait: bands above and below
kBenchScreen=1280x720x24  # 16:9 and tall enough for the native capture's 800 x 600 window
kQuitMs=1000            # Escape, Alt-F4 or the close button to the show's end
# Wine's X11 driver then waits up to 2 s for a window manager to withdraw the closing window
# ("wait_for_withdrawn_state ... wait timed out"); the bare Xvfb here has none, Windows no such wait.
kWineWithdrawMs=2000
kFailSeconds=30         # longest wait for an end that must come (a hang beyond it)
kWindowSeconds=60       # start-up under Wine, a fresh prefix included
kShowMs=85500           # the show's length: a pass ends there
kPastEndMs=90000        # the sound run's Escape, from its first frame: into the second pass
kMusicRate=22050        # the soundtrack's own rate, which the sink's monitor is recorded at
bench=0
[ "${1:-}" = --bench ] && { bench=1; kScreen=$kBenchScreen; }

"$root/tools/windows.sh" || exit 1
cmake --build "$wbuild/cmake" --target windows_music_check >/dev/null || exit 1
cmake --build "$build" --target web_frame_compare windows_screen_check windows_sound_check \
  quorvane-close-window quorvane-capture >/dev/null || exit 1

tmp=$(mktemp -d)
soundTrack=
cleanup() {
  [ -n "$soundTrack" ] && kill "$soundTrack" 2>/dev/null && wait "$soundTrack" 2>/dev/null
  stopWinePrefix
  stopOwnDisplay
  rm -rf "$tmp"
}
trap cleanup EXIT

nowMs() { echo $(( $(date +%s%N) / 1000000 )); }
windowsPath() { winepath -w "$1" 2>/dev/null; }
screenCheck=$build/tests/windows/windows_screen_check
soundCheck=$build/tests/windows/windows_sound_check
threadCount() { find "/proc/$1/task" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }

# The silent prefix, kept between runs, on a 16:9 screen of its own: the demo must play
# silent there with one warning.
OWN_DISPLAY_SCREEN=$kScreen startOwnDisplay || exit 1
export DISPLAY=$ownDisplay
useWinePrefix "$wbuild/wine" silent
startWineServer

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
  until "$screenCheck" >/dev/null 2>&1; do
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

# report NAME STATUS DETAIL: one line; a failure's name also goes to $tmp/failed, where the
# sound run, a process of its own, leaves its failures too.
report() {
  # A failure says how busy the machine was: the live runs' times follow its frame costs.
  echo "windows $1: $([ "$2" -eq 0 ] && echo passed || echo "FAILED (load average $(cut -d' ' -f1 /proc/loadavg))") $3"
  [ "$2" -eq 0 ] || echo "$1" >>"$tmp/failed"
}

# startDemo FOLDER STDERR [ARGS...]: starts quorvane.exe there, its stderr to STDERR.
startDemo() {
  local folder=$1 errors=$2
  shift 2
  (cd "$folder" && exec wine quorvane.exe "$@" 2>"$errors") &
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
    out=$("$screenCheck") && return 0
    kill -0 $demo 2>/dev/null || return 1
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}
# pressInDemo KEYS: keys go where the X focus is; with no window manager, nobody else gives it.
demoWindow() { xdotool search --name '^Quorvane$' | head -n1; }
pressInDemo() {
  local window
  window=$(demoWindow)
  xdotool windowfocus "$window" 2>/dev/null
  xdotool key "$1"
}
# The one line a silent show says, and nothing else.
onlySoundWarning() {
  # The C runtime ends a redirected stream's lines the Windows way, with CR LF.
  [ "$(wc -l <"$1")" -eq 1 ] &&
    tr -d '\r' <"$1" | grep -q '^quorvane: cannot open audio: .*playing without sound$'
}

# The sound run, in the background: its own screen, sound server and Wine prefix (a Wine
# server serves one X display). Its lines come out together at its end.
soundRun() {
  local sink=quorvane err=$tmp/loop.err threads streams laterThreads laterStreams
  local pulse recorder shownAt running pictured
  trap 'stopWinePrefix; [ -n "${recorder:-}" ] && kill "$recorder"; [ -n "${pulse:-}" ] && kill "$pulse"; stopOwnDisplay' EXIT
  trap 'exit 1' TERM
  OWN_DISPLAY_SCREEN=$kScreen startOwnDisplay || { report "sound display" 1 "(Xvfb did not start)"; return; }
  export DISPLAY=$ownDisplay
  # A PulseAudio daemon of our own with a null sink, reached by its socket alone.
  mkdir -p "$tmp/pulse"
  export PULSE_SERVER=unix:$tmp/pulse/socket
  # Wine's PulseAudio driver keeps 300 ms with the server instead of its usual few tens: on
  # a machine this busy its own threads are late often enough to leave the sink gaps.
  export PULSE_LATENCY_MSEC=300
  HOME=$tmp/pulse XDG_RUNTIME_DIR=$tmp/pulse pulseaudio -n --daemonize=no --use-pid-file=no \
    --exit-idle-time=-1 -L "module-native-protocol-unix socket=$tmp/pulse/socket" \
    -L "module-null-sink sink_name=$sink" >"$tmp/pulse.log" 2>&1 &
  pulse=$!
  for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || { report "sound server" 1 "($(tail -n1 "$tmp/pulse.log"))"; return; }
  useWinePrefix "$wbuild/wine-sound" pulse
  startWineServer
  parec -d "$sink.monitor" --format=s16le --rate=$kMusicRate --channels=2 >"$tmp/heard.raw" &
  recorder=$!
  startDemo "$folder" "$err" --loop
  waitForPicture || { report "sound run" 1 "(no picture: $out)"; return; }
  shownAt=$(nowMs)
  # A few seconds in, and again past the end: the threads of the program and the streams it
  # plays, which a pass must not leave more of.
  while [ "$(nowMs)" -lt $((shownAt + 5000)) ] && kill -0 $demo 2>/dev/null; do sleep 0.2; done
  threads=$(threadCount $demo)
  streams=$(pactl list short sink-inputs | wc -l)
  while [ "$(nowMs)" -lt $((shownAt + kPastEndMs)) ] && kill -0 $demo 2>/dev/null; do sleep 0.2; done
  running=$(kill -0 $demo 2>/dev/null && echo yes || echo no)
  laterThreads=$(threadCount $demo)
  laterStreams=$(pactl list short sink-inputs | wc -l)
  "$screenCheck" >/dev/null && pictured=yes || pictured=no
  pressInDemo Escape
  waitForExit $((kFailSeconds * 1000))
  kill "$recorder"
  wait "$recorder" 2>/dev/null
  recorder=
  report "sound loop" "$([ "$running" = yes ] && [ "$pictured" = yes ] && [ $status -eq 0 ] &&
    [ ! -s "$err" ] && echo 0 || echo 1)" \
    "(running ${kPastEndMs} ms after its first frame, past the end at $kShowMs: $running, the show on screen: $pictured; Escape: status $status after $took ms; stderr: $(tr '\n' ' ' <"$err"))"
  report "sound resources" "$([ "$threads" -gt 0 ] && [ "$streams" -eq 1 ] &&
    [ "$laterThreads" -eq "$threads" ] && [ "$laterStreams" -eq 1 ] && echo 0 || echo 1)" \
    "(threads $threads, then $laterThreads in the second pass; sound streams $streams, then $laterStreams)"
  # Heard for longer than one pass, and started again: the feeder's loop ran.
  ok=1
  out=$("$soundCheck" "$tmp/heard.raw" "$tmp/music.raw" "$kShowMs") && grep -q 'began again' <<<"$out" && ok=0
  report "sound heard" $ok "$out"
  out=$("$soundCheck" "$tmp/heard.raw" "$tmp/music-reversed.raw" 0)
  report "sound control" "$([ $? -eq 1 ] && echo 0 || echo 1)" "(the music reversed, must not match) $out"
}

# The reference decode, for the music check and the sound run.
ffmpeg -loglevel error -i "$root/data/quorvane.mp3" -f s16le -acodec pcm_s16le "$tmp/music.raw"
ffmpeg -loglevel error -i "$root/data/quorvane.mp3" -af areverse -f s16le -acodec pcm_s16le \
  "$tmp/music-reversed.raw"
soundRun >"$tmp/sound.out" 2>&1 &
soundTrack=$!

# Imports: the system DLLs of a plain Windows 10 install, nothing the zip would have to bring.
kSystemDlls="^(kernel32|user32|gdi32|opengl32|glu32|winmm|msacm32|msvcrt)\.dll$"
for program in quorvane.exe quorvane-capture.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$folder/$program" | sed -n 's/.*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
  others=$(echo "$dlls" | grep -Ev "$kSystemDlls")
  report "imports $program" "$([ -n "$dlls" ] && [ -z "$others" ] && echo 0 || echo 1)" \
    "($(echo "$dlls" | tr '\n' ' '))${others:+; not on every Windows: $(echo "$others" | tr '\n' ' ')}"
done

# Music: the ACM decode against ffmpeg's, and a reference one sample late as a control.
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

# A missing image: the one line, status 1, and no message box waiting for a click.
broken=$tmp/broken
mkdir -p "$broken"
cp -r "$folder/quorvane.exe" "$folder/data" "$broken/"
rm "$broken/data/logo.bmp"
startDemo "$broken" "$tmp/demo.err"
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

# The timed endings wait for the sound run: a second show drawing beside them would make
# their times the machine's, not the program's.
wait "$soundTrack"
soundTrack=
cat "$tmp/sound.out"

for ending in Escape Alt-F4 "close button"; do
  startDemo "$folder" "$tmp/demo.err"
  waitForPicture
  shown=$?
  [ "$ending" = Escape ] && report "live picture" $shown "$out"
  # Give the show a moment of playing before it is ended.
  sleep 1
  window=$(demoWindow)
  xdotool windowfocus "$window" 2>/dev/null
  case $ending in
    Escape) xdotool key Escape ;;
    Alt-F4) xdotool key alt+F4 ;;
    *) "$build/tests/hardening/quorvane-close-window" "$window" ;;
  esac
  # Waited for longer than asked, so that a slow end says how slow.
  waitForExit $((kFailSeconds * 1000))
  ok=1
  [ $shown -eq 0 ] && [ $status -eq 0 ] && [ $took -le $((kQuitMs + kWineWithdrawMs)) ] &&
    onlySoundWarning "$tmp/demo.err" && ok=0
  report "live $ending" $ok "(status $status after $took ms; stderr: $(tr '\n' ' ' <"$tmp/demo.err"))"
done

# Screens narrower than 4:3. A Wine server keeps the screen it first met: each screen gets
# the silent prefix's server afresh.
for screen in $kNarrowScreens; do
  stopWinePrefix
  stopOwnDisplay
  OWN_DISPLAY_SCREEN=$screen startOwnDisplay || exit 1
  export DISPLAY=$ownDisplay
  startWineServer
  startDemo "$folder" "$tmp/demo.err"
  waitForPicture
  shown=$?
  sleep 1
  pressInDemo Escape
  waitForExit $((kFailSeconds * 1000))
  report "live ${screen%x*}" "$([ $shown -eq 0 ] && [ $status -eq 0 ] && echo 0 || echo 1)" \
    "($out; Escape: status $status)"
done

[ ! -s "$tmp/failed" ] || { echo "windows: failed: $(tr '\n' ',' <"$tmp/failed" | sed 's/,$//')"; exit 1; }
echo "windows: all passed"
