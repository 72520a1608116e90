#!/usr/bin/env bash
# CI step: builds the Windows programs with tools/windows.sh and tries them under Wine, on
# virtual screens of their own. Each case below prints one line, PASS or FAIL, its name and
# what it saw; the step ends with "windows: N passed, N failed" and fails when one failed.
#   imports   both programs import only DLLs every Windows 10 has;
#   music     the soundtrack decoded on the Windows path equals ffmpeg's decode (the control:
#             a reference one sample late must not);
#   stills    quorvane-capture.exe --at the golden times matches tests/capture/golden (the
#             control: a still of another time must not);
#   missing image  without data/logo.bmp it says so in one line and ends with status 1, in a
#             message box when it has no stderr;
#   sound     quorvane.exe --loop plays through Wine's PulseAudio driver into a null sink, past
#             the show's end into its second pass with no thread or sound stream more than in
#             the first, until Escape ends it with status 0 and nothing on stderr; what the
#             sink received holds the music, started again (the control: the music reversed
#             must not match). It is recorded beside the cases above, on a screen, sound
#             server and Wine prefix of its own (a Wine server serves one X display);
#   live      with no sound device, quorvane.exe shows the 4:3 picture at the full height of
#             a 16:9 screen and at the full width of a 5:4 and a portrait one, between black
#             bands; Escape, Alt-F4 and the close button each end it with status 0 within a
#             second, and Wine's wait for a window manager.
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
# shellcheck source=tools/wait_for.sh
. "$root/tools/wait_for.sh"
# shellcheck source=tools/cases.sh
. "$root/tools/cases.sh"
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
kFirstPassMs=5000       # when the sound run first counts threads and streams
kMusicRate=22050        # the soundtrack's own rate, which the sink's monitor is recorded at
# The system DLLs of a plain Windows 10 install, nothing the zip would have to bring.
kSystemDlls="^(kernel32|user32|gdi32|opengl32|glu32|winmm|msacm32|msvcrt)\.dll$"
screenCheck=$build/tests/windows/windows_screen_check
soundCheck=$build/tests/windows/windows_sound_check
frameCompare=$build/tests/web/web_frame_compare

windowsPath() { winepath -w "$1" 2>/dev/null; }
threadCount() { find "/proc/$1/task" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }
oneLine() { tr -d '\r' <"$1" | tr '\n' ' '; }
# startDemo FOLDER STDERR [ARGS...]: quorvane.exe in the background ($! is its Wine).
startDemo() {
  local at=$1 errors=$2
  shift 2
  (cd "$at" && exec wine quorvane.exe "$@" 2>"$errors") &
}
# Keys go where the X focus is; with no window manager, nobody else gives it.
demoWindow() { xdotool search --name '^Quorvane$' | head -n1; }
pressInDemo() {
  xdotool windowfocus "$(demoWindow)" 2>/dev/null
  xdotool key "$1"
}
# The one line a silent show says, and nothing else.
onlySoundWarning() {
  # The C runtime ends a redirected stream's lines the Windows way, with CR LF.
  [ "$(wc -l <"$1")" -eq 1 ] &&
    tr -d '\r' <"$1" | grep -q '^quorvane: cannot open audio: .*playing without sound$'
}

# ---- the sound run: quorvane.exe --loop recorded, its facts written for the sound cases
# Runs as "windows.sh --record-sound DIR" under tools/own_display.sh and tools/sound_server.sh,
# which give it a screen and a sound server of its own and stop them after it.
recordSound() {
  local dir=$1 demo shownAt recorder picture status
  local fact=$dir/facts
  : >"$fact"
  # Wine's PulseAudio driver keeps 300 ms with the server instead of its usual few tens: on
  # a machine this busy its own threads are late often enough to leave the sink gaps.
  export PULSE_LATENCY_MSEC=300
  useWinePrefix "$wbuild/wine-sound" pulse
  trap stopWinePrefix EXIT
  startWineServer
  parec -d "$PULSE_SINK.monitor" --format=s16le --rate=$kMusicRate --channels=2 >"$dir/heard.raw" &
  recorder=$!
  startDemo "$folder" "$dir/loop.err" --loop
  demo=$!
  picture=$(waitForPicture $demo $kWindowSeconds "$screenCheck") ||
    { echo "picture=$(printf %q "none: $picture")" >>"$fact"; kill $recorder; return 1; }
  shownAt=$(nowMs)
  # A few seconds in, and again past the end: the threads of the program and the streams it
  # plays, which a pass must not leave more of.
  until pastMs $((shownAt + kFirstPassMs)) || ! kill -0 $demo 2>/dev/null; do sleep 0.2; done
  echo "threads=$(threadCount $demo) streams=$(pactl list short sink-inputs | wc -l)" >>"$fact"
  until pastMs $((shownAt + kPastEndMs)) || ! kill -0 $demo 2>/dev/null; do sleep 0.2; done
  {
    echo "running=$(kill -0 $demo 2>/dev/null && echo yes || echo no)"
    echo "laterThreads=$(threadCount $demo) laterStreams=$(pactl list short sink-inputs | wc -l)"
    echo "pictured=$("$screenCheck" >/dev/null && echo yes || echo no)"
  } >>"$fact"
  pressInDemo Escape
  local pressed
  pressed=$(nowMs)  # after the key, as the live cases time it
  waitForExit $demo $kFailSeconds
  status=$?
  echo "escapeStatus=$status escapeMs=$(($(nowMs) - pressed)) picture=$(printf %q "$picture")" >>"$fact"
  kill $recorder
  wait $recorder 2>/dev/null
  return 0
}
if [ "${1:-}" = --record-sound ]; then
  recordSound "$2"
  exit
fi

# ---- the cases: each prints what it saw and returns 0 when that is right
imports() {  # PROGRAM
  local dlls others
  dlls=$(x86_64-w64-mingw32-objdump -p "$folder/$1" | sed -n 's/.*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
  others=$(grep -Ev "$kSystemDlls" <<<"$dlls")
  echo "($(tr '\n' ' ' <<<"$dlls"))${others:+; not on every Windows: $(tr '\n' ' ' <<<"$others")}"
  [ -n "$dlls" ] && [ -z "$others" ]
}

musicDecode() {  # REFERENCE: the Windows decode held against it; 0 when they are equal
  wine "$wbuild/cmake/tests/windows/windows_music_check.exe" \
    "$(windowsPath "$root/data/quorvane.mp3")" "$(windowsPath "$1")" 2>&1
}

# expectMismatch CASE [ARGS...]: a control, which passes when the case finds a difference
# (status 1) and fails when the case passes or cannot be carried out.
expectMismatch() {
  "$@"
  [ $? -eq 1 ]
}

stillsWritten() {
  local times
  times=$(tr -s ' \n' ',' <"$golden/times.txt" | sed 's/,$//')
  mkdir -p "$tmp/stills"
  (cd "$folder" && wine quorvane-capture.exe --at "$times" --out "$(windowsPath "$tmp/stills")" 2>"$tmp/capture.err")
  local status=$?
  tail -n1 "$tmp/capture.err"
  return $status
}

stillMatches() {  # STILL GOLDEN: the two times, in ms
  "$frameCompare" "$tmp/stills/quorvane-$(printf %05d "$1").png" "$golden/quorvane-$(printf %05d "$2").png"
}

missingImage() {
  local demo status took start
  startDemo "$broken" "$tmp/missing.err"
  demo=$!
  start=$(nowMs)
  waitForExit $demo $kFailSeconds
  status=$?
  took=$(($(nowMs) - start))
  echo "status $status after $took ms; stderr: $(oneLine "$tmp/missing.err")"
  [ $status -eq 1 ] && [ "$(grep -c '^quorvane: cannot load data/logo.bmp' "$tmp/missing.err")" -eq 1 ]
}

# A message box: a window of the demo's title, narrower than the screen.
messageBox() {
  local window width
  for window in $(xdotool search --name '^Quorvane$' 2>/dev/null); do
    width=$(xwininfo -id "$window" 2>/dev/null | sed -n 's/.*Width: //p')
    [ -n "$width" ] && [ "$width" -lt "${kScreen%%x*}" ] && { echo "$window"; return 0; }
  done
  return 1
}

# Started as a double click starts it, with no stderr: the line comes up in a message box,
# and the status once the box is dismissed.
missingImageBox() {
  local demo box status
  (cd "$broken" && exec wine start /wait quorvane.exe </dev/null >/dev/null 2>&1) &
  demo=$!
  box=$(waitForPicture $demo $kWindowSeconds messageBox) &&
    { xdotool windowfocus "$box"; xdotool key Return; }
  waitForExit $demo $kWindowSeconds
  status=$?
  echo "message box: ${box:-none}; status $status"
  [ -n "$box" ] && [ $status -eq 1 ]
}

# The sound cases judge what the sound run wrote.
soundFacts() {
  [ -s "$tmp/sound/facts" ] || { echo "no sound run: $(tail -n1 "$tmp/sound/log")"; return 1; }
  # shellcheck source=/dev/null  # written by recordSound
  . "$tmp/sound/facts"
}
soundLoop() {
  soundFacts || return 1
  echo "running $kPastEndMs ms after its first frame, past the end at $kShowMs: ${running:-no}," \
    "the show on screen: ${pictured:-no} (${picture:-}); Escape: status ${escapeStatus:-none}" \
    "after ${escapeMs:-?} ms; stderr: $(oneLine "$tmp/sound/loop.err")"
  [ "${running:-}" = yes ] && [ "${pictured:-}" = yes ] && [ "${escapeStatus:-}" = 0 ] &&
    [ ! -s "$tmp/sound/loop.err" ]
}
soundResources() {
  soundFacts || return 1
  echo "threads ${threads:-?}, then ${laterThreads:-?} in the second pass;" \
    "sound streams ${streams:-?}, then ${laterStreams:-?}"
  [ "${threads:-0}" -gt 0 ] && [ "${streams:-0}" -eq 1 ] &&
    [ "${laterThreads:-0}" -eq "$threads" ] && [ "${laterStreams:-0}" -eq 1 ]
}
soundHeard() {  # REFERENCE FROM_MS; 1 when the music is not in the recording, 2 when none
  [ -s "$tmp/sound/heard.raw" ] || { echo "nothing was recorded"; return 2; }
  "$soundCheck" "$tmp/sound/heard.raw" "$1" "$2"
}
# Heard for longer than one pass, and started again: the feeder's loop ran.
soundHeardAgain() {
  local seen
  seen=$(soundHeard "$tmp/music.raw" $kShowMs)
  local status=$?
  echo "$seen"
  [ $status -eq 0 ] && grep -q 'began again' <<<"$seen"
}

liveEnding() {  # ENDING: Escape, Alt-F4 or "close button"
  local demo picture shown status window pressed took
  startDemo "$folder" "$tmp/live.err"
  demo=$!
  picture=$(waitForPicture $demo $kWindowSeconds "$screenCheck")
  shown=$?
  # Give the show a moment of playing before it is ended (Wine hands the window the
  # keyboard after it first draws).
  sleep 1
  window=$(demoWindow)
  xdotool windowfocus "$window" 2>/dev/null
  case $1 in
    Escape) xdotool key Escape ;;
    Alt-F4) xdotool key alt+F4 ;;
    *) "$build/tests/hardening/quorvane-close-window" "$window" ;;
  esac
  pressed=$(nowMs)
  # Waited for longer than asked, so that a slow end says how slow.
  waitForExit $demo $kFailSeconds
  status=$?
  took=$(($(nowMs) - pressed))
  echo "$picture; status $status after $took ms; stderr: $(oneLine "$tmp/live.err")"
  [ $shown -eq 0 ] && [ $status -eq 0 ] && [ $took -le $((kQuitMs + kWineWithdrawMs)) ] &&
    onlySoundWarning "$tmp/live.err"
}

# A Wine server keeps the screen it first met: a screen of another shape gets the silent
# prefix's server afresh, and gives it back when done.
liveOnScreen() {  # SCREEN
  local demo picture shown status
  stopWinePrefix
  OWN_DISPLAY_SCREEN=$1 startOwnDisplay || { echo "Xvfb did not start"; return 1; }
  DISPLAY=$ownDisplay
  startWineServer
  startDemo "$folder" "$tmp/live.err"
  demo=$!
  picture=$(waitForPicture $demo $kWindowSeconds "$screenCheck")
  shown=$?
  sleep 1
  pressInDemo Escape
  waitForExit $demo $kFailSeconds
  status=$?
  stopWinePrefix
  stopOwnDisplay
  echo "$picture; Escape: status $status"
  [ $shown -eq 0 ] && [ $status -eq 0 ]
}

"$root/tools/windows.sh" || exit 1
cmake --build "$wbuild/cmake" --target windows_music_check >/dev/null || exit 1
cmake --build "$build" --target web_frame_compare windows_screen_check windows_sound_check \
  quorvane-close-window quorvane-capture >/dev/null || exit 1

tmp=$(mktemp -d)
soundRun=
cleanup() {
  [ -n "$soundRun" ] && kill "$soundRun" 2>/dev/null && wait "$soundRun" 2>/dev/null
  stopWinePrefix
  stopOwnDisplay
  rm -rf "$tmp"
}
trap cleanup EXIT

# The silent prefix, kept between runs, on a 16:9 screen of its own: the demo must play
# silent there with one warning.
screen=$kScreen
[ "${1:-}" = --bench ] && screen=$kBenchScreen
OWN_DISPLAY_SCREEN=$screen startOwnDisplay || exit 1
export DISPLAY=$ownDisplay
useWinePrefix "$wbuild/wine" silent
startWineServer

if [ "${1:-}" = --bench ]; then
  # The first frame: a still of it written, from the program's start to its end.
  for side in windows native; do
    start=$(nowMs)
    if [ $side = windows ]; then
      (cd "$folder" && wine quorvane-capture.exe --at 21 --out "$(windowsPath "$tmp")" 2>/dev/null)
    else
      (cd "$root" && "$build/tools/capture/quorvane-capture" --at 21 --out "$tmp" 2>/dev/null)
    fi
    echo "$side: start to the first frame written $(($(nowMs) - start)) ms"
  done
  # The live demo: from its start to the first picture on the screen.
  start=$(nowMs)
  startDemo "$folder" /dev/null
  demo=$!
  waitForPicture $demo $kWindowSeconds "$screenCheck" >/dev/null
  echo "windows: quorvane.exe start to the first frame on screen $(($(nowMs) - start)) ms"
  xdotool key Escape
  waitForExit $demo $kFailSeconds
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

# The reference decodes, for the music cases and the sound run's.
ffmpeg -loglevel error -i "$root/data/quorvane.mp3" -f s16le -acodec pcm_s16le "$tmp/music.raw"
ffmpeg -loglevel error -i "$root/data/quorvane.mp3" -af areverse -f s16le -acodec pcm_s16le \
  "$tmp/music-reversed.raw"
tail -c +5 "$tmp/music.raw" >"$tmp/music-shifted.raw"
# The sound run plays beside the cases that draw no live show.
mkdir -p "$tmp/sound"
OWN_DISPLAY_SCREEN=$kScreen "$root/tools/own_display.sh" "$root/tools/sound_server.sh" \
  "$root/tools/ci/windows.sh" --record-sound "$tmp/sound" >"$tmp/sound/log" 2>&1 &
soundRun=$!

for program in quorvane.exe quorvane-capture.exe; do
  runCase "windows imports $program" imports "$program"
done
runCase "windows music" musicDecode "$tmp/music.raw"
runCase "windows music control (one sample late, must differ)" expectMismatch musicDecode "$tmp/music-shifted.raw"

runCase "windows stills written" stillsWritten
if (cd "$root" && sha256sum --check --quiet "$golden/data.sha256" >/dev/null 2>&1); then
  read -ra times <<<"$(tr '\n' ' ' <"$golden/times.txt")"
  for ms in "${times[@]}"; do
    runCase "windows still $ms" stillMatches "$ms" "$ms"
  done
else
  echo "SKIP windows stills: the golden frames were made from other data"
fi
runCase "windows still control (22000 against 23000, must differ)" expectMismatch stillMatches 22000 23000

broken=$tmp/broken
mkdir -p "$broken"
cp -r "$folder/quorvane.exe" "$folder/data" "$broken/"
rm "$broken/data/logo.bmp"
runCase "windows missing image" missingImage
runCase "windows missing image, no stderr" missingImageBox

# The timed endings wait for the sound run: a second show drawing beside them would make
# their times the machine's, not the program's.
wait "$soundRun"
soundRun=
runCase "windows sound loop" soundLoop
runCase "windows sound resources" soundResources
runCase "windows sound heard" soundHeardAgain
runCase "windows sound control (the music reversed, must not match)" \
  expectMismatch soundHeard "$tmp/music-reversed.raw" 0

for ending in Escape Alt-F4 "close button"; do
  runCase "windows live $ending" liveEnding "$ending"
done
for screen in $kNarrowScreens; do
  runCase "windows live ${screen%x*}" liveOnScreen "$screen"
done

countCases windows
