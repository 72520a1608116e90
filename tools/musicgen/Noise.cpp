#include "Noise.h"

namespace {
constexpr uint32_t kZeroSeedReplacement = 0x9e3779b9u;
constexpr double kTwoTo31 = 2147483648.0;
}

Noise::Noise(uint32_t seed) : state(seed ? seed : kZeroSeedReplacement) {}

double Noise::next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / kTwoTo31 - 1.0;
}
