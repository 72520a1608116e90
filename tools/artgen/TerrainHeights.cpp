#include "TerrainHeights.h"

#include <algorithm>

#include "platform/LibcRandom.h"

namespace {
// Draws made before the terrain at the demo's start-up: the particle pool's
// construction (100 respawns of 4), the emitter's 3, then its resetAll (400).
constexpr int kDrawsBeforeTerrain = 400 + 3 + 400;
}  // namespace

TerrainHeights::TerrainHeights() : heightValues(kRows * kCols)
{
    LibcRandom random;
    for (int i = 0; i < kDrawsBeforeTerrain; ++i) {
        random.next();
    }
    for (auto& row : latticeValues) {
        for (double& value : row) {
            value = noiseFromDraw(random.next());
        }
    }
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kCols; ++col) {
            heightValues[row * kCols + col] =
                static_cast<float>(fractalNoise(latticeValues, row, col, kOctaveSize));
        }
    }
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
