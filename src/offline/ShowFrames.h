// Where the frame loop draws its frames when its clock steps 1 ms per reading, as on an
// infinitely fast machine: at 21, 41, 61, ... ms of elapsed time.
#pragma once

#include "shell/FrameLoop.h"

#include <cstdint>

// The first pass with more than one frame step pending.
constexpr int32_t kFirstFrameMs = static_cast<int32_t>(kFrameMs) + 1;
constexpr int32_t kFrameStepMs = static_cast<int32_t>(kFrameMs);
constexpr int32_t kFramesPerSecond = 1000 / kFrameStepMs;

// Elapsed time of the frame on screen at `ms`: the last one drawn at or before it.
constexpr int32_t frameShownAt(int32_t ms)
{
    return kFirstFrameMs + (ms - kFirstFrameMs) / kFrameStepMs * kFrameStepMs;
}

// How many frames the loop draws before the elapsed time reaches `ms`.
constexpr int32_t framesBefore(int32_t ms)
{
    return ms <= kFirstFrameMs ? 0 : (ms - kFirstFrameMs - 1) / kFrameStepMs + 1;
}

static_assert(frameShownAt(1000) == 981 && frameShownAt(21) == 21 && frameShownAt(40) == 21,
              "stills show the frame drawn last before their time");
static_assert(framesBefore(85500) == 4274 && framesBefore(22) == 1 && framesBefore(21) == 0,
              "frames are drawn at 21 + 20k ms");
