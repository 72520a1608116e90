#pragma once
#include "Song.h"
#include "WavFile.h"

// Plays the song's notes through the instruments, the sends through the
// hall and the echo, and the sum through the master bus (DC blocker,
// gain), halves the rate to the demo's 22.05 kHz and limits the peaks.
// The result is the finished mix.
StereoSamples renderSong(const Song& song);

// Highest sample the limiter lets through, in dBFS; the headroom above it
// keeps the encoded file's true peak below -1 dBTP.
constexpr double kLimiterCeilingDb = -2.0;
