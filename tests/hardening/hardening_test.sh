#!/usr/bin/env bash
# The bad-input and fault table, run against the real binary. Each row checks the exit
# status, every line on stderr (so a sanitizer report, SDL's parachute or a stray
# message fails it) and, where it matters, what is left on the display.
#
# Usage: hardening_test.sh QUORVANE CLOSE_WINDOW MAKE_INPUTS [--full-show]
#   --full-show  also plays the whole show once on a display of its own, with the music
#                missing and the process stopped twice for a second, in parallel with
#                the other rows. QUORVANE_SKIP_FULL_SHOW=1 leaves it out all the same (the
#                sanitizer build's run does, to save the minute and a half).
# Needs DISPLAY (an Xvfb), xdotool, python3 and lame.
set -u
set -m  # background jobs keep SIGINT at its default, as an interactive start would
quorvane=$(readlink -f "$1")
closeWindow=$(readlink -f "$2")
makeInputs=$(readlink -f "$3")
root=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)  # the source tree
. "$root/tools/own_display.sh"
. "$root/tools/wait_for.sh"
fullShow=0
[ "${4:-}" = "--full-show" ] && [ "${QUORVANE_SKIP_FULL_SHOW:-0}" != 1 ] && fullShow=1

export LIBGL_ALWAYS_SOFTWARE=1
export SDL_AUDIODRIVER=dummy  # an audio device that opens without a sound card
unset SDL_VIDEODRIVER

kShowMs=85500         # the show's length
kSettleSeconds=0.5    # how long a short run plays before it is stopped (about 25 frames)
kExitSeconds=20       # longest wait for an exit once asked; beyond it the run counts as hung
kWindowSeconds=20     # longest wait for the window to appear
kFullShowSlackMs=1000 # start-up after the window appears and shutdown, at most
kStops=2              # stops of a second each in the full show

work=$(mktemp -d)
chmod 755 "$work"  # the read-only row runs as another user
cleanup() {
  [ -n "${fullPid:-}" ] && kill "$fullPid" 2>/dev/null
  [ -n "${holderPid:-}" ] && kill "$holderPid" 2>/dev/null
  [ -n "${bareXPid:-}" ] && kill "$bareXPid" 2>/dev/null
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

python3 "$makeInputs" images "$work/images" || { echo "cannot make the image variants"; exit 1; }
python3 "$makeInputs" music "$work/music" || { echo "cannot make the music variants"; exit 1; }
python3 "$makeInputs" data "$work/good/data" || { echo "cannot make the stand-in data"; exit 1; }

# An X server resets when its last client leaves, and refuses connections meanwhile; SDL
# opens the display twice in a row. One client held open keeps the server up.
xev -root >/dev/null 2>&1 &
holderPid=$!
disown "$holderPid"

mapfile -t imageNames < <(sed -n 's/^"\(.*\)\.bmp",$/\1/p' "$root/src/assets/ImageNames.inc")
failures=0
rows=0
report() {  # row, expected, observed, verdict
  printf '| %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4"
}
check() {  # row, expected, observed, condition result (0 = pass)
  rows=$((rows + 1))
  if [ "$4" -eq 0 ]; then
    report "$1" "$2" "$3" PASS
  else
    report "$1" "$2" "$3" FAIL
    failures=$((failures + 1))
  fi
}

# A fresh working folder holding a good copy of data/.
freshFolder() {
  local dir=$1
  rm -rf "$dir"
  mkdir -p "$dir"
  cp -r "$work/good/data" "$dir/data"
}

# The ids of the demo's windows on the current display.
demoWindows() { xdotool search --name '^Quorvane$' 2>/dev/null; }

waitForWindow() { waitForPicture "$1" "$kWindowSeconds" demoWindows >/dev/null; }  # pid

# Waits for pid to exit within kExitSeconds; sets runStatus (124 when it had to be killed).
endOfRun() {
  waitForExit "$1" "$kExitSeconds"
  runStatus=$?
}

# Runs the demo in folder dir until it exits by itself; sets runStatus, err file is dir/err.txt.
runToExit() {  # dir [env assignments...]
  local dir=$1
  shift
  (cd "$dir" && exec env "$@" "$quorvane" >"$dir/out.txt" 2>"$dir/err.txt") &
  endOfRun $!
}

# Starts the demo in dir, lets it play kSettleSeconds after its window appears, then ends
# it with `how` (a signal name, "Escape" or "close"); sets runStatus.
runAndEnd() {  # dir how [env assignments...]
  local dir=$1 how=$2
  shift 2
  (cd "$dir" && exec env "$@" "$quorvane" >"$dir/out.txt" 2>"$dir/err.txt") &
  local pid=$!
  if ! waitForWindow "$pid"; then
    endOfRun "$pid"
    echo "(no window appeared)" >>"$dir/err.txt"
    return
  fi
  sleep "$kSettleSeconds"
  case $how in
    Escape) xdotool key Escape ;;
    close) for id in $(demoWindows); do "$closeWindow" "$id"; done ;;
    *) kill -s "$how" "$pid" ;;
  esac
  endOfRun "$pid"
}

# The run's stderr. In the sanitizer build ASan notes each allocation it refuses (malloc
# returns null, as outside ASan, for a header whose size overflows); that note is no fault.
stderrOf() {
  grep -Ev '^==[0-9]+==WARNING: AddressSanitizer failed to allocate 0x[0-9a-f]+ bytes$' "$1/err.txt"
}
stderrText() { stderrOf "$1" | tr '\n' '~' | sed 's/~$//; s/~/ \/ /g'; }
stderrLines() { stderrOf "$1" | wc -l; }

# Exactly one stderr line, matching the extended regular expression.
oneLineMatching() {  # dir regex
  [ "$(stderrLines "$1")" -eq 1 ] && stderrOf "$1" | grep -Eq "$2"
}

imageError() {  # file name -> regex of its error line
  echo "^quorvane: cannot load data/$1: .+ \\(run quorvane from the folder that holds data/\\)\$"
}
musicWarning='^quorvane: cannot load data/quorvane\.mp3: .+; playing without sound$'
audioWarning='^quorvane: cannot open audio: .+; playing without sound$'

# ---- the full show, on a display of its own so its window does not mix with the others
fullShowRun() {
  local dir=$work/full-show display pid start end
  freshFolder "$dir"
  rm "$dir/data/quorvane.mp3"
  startOwnDisplay || return 1
  local xPid=$ownDisplayPid
  display=$ownDisplay
  DISPLAY=$display xev -root >/dev/null 2>&1 &
  local xevPid=$!
  (cd "$dir" && DISPLAY=$display exec "$quorvane" >"$dir/out.txt" 2>"$dir/err.txt") &
  pid=$!
  for _ in $(seq 1 $((kWindowSeconds * 20))); do
    DISPLAY=$display xdotool search --name '^Quorvane$' >/dev/null 2>&1 && break
    sleep 0.05
  done
  start=$(date +%s%N)
  for _ in $(seq 1 "$kStops"); do
    sleep 10
    kill -STOP "$pid"
    sleep 1
    kill -CONT "$pid"
  done
  waitForExit "$pid" $((kShowMs / 1000 + 60))
  echo $? >"$work/full-status"
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 )) >"$work/full-took"
  kill "$xevPid" "$xPid" 2>/dev/null
}
if [ "$fullShow" -eq 1 ]; then
  fullShowRun &
  fullPid=$!
fi

# ---- started from a folder without data/
dir=$work/no-data
mkdir -p "$dir"
runToExit "$dir"
windowsLeft=$(demoWindows | wc -l)
oneLineMatching "$dir" "$(imageError t.bmp)" && [ "$runStatus" -eq 1 ] && [ "$windowsLeft" -eq 0 ]
check "started from a folder without data/" "one line naming data/t.bmp and data/, status 1, no window left" \
  "status $runStatus, $windowsLeft windows left, stderr: $(stderrText "$dir")" $?

# ---- each of the eleven images missing
observed=""
ok=0
for name in "${imageNames[@]}"; do
  dir=$work/missing-$name
  freshFolder "$dir"
  rm "$dir/data/$name.bmp"
  runToExit "$dir"
  if ! { oneLineMatching "$dir" "$(imageError "$name.bmp")" && [ "$runStatus" -eq 1 ]; }; then
    ok=1
    observed+="$name.bmp: status $runStatus, stderr: $(stderrText "$dir"); "
  fi
done
check "each of the eleven images missing" "its error line, status 1" "${observed:-all eleven as expected}" $ok

# ---- undecodable image variants, each in two different image slots
slot=0
while read -r variant expected _; do
  [ "$expected" = error ] || continue
  [ "$variant" = missing ] && continue
  observed=""
  ok=0
  for _ in 1 2; do
    name=${imageNames[$((slot % ${#imageNames[@]}))]}
    slot=$((slot + 3))
    dir=$work/bad-$variant-$name
    freshFolder "$dir"
    cp "$work/images/$variant.bmp" "$dir/data/$name.bmp"
    runToExit "$dir"
    observed+="as $name.bmp: status $runStatus, stderr: $(stderrText "$dir"); "
    oneLineMatching "$dir" "$(imageError "$name.bmp")" && [ "$runStatus" -eq 1 ] || ok=1
  done
  check "image $variant" "its error line, status 1" "$observed" $ok
done <"$work/images/manifest.txt"

# An image path that is a folder.
dir=$work/image-is-folder
freshFolder "$dir"
rm "$dir/data/floor1.bmp"
mkdir "$dir/data/floor1.bmp"
runToExit "$dir"
oneLineMatching "$dir" "$(imageError floor1.bmp)" && [ "$runStatus" -eq 1 ]
check "data/floor1.bmp is a folder" "its error line, status 1" \
  "status $runStatus, stderr: $(stderrText "$dir")" $?

# ---- decodable variants: all eleven slots filled with them, twice over with shifted slots so
# that every variant is used, on a GL with any texture size and on one that takes powers of
# two only (scaled uploads)
mapfile -t decodable < <(awk '$2 != "error" {print $1}' "$work/images/manifest.txt")
for gl in any-size pow2-only; do
  glEnv=()
  [ "$gl" = pow2-only ] && glEnv=(MESA_GL_VERSION_OVERRIDE=1.4 MESA_EXTENSION_OVERRIDE=-GL_ARB_texture_non_power_of_two)
  for shift in 0 5; do
    dir=$work/decodable-$gl-$shift
    freshFolder "$dir"
    placed=""
    for i in "${!imageNames[@]}"; do
      variant=${decodable[$(( (i + shift) % ${#decodable[@]} ))]}
      cp "$work/images/$variant.bmp" "$dir/data/${imageNames[$i]}.bmp"
      placed+="${imageNames[$i]}=$variant "
    done
    runAndEnd "$dir" TERM "${glEnv[@]}"
    [ "$runStatus" -eq 0 ] && [ "$(stderrLines "$dir")" -eq 0 ]
    check "decodable images ($gl GL): $placed" "shown, status 0 on SIGTERM, no stderr" \
      "status $runStatus, stderr: $(stderrText "$dir")" $?
  done
done

# ---- the soundtrack
for variant in missing empty truncated not-audio; do
  dir=$work/music-$variant
  freshFolder "$dir"
  rm "$dir/data/quorvane.mp3"
  [ -f "$work/music/$variant.mp3" ] && cp "$work/music/$variant.mp3" "$dir/data/quorvane.mp3"
  runAndEnd "$dir" TERM
  oneLineMatching "$dir" "$musicWarning" && [ "$runStatus" -eq 0 ]
  check "music $variant" "one warning line, plays silent, status 0" \
    "status $runStatus, stderr: $(stderrText "$dir")" $?
done
dir=$work/music-cut-midway
freshFolder "$dir"
cp "$work/music/cut-midway.mp3" "$dir/data/quorvane.mp3"
runAndEnd "$dir" TERM
[ "$runStatus" -eq 0 ] && [ "$(stderrLines "$dir")" -eq 0 ]
check "music cut midway (whole frames left)" "plays what it holds, no line, status 0" \
  "status $runStatus, stderr: $(stderrText "$dir")" $?

# ---- no display
dir=$work/no-display
freshFolder "$dir"
(cd "$dir" && env -u DISPLAY "$quorvane" >out.txt 2>err.txt)
runStatus=$?
oneLineMatching "$dir" '^quorvane: cannot start SDL video: .+$' && [ "$runStatus" -eq 1 ]
check "DISPLAY unset" "error line, status 1" "status $runStatus, stderr: $(stderrText "$dir")" $?

(cd "$dir" && DISPLAY=:4093 "$quorvane" >out.txt 2>err.txt)
runStatus=$?
oneLineMatching "$dir" '^quorvane: cannot start SDL video: .+$' && [ "$runStatus" -eq 1 ]
check "DISPLAY unreachable (:4093)" "error line, status 1" "status $runStatus, stderr: $(stderrText "$dir")" $?

startOwnDisplay -extension GLX
(cd "$dir" && DISPLAY=$ownDisplay "$quorvane" >out.txt 2>err.txt)
runStatus=$?
stopOwnDisplay
oneLineMatching "$dir" '^quorvane: cannot set the 800x600 OpenGL video mode: .+$' && [ "$runStatus" -eq 1 ]
check "a display without GLX" "error line, status 1" "status $runStatus, stderr: $(stderrText "$dir")" $?

(cd "$dir" && SDL_VIDEODRIVER=dummy "$quorvane" >out.txt 2>err.txt)
runStatus=$?
oneLineMatching "$dir" '^quorvane: cannot set the 800x600 OpenGL video mode: .+$' && [ "$runStatus" -eq 1 ]
check "SDL_VIDEODRIVER=dummy (no OpenGL)" "error line, status 1" "status $runStatus, stderr: $(stderrText "$dir")" $?

# ---- no audio device
for driver in nosuch dsp pulse; do
  dir=$work/audio-$driver
  freshFolder "$dir"
  runAndEnd "$dir" TERM SDL_AUDIODRIVER=$driver
  oneLineMatching "$dir" "$audioWarning" && [ "$runStatus" -eq 0 ]
  check "SDL_AUDIODRIVER=$driver, no such device" "one warning line, plays silent, status 0" \
    "status $runStatus, stderr: $(stderrText "$dir")" $?
done
if [ ! -e /dev/snd ]; then
  # ALSA's library prints its own diagnostics when there is no card; only the last line is ours.
  dir=$work/audio-alsa
  freshFolder "$dir"
  runAndEnd "$dir" TERM SDL_AUDIODRIVER=alsa
  [ "$runStatus" -eq 0 ] && [ "$(grep -Ec "$audioWarning" "$dir/err.txt")" -eq 1 ] &&
    [ "$(grep -Evc "$audioWarning|^ALSA lib " "$dir/err.txt")" -eq 0 ]
  check "SDL_AUDIODRIVER=alsa, no sound card" "our one warning line after ALSA's own, status 0" \
    "status $runStatus, $(grep -c '^ALSA lib ' "$dir/err.txt") ALSA lines, ours: $(grep -E "$audioWarning" "$dir/err.txt")" $?
fi

# ---- ways to stop it
for how in Escape INT TERM close; do
  dir=$work/stop-$how
  freshFolder "$dir"
  runAndEnd "$dir" "$how"
  windowsLeft=$(demoWindows | wc -l)
  [ "$runStatus" -eq 0 ] && [ "$(stderrLines "$dir")" -eq 0 ] && [ "$windowsLeft" -eq 0 ]
  check "stopped by $how" "orderly shutdown, status 0, no stderr, no window left" \
    "status $runStatus, $windowsLeft windows left, stderr: $(stderrText "$dir")" $?
done

# ---- working folders
dir=$work/read-only
freshFolder "$dir"
chmod -R a-w "$dir"
runAs=()
if [ "$(id -u)" -eq 0 ]; then
  # root writes anywhere whatever the modes say; an ordinary user does not.
  cp "${XAUTHORITY:-/dev/null}" "$work/xauthority" 2>/dev/null || : >"$work/xauthority"
  chmod 644 "$work/xauthority"
  runAs=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
(cd "$dir" && exec env XAUTHORITY="$work/xauthority" HOME=/nonexistent "${runAs[@]}" "$quorvane" >/dev/null 2>"$work/read-only-err.txt") &
pid=$!
if waitForWindow "$pid"; then sleep "$kSettleSeconds"; kill -TERM "$pid"; fi
endOfRun "$pid"
[ "$runStatus" -eq 0 ] && [ ! -s "$work/read-only-err.txt" ]
check "read-only working folder${runAs:+ (run as nobody)}" "unaffected: status 0, no stderr" \
  "status $runStatus, stderr: $(tr '\n' ' ' <"$work/read-only-err.txt")" $?

long=$work
for i in $(seq 1 14); do long+=/$(printf 'folder%02d_%0240d' "$i" 0); done
freshFolder "$long"
runAndEnd "$long" TERM
[ "$runStatus" -eq 0 ] && [ "$(stderrLines "$long")" -eq 0 ]
check "working folder path of ${#long} characters" "unaffected: status 0, no stderr" \
  "status $runStatus, stderr: $(stderrText "$long")" $?

dir="$work/wörk földer ♫ with spaces/Quorvane démo"
freshFolder "$dir"
runAndEnd "$dir" TERM
[ "$runStatus" -eq 0 ] && [ "$(stderrLines "$dir")" -eq 0 ]
check "working folder with spaces and non-ASCII" "unaffected: status 0, no stderr" \
  "status $runStatus, stderr: $(stderrText "$dir")" $?

# ---- the full show's verdict
if [ "$fullShow" -eq 1 ]; then
  wait "$fullPid"
  fullPid=""
  dir=$work/full-show
  took=$(cat "$work/full-took" 2>/dev/null || echo 0)
  status=$(cat "$work/full-status" 2>/dev/null || echo none)
  # A loop that lost the stopped seconds would end kStops seconds late.
  oneLineMatching "$dir" "$musicWarning" && [ "$status" = 0 ] &&
    [ "$took" -ge "$kShowMs" ] && [ "$took" -le $((kShowMs + kFullShowSlackMs)) ]
  check "full show, music missing, stopped $kStops times for 1 s (SIGSTOP/SIGCONT)" \
    "one warning line; ends on schedule (85.5 s after the window, within ${kFullShowSlackMs} ms); status 0" \
    "status $status, ended $took ms after the window appeared, stderr: $(stderrText "$dir")" $?
fi

echo "$((rows - failures)) of $rows rows passed"
[ "$failures" -eq 0 ]
