#include "ValueNoise.h"

#include <cmath>

namespace {

constexpr float kHashRange = 16777216.0f;  // 2^24: the hash's top 24 bits become the value

uint32_t mixBits(uint32_t value)
{
    // A well-spread integer finaliser (xorshift-multiply).
    value ^= value >> 16;
    value *= 0x7feb352dU;
    value ^= value >> 15;
    value *= 0x846ca68bU;
    value ^= value >> 16;
    return value;
}

float smoothStep(float t) { return t * t * (3.0f - 2.0f * t); }

}  // namespace

float ValueNoise::lattice(int32_t x, int32_t y) const
{
    const uint32_t hash =
        mixBits(static_cast<uint32_t>(x) * 0x9e3779b1U ^ mixBits(static_cast<uint32_t>(y) + seed));
    return static_cast<float>(hash >> 8) / kHashRange;
}

float ValueNoise::at(float x, float y) const
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int32_t ix = static_cast<int32_t>(fx);
    const int32_t iy = static_cast<int32_t>(fy);
    const float tx = smoothStep(x - fx);
    const float ty = smoothStep(y - fy);
    const float top = lattice(ix, iy) + (lattice(ix + 1, iy) - lattice(ix, iy)) * tx;
    const float bottom = lattice(ix, iy + 1) + (lattice(ix + 1, iy + 1) - lattice(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

float ValueNoise::fractal(float x, float y, float scale, int octaves) const
{
    float total = 0.0f;
    float weight = 1.0f;
    float weights = 0.0f;
    for (int octave = 0; octave < octaves; ++octave) {
        // Each octave is shifted so that lattice points of different octaves do not line up.
        total += at(x / scale + octave * 17.31f, y / scale - octave * 9.73f) * weight;
        weights += weight;
        weight *= 0.5f;
        scale *= 0.5f;
    }
    return total / weights;
}
