#include "effects/TerrainNoise.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int kRandRange = 32768;  // draws are taken mod this and divided by it, exactly

// Remainder that stays in [0, modulus) for negative numbers too, so the noise wraps
// continuously on both sides of zero.
int floorMod(int64_t value, int modulus)
{
    const int64_t r = value % modulus;
    return static_cast<int>(r < 0 ? r + modulus : r);
}

}  // namespace

double noiseFromDraw(int draw) { return static_cast<double>(draw % kRandRange) / kRandRange; }

double sampleNoise(const NoiseLattice& lattice, double x, double y)
{
    constexpr int kSize = kNoiseLatticeSize;
    if (!std::isfinite(x) || !std::isfinite(y)) return 0.0;
    // For x, y >= 0 the floor is the plain integer part; below zero it keeps the fractional
    // part in [0, 1) and, with the floored modulo, the noise continuous across zero.
    const double wholeX = std::floor(x), wholeY = std::floor(y);
    const double fx = x - wholeX, fy = y - wholeY;
    const int x0 = floorMod(static_cast<int64_t>(std::fmod(wholeX, kSize)), kSize);
    const int y0 = floorMod(static_cast<int64_t>(std::fmod(wholeY, kSize)), kSize);
    const int x1 = (x0 + kSize - 1) % kSize;  // the previous row; before 0 is 127
    const int y1 = (y0 + kSize - 1) % kSize;
    return fx * fy * lattice[x0][y0] + fx * (1 - fy) * lattice[x0][y1] +
           (1 - fx) * fy * lattice[x1][y0] + (1 - fx) * (1 - fy) * lattice[x1][y1];
}

double fractalNoise(const NoiseLattice& lattice, double x, double y, double size)
{
    const double initial = size;
    double total = 0.0;
    while (size >= 1.0) {
        total = total + sampleNoise(lattice, x / size, y / size) * size;
        size = size * 0.5;
    }
    return total * 16.0 / initial;
}
