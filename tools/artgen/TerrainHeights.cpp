#include "TerrainHeights.h"

#include <algorithm>
#include <cmath>

#include "platform/sdl12/LibcRandom.h"

namespace {
// Draws made before the terrain at the demo's start-up: the particle pool's
// construction (100 respawns of 4), the emitter's 3, then its resetAll (400).
constexpr int kDrawsBeforeTerrain = 400 + 3 + 400;
constexpr int kRandomRange = 32768;
} // namespace

TerrainHeights::TerrainHeights()
    : latticeValues(kLatticeSide * kLatticeSide), heightValues(kRows * kCols)
{
    LibcRandom random;
    for (int i = 0; i < kDrawsBeforeTerrain; ++i) {
        random.next();
    }
    for (double& value : latticeValues) {
        value = static_cast<double>(random.next() % kRandomRange) / kRandomRange;
    }
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kCols; ++col) {
            heightValues[row * kCols + col] = static_cast<float>(fractalSum(row, col, kOctaveSize));
        }
    }
}

double TerrainHeights::sample(double x, double y) const
{
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    const double fx = x - ix;
    const double fy = y - iy;
    const int x0 = (ix + kLatticeSide) % kLatticeSide;
    const int y0 = (iy + kLatticeSide) % kLatticeSide;
    const int x1 = (x0 + kLatticeSide - 1) % kLatticeSide;
    const int y1 = (y0 + kLatticeSide - 1) % kLatticeSide;
    return fx * fy * lattice(x0, y0) + fx * (1 - fy) * lattice(x0, y1) + (1 - fx) * fy * lattice(x1, y0) +
           (1 - fx) * (1 - fy) * lattice(x1, y1);
}

double TerrainHeights::fractalSum(double x, double y, double size) const
{
    const double initial = size;
    double total = 0.0;
    while (size >= 1.0) {
        total += sample(x / size, y / size) * size;
        size *= 0.5;
    }
    return total * kOctaveSize / initial;
}

double TerrainHeights::between(double row, double col) const
{
    row = std::clamp(row, 0.0, static_cast<double>(kRows - 1));
    col = std::clamp(col, 0.0, static_cast<double>(kCols - 1));
    const int r0 = std::min(static_cast<int>(row), kRows - 2);
    const int c0 = std::min(static_cast<int>(col), kCols - 2);
    const double fr = row - r0;
    const double fc = col - c0;
    const double top = at(r0, c0) + (at(r0, c0 + 1) - at(r0, c0)) * fc;
    const double bottom = at(r0 + 1, c0) + (at(r0 + 1, c0 + 1) - at(r0 + 1, c0)) * fc;
    return top + (bottom - top) * fr;
}
