#pragma once
#include <cstdint>

// The song's clock: 120 beats a minute at 44.1 kHz, so a beat is exactly
// 22050 frames and every scene change of the show falls on a beat.
constexpr int kSampleRate = 44100;
constexpr int kBeatsPerMinute = 120;
constexpr int kFramesPerBeat = kSampleRate * 60 / kBeatsPerMinute;
constexpr int kStepsPerBeat = 4;

// Frame index of a time given in beats; quarter beats (steps) land on
// whole frames because a step is 5512.5 frames and we round half up.
int64_t beatToFrame(double beat);
double frameToSeconds(int64_t frame);
