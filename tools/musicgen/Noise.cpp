#include "Noise.h"

namespace {
constexpr uint32_t gZeroSeedReplacement = 0x9e3779b9u;
constexpr double gTwoTo31 = 2147483648.0;
}

Noise::Noise(uint32_t seed) : state(seed ? seed : gZeroSeedReplacement) {}

double Noise::next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / gTwoTo31 - 1.0;
}
