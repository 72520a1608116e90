#pragma once
#include <vector>

// Halves the sample rate: a windowed-sinc low-pass below the new Nyquist
// frequency, then every second sample. The song is synthesised at 44.1 kHz,
// where the oscillators alias less, and delivered at the demo's 22.05 kHz.
std::vector<float> decimateByTwo(const std::vector<float>& input);
