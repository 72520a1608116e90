#pragma once
#include "Song.h"

#include <cstdint>
#include <vector>

// The drum machine and effect sounds: kick, snare, clap, hats, shaker,
// crash, riser and impact, each synthesised from sines, noise and filters.
// A hit is rendered into a stereo buffer that starts at the hit; the noise
// seed makes each hit distinct yet the same on every render.
void renderDrum(Instrument instrument, double velocity, double lengthSeconds, uint32_t seed,
                std::vector<float>& left, std::vector<float>& right);
