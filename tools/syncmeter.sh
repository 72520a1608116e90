#!/usr/bin/env bash
# Benchmark: how far the music is from the picture while the live show plays, measured from
# outside the program. A PulseAudio server of its own with a null sink takes the program's
# sound; parec records the sink's monitor, each read dated on arrival; the frames' times come
# from the program on a private Xvfb: natively from a preloaded library that notes each
# SDL_GL_SwapBuffers and the SDL_GetTicks reading it was drawn for (the demo's calls are
# untouched), under Wine from Wine's relay trace of QueryPerformanceCounter and SwapBuffers,
# each line stamped as it is written by a preloaded library; for the page, in a browser
# engine, from a script served first in it that notes each animation frame's time and the
# show time it drew (tools/syncmeter/page.mjs).
# quorvane-syncmeter finds where in the MP3 (decoded by ffmpeg) the recording is and prints,
# in ms, how late the music is behind the picture (negative: early) at the first frame and
# after 60 s, with a row every 10 s.
#   tools/syncmeter.sh [--windows | --page ENGINE] [--control MS] [--keep DIR]
#     --windows     measures build-windows/quorvane/quorvane.exe under Wine's PulseAudio
#                   driver instead of the native demo (tools/windows.sh builds it first)
#     --page ENGINE measures the page (build-web/site, tools/web.sh builds it first) in
#                   chromium, firefox or webkit, played through its first 65 s
#     --control MS  also records the monitor through a delay of MS ms and prints what the
#                   meter makes of it: the music MS ms later than in the direct recording
#     --keep DIR    keeps the recordings, logs and the server's log (pulse/log) in DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/syncmeter.sh [--windows | --page ENGINE] [--control MS] [--keep DIR]"
kRate=44100          # the sink's rate: the monitor is recorded and the song decoded at it
kRecordLatencyMs=10  # parec's fragments: each read dates at most this much sound
kShowSeconds=240     # the whole show (85.5 s) with a slow start under Wine, and then some
windows=0
page=
control=
keep=
while [ $# -gt 0 ]; do
  case $1 in
    --windows) windows=1 ;;
    --page) page=${2:?$usage}; shift ;;
    --control) control=${2:?$usage}; shift ;;
    --keep) keep=${2:?$usage}; shift ;;
    -h|--help) echo "$usage"; exit 0 ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
  shift
done
[ -z "$control" ] || [[ $control =~ ^[0-9]+$ ]] || { echo "$usage" >&2; exit 2; }
[ -z "$page" ] || { [[ $page =~ ^(chromium|firefox|webkit)$ ]] && [ $windows -eq 0 ]; } ||
  { echo "$usage" >&2; exit 2; }

"$root/tools/setup.sh" core sync
build=${QUORVANE_BUILD:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(quorvane-syncmeter)
[ -n "$page" ] || targets+=(quorvane quorvane-frameclock quorvane-stderrstamps)
nice -n 10 cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
meter=$build/tools/syncmeter/quorvane-syncmeter
folder=${QUORVANE_WINDOWS_BUILD:-$root/build-windows}/quorvane
if [ $windows -eq 1 ]; then
  "$root/tools/windows.sh" >/dev/null
fi
# shellcheck source=tools/syncmeter/page.sh
. "$root/tools/syncmeter/page.sh"
[ -z "$page" ] || preparePage

if [ -n "$keep" ]; then
  mkdir -p "$keep"
  work=$(cd "$keep" && pwd)
else
  work=$(mktemp -d)
fi
pids=()
# Ends what this script started, by process id, newest first; the display goes last.
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; --i)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  if [ $windows -eq 1 ]; then stopWinePrefix || true; fi
  stopOwnDisplay
  [ -n "$keep" ] || rm -rf "$work"
}
# shellcheck source=tools/own_display.sh
. "$root/tools/own_display.sh"
# shellcheck source=tools/wine_prefix.sh
. "$root/tools/wine_prefix.sh"
trap cleanup EXIT

# The sound server: one of the meter's own, its null sink at the recording's rate.
# shellcheck source=tools/sound_server.sh
. "$root/tools/sound_server.sh"
startSoundServer "$work/pulse" syncmeter $kRate || exit 1
pids+=("$soundServerPid")

ffmpeg -v error -y -i "$root/data/quorvane.mp3" -f s16le -ac 1 -ar $kRate "$work/song.raw"

# The monitor, recorded from before the program starts until after it ends.
record() {  # record NAME [DELAY_MS]
  mkfifo "$work/$1.fifo"
  if [ -n "${2:-}" ]; then
    "$meter" delay "$2" <"$work/$1.fifo" | "$meter" record "$work/$1" &
  else
    "$meter" record "$work/$1" <"$work/$1.fifo" &
  fi
  recorders+=($!)
  parec -d syncmeter.monitor --format=s16le --rate=$kRate --channels=1 \
    --latency-msec=$kRecordLatencyMs >"$work/$1.fifo" &
  pids+=($!)
  grabbers+=($!)
}
recorders=()
grabbers=()
record monitor
[ -z "$control" ] || record delayed "$control"

# shellcheck disable=SC2119  # Xvfb's own arguments: none
startOwnDisplay
# shellcheck disable=SC2154  # set by startOwnDisplay
export DISPLAY=$ownDisplay
status=0
if [ -n "$page" ]; then
  name="page in $page"
  playPage "$page" "$work/frames.log" $kShowSeconds || status=$?
elif [ $windows -eq 0 ]; then
  name="native demo"
  (cd "$root" && SDL_AUDIODRIVER=pulse \
    QUORVANE_SYNCMETER_FRAMES="$work/frames.log" \
    LD_PRELOAD="$build/tools/syncmeter/libquorvane-frameclock.so" \
    timeout $kShowSeconds "$build/quorvane") || status=$?
else
  name="quorvane.exe under Wine"
  # A prefix of the meter's own: the relay trace's settings stay out of the others.
  prefix=${QUORVANE_SYNCMETER_WINEPREFIX:-$(dirname "$folder")/syncmeter-wine}
  fresh=0
  [ -f "$prefix/system.reg" ] || fresh=1
  useWinePrefix "$prefix" pulse
  if [ $fresh -eq 1 ]; then
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayFromInclude /d quorvane.exe /f \
      >/dev/null 2>&1
    traced='kernel32.QueryPerformanceCounter;gdi32.SwapBuffers;winmm.waveOutWrite'
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d "$traced" /f >/dev/null 2>&1
  fi
  mkfifo "$work/trace.fifo"
  "$meter" wine-frames "$work/frames.log" <"$work/trace.fifo" 2>"$work/wine.log" &
  converter=$!
  (cd "$folder" && WINEDEBUG=+tid,+relay \
    LD_PRELOAD="$build/tools/syncmeter/libquorvane-stderrstamps.so" \
    timeout $kShowSeconds wine quorvane.exe 2>"$work/trace.fifo") || status=$?
  wait $converter || status=1
fi
# The sink has played all it was given a moment after the program closed its stream.
sleep 1
for pid in "${grabbers[@]}"; do kill "$pid" 2>/dev/null || true; done
for pid in "${recorders[@]}"; do wait "$pid" || status=1; done
if [ $status -ne 0 ]; then
  echo "quorvane syncmeter: the $name ended with status $status" >&2
  exit 1
fi

echo "quorvane syncmeter: $name, $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg)"
"$meter" measure --song "$work/song.raw" --recording "$work/monitor" --frames "$work/frames.log" \
  --rate $kRate | tee "$work/report.txt"
if [ -n "$control" ]; then
  echo "control: the same monitor recorded through a delay of $control ms"
  "$meter" measure --song "$work/song.raw" --recording "$work/delayed" \
    --frames "$work/frames.log" --rate $kRate | tee "$work/control.txt"
  python3 - "$work/report.txt" "$work/control.txt" "$control" <<'EOF'
import re, sys
def music(path):
    return [float(m) for m in re.findall(r"music +([+-][0-9.]+),", open(path).read())]
direct, delayed, wanted = music(sys.argv[1]), music(sys.argv[2]), float(sys.argv[3])
seen = [b - a for a, b in zip(direct, delayed)]
misses = sorted(abs(s - wanted) for s in seen)
# A row next to a gap in the sound may be matched on its other side in one recording.
print("control: music later by %s ms (wanted %g; median miss %.1f ms, worst %.1f ms)" % (
    ", ".join("%.1f" % s for s in seen), wanted, misses[len(misses) // 2], misses[-1]))
EOF
fi
