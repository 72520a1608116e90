#!/usr/bin/env bash
# Checks that the live demo of the work tree makes the same calls as the demo of a base
# commit: builds both, plays each for the same frames under a stepped clock (every clock
# reading the demo takes is a fixed step after the last, so frames fall alike on every run),
# records its GL calls with their arguments (apitrace; pointers masked, the texels of every
# upload hashed) and its SDL, mixer, image and rand() calls (ltrace, the main thread's), and
# prints the counts and the first difference. Exits 1 on a difference, 2 when it could not
# compare. Each run has its own display and the dummy audio driver.
#   tools/tracecmp.sh [OPTIONS] BASE_REV
#   --frames N      frames each run shows at most (default 60)
#   --step MS       the clock's step between two readings (default 1700: a frame a reading,
#                   and the whole show, both stills included, in 51 frames)
#   --ignore NAMES  comma-separated calls left out of the SDL side on both runs, as in
#                   SDL_Delay,Mix_SetPostMix (for a change that adds a known wait)
#   --control       the work tree's run draws one extra rand() before main: the difference
#                   must be found (exits 0 when it is, 1 when it is not)
#   --keep DIR      keeps the traces and their text in DIR
# The base is built from `git archive` in a temporary folder, the work tree in
# build-tracecmp/ (both only the demo's target).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=tools/own_display.sh
. "$root/tools/own_display.sh"

frames=60
step=1700
ignore=
control=false
keep=
base=
usage() {
  echo "usage: tools/tracecmp.sh [--frames N] [--step MS] [--ignore NAMES] [--control]" \
    "[--keep DIR] BASE_REV" >&2
  exit 2
}
while [ $# -gt 0 ]; do
  case $1 in
    --frames) [ $# -ge 2 ] || usage; frames=$2; shift 2 ;;
    --step) [ $# -ge 2 ] || usage; step=$2; shift 2 ;;
    --ignore) [ $# -ge 2 ] || usage; ignore=$2; shift 2 ;;
    --control) control=true; shift ;;
    --keep) [ $# -ge 2 ] || usage; keep=$2; shift 2 ;;
    -*) usage ;;
    *) [ -z "$base" ] || usage; base=$1; shift ;;
  esac
done
[ -n "$base" ] || usage
for tool in apitrace ltrace Xvfb c++ cmake; do
  command -v "$tool" >/dev/null || {
    echo "quorvane: tracecmp needs $tool (tools/setup.sh trace)" >&2
    exit 2
  }
done
baseCommit=$(git -C "$root" rev-parse --verify --quiet "$base^{commit}") || {
  echo "quorvane: tracecmp: no commit $base" >&2
  exit 2
}

scratch=$(mktemp -d) || exit 2
# shellcheck disable=SC2317  # called by the trap
cleanUp() { stopOwnDisplay; rm -rf "$scratch"; }
trap cleanUp EXIT
fail() { echo "quorvane: tracecmp: $*" >&2; exit 2; }

buildDemo() {  # source build
  if ! cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    >"$scratch/cmake.log" 2>&1 ||
    ! cmake --build "$2" -j"$(nproc)" --target quorvane >>"$scratch/cmake.log" 2>&1; then
    cat "$scratch/cmake.log" >&2
    fail "cannot build the demo in $1"
  fi
}

echo "tracecmp: building $base (${baseCommit:0:10}) and the work tree"
mkdir -p "$scratch/base"
git -C "$root" archive "$baseCommit" | tar -x -C "$scratch/base" || fail "cannot unpack $base"
buildDemo "$scratch/base" "$scratch/base/build"
buildDemo "$root" "$root/build-tracecmp/work"
c++ -std=c++17 -O2 -Wall -Wextra -Werror -shared -fPIC -o "$scratch/clock.so" \
  "$root/tools/tracecmp/SteppedClock.cpp" -ldl || fail "cannot build the stepped clock"
c++ -std=c++17 -O2 -Wall -Wextra -Werror -shared -fPIC -o "$scratch/extra-rand.so" \
  "$root/tools/tracecmp/ExtraRand.cpp" || fail "cannot build the control's extra rand()"

# Runs the demo of a source folder (from there, where its data/ is) under one tracer, on a
# display of its own. run NAME SOURCE BINARY PRELOAD TRACER...
run() {
  local name=$1 source=$2 binary=$3 preload=$4 status
  shift 4
  startOwnDisplay || fail "no display for the $name run"
  (cd "$source" && DISPLAY=$ownDisplay SDL_AUDIODRIVER=dummy LP_NUM_THREADS=0 \
    QUORVANE_TRACE_STEP_MS=$step QUORVANE_TRACE_FRAMES=$frames LD_PRELOAD=$preload \
    "$@" "$binary" >"$scratch/$name.out" 2>&1)
  status=$?
  stopOwnDisplay
  [ $status -eq 0 ] || { cat "$scratch/$name.out" >&2; fail "the $name run exited with $status"; }
}

# The GL calls as text: no call numbers, no program path, addresses masked, and the hash of
# each blob's bytes after them, so that a texture's texels count as its argument.
glText() {  # trace text
  local blobs=$scratch/blobs
  rm -rf "$blobs" && mkdir -p "$blobs"
  (cd "$blobs" && apitrace dump --call-nos=no --color=never --blobs "$1") |
    sed -E '/^\/\/ process\.name = /d; s/0x[0-9a-f]+/0x?/g' >"$2" || fail "cannot read $1"
  (cd "$blobs" && find . -type f -name 'blob_call*' -exec md5sum {} + | sed 's|\./||' | sort -k2) \
    >>"$2"
}

# The main thread's SDL, mixer, image and rand() calls, addresses masked, ignored calls out.
# A call that another thread's event cut in two ("NAME(ARGS <no return ...>", later
# "<... NAME resumed> REST") is joined again, wherever the cut fell.
sdlText() {  # ltrace-output text
  local main skip
  main=$(head -n1 "$1" | awk '{print $1}')
  skip='^$'
  [ -z "$ignore" ] || skip="^quorvane->(${ignore//,/|})\\("
  awk -v main="$main" '
    $1 != main { next }
    { sub(/^[0-9]+ +/, "") }
    /^\+\+\+ / { next }
    / <no return \.\.\.>$/ { sub(/ <no return \.\.\.>$/, ""); held = $0; next }
    /^<\.\.\. [^ ]+ resumed> / { sub(/^<\.\.\. [^ ]+ resumed> /, ""); print held $0; next }
    { print }' "$1" |
    sed -E 's/0x[0-9a-f]+/0x?/g; s/ +/ /g' | grep -Ev -- "$skip" >"$2"
}

traceDemo() {  # name source binary preload
  local name=$1 source=$2 binary=$3 preload=$4
  echo "tracecmp: playing the $name demo ($frames frames, clock step $step ms)"
  run "$name-gl" "$source" "$binary" "$preload" apitrace trace -o "$scratch/$name.trace" --
  [ -s "$scratch/$name.trace" ] || fail "apitrace wrote no trace of the $name run"
  glText "$scratch/$name.trace" "$scratch/$name.gl"
  run "$name-sdl" "$source" "$binary" "$preload" \
    ltrace -f -F "$root/tools/tracecmp/ltrace.conf" \
    -e 'SDL_*@MAIN+Mix_*@MAIN+IMG_*@MAIN+rand@MAIN' -o "$scratch/$name.ltrace" --
  sdlText "$scratch/$name.ltrace" "$scratch/$name.sdl"
}

workPreload=$scratch/clock.so
$control && workPreload="$scratch/extra-rand.so:$workPreload"
traceDemo base "$scratch/base" "$scratch/base/build/quorvane" "$scratch/clock.so"
traceDemo work "$root" "$root/build-tracecmp/work/quorvane" "$workPreload"

different=0
compare() {  # label kind
  local label=$1 a=$scratch/base.$2 b=$scratch/work.$2
  printf 'tracecmp: %s calls: base %d, work tree %d\n' "$label" "$(wc -l <"$a")" "$(wc -l <"$b")"
  if cmp -s "$a" "$b"; then
    echo "tracecmp: $label: identical"
    return
  fi
  different=1
  # diff's first hunk: its header names the lines (base's, then the work tree's), "<" marks
  # the base's calls and ">" the work tree's.
  echo "tracecmp: $label: first difference"
  diff "$a" "$b" | head -n 8 | cut -c1-300
}
compare GL gl
compare "SDL/mixer/image/rand" sdl
[ $(( $(wc -l <"$scratch/base.gl") * $(wc -l <"$scratch/base.sdl") )) -gt 0 ] ||
  fail "a trace came out empty"
if [ -n "$keep" ]; then
  mkdir -p "$keep" &&
    cp "$scratch"/*.trace "$scratch"/*.gl "$scratch"/*.sdl "$scratch"/*.ltrace "$keep"/ &&
    echo "tracecmp: traces kept in $keep"
fi
if $control; then
  if [ $different -eq 0 ]; then
    echo "tracecmp: FAILED: the control's extra rand() went unseen"
    exit 1
  fi
  echo "tracecmp: the control's extra rand() was caught"
  exit 0
fi
exit $different
