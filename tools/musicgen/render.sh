#!/usr/bin/env bash
# Regenerates the soundtrack: builds the generator on its own, renders the
# WAV into build/music/ and encodes data/quorvane.mp3 from it.
#   tools/musicgen/render.sh
# The MP3 is 22.05 kHz, the rate the demo opens its audio device at, so
# SDL plays it without resampling; 160 kbit/s CBR (the highest rate MPEG-2
# layer III has); -t leaves out the Xing/LAME frame, which SDL_mixer's
# decoder would play as an extra stretch of silence at every loop.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_MUSIC_BUILD:-$root/build/music}
cmake -S "$root/tools/musicgen" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
"$build/quorvane-musicgen" "$build/quorvane.wav"
lame --quiet --noreplaygain -t --cbr -b 160 --resample 22.05 -q 2 \
  "$build/quorvane.wav" "$root/data/quorvane.mp3"
sha256sum "$build/quorvane.wav" | cut -d' ' -f1 | sed 's/^/WAV SHA-256: /'
