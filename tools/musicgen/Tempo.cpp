#include "Tempo.h"

#include <cmath>

int64_t beatToFrame(double beat)
{
    return static_cast<int64_t>(std::floor(beat * kFramesPerBeat + 0.5));
}

double frameToSeconds(int64_t frame) { return static_cast<double>(frame) / kSampleRate; }
