#!/usr/bin/env bash
# Regenerates the soundtrack: builds the generator on its own, renders
# build/music/quorvane.wav (the song) and encodes data/quorvane.mp3.
#   tools/musicgen/render.sh
# The MP3 is 22.05 kHz, the rate the demo opens its audio device at, so
# SDL plays it without resampling, at 160 kbit/s CBR (the highest rate of
# MPEG-2 layer III). -t leaves out the Xing/LAME information frame: a
# decoder that does not read it, as SDL_mixer's does not, plays it as one
# more frame of silence at every repeat. The encoder's input is
# advanced by 2129 frames: 1105 of decoder delay plus one 1024-frame
# device buffer, so the music is heard in time with the pictures.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_MUSIC_BUILD:-$root/build/music}
advance=2129
cmake -S "$root/tools/musicgen" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
"$build/quorvane-musicgen" "$build/quorvane.wav"
"$build/quorvane-musicgen" --advance "$advance" "$build/quorvane-advanced.wav"
lame --quiet --noreplaygain -t --cbr -b 160 -q 2 "$build/quorvane-advanced.wav" "$root/data/quorvane.mp3"
echo "WAV SHA-256: $(sha256sum "$build/quorvane.wav" | cut -d' ' -f1)"
