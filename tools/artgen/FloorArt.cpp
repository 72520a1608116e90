#include "FloorArt.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ValueNoise.h"

namespace {

constexpr uint32_t kPatchSeed = 0xf1e1d;
constexpr uint32_t kDetailSeed = 0xd37a1;
constexpr uint32_t kTreeSeed = 0x7ee5;

// The demo's light, from the upper left and from behind the viewer.
constexpr double kLightX = -5.0;
constexpr double kLightY = 5.0;
constexpr double kLightZ = 10.0;
constexpr double kSlopeSpan = 0.75;  // grid units either side for the surface's slope
constexpr float kShadeFloor = 0.5f;
constexpr float kShadeCeiling = 1.2f;

// Height bands by rank among all heights (0 lowest, 1 highest): lakes,
// shore, meadow, forest, rock, snow. A band starts where the previous ends.
struct Band {
    float upTo;
    Rgb colour;
    Rgb alternate;  // the colour of the band's other patches, far apart
};
const Band kBands[] = {
    {0.09f, hexRgb(0x1a78ff), hexRgb(0x10b0e0)},  // lake
    {0.12f, hexRgb(0xf2dc8a), hexRgb(0xe8c070)},  // shore
    {0.52f, hexRgb(0x6ae030), hexRgb(0xd8e030)},  // meadow, fresh or sun-dried
    {0.78f, hexRgb(0x20b048), hexRgb(0xf08020)},  // forest, green or autumn
    {0.92f, hexRgb(0xd07858), hexRgb(0xa080e0)},  // rock, warm or heather
    {1.01f, hexRgb(0xf6f8ff), hexRgb(0xe8f2ff)},  // snow
};
constexpr int kBandCount = sizeof(kBands) / sizeof(kBands[0]);
constexpr int kForestBand = 3;
constexpr int kLakeBand = 0;
constexpr float kBandBlend = 0.015f;  // rank distance over which neighbouring bands merge

float smooth01(float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Rank of each grid height, used to turn a height into its band.
class HeightRanks {
public:
    explicit HeightRanks(const TerrainHeights& terrain)
    {
        for (int row = 0; row < TerrainHeights::kRows; ++row) {
            for (int col = 0; col < TerrainHeights::kCols; ++col) {
                sorted.push_back(terrain.at(row, col));
            }
        }
        std::sort(sorted.begin(), sorted.end());
    }

    float rank(double height) const
    {
        const auto above =
            std::lower_bound(sorted.begin(), sorted.end(), static_cast<float>(height));
        return static_cast<float>(above - sorted.begin()) / sorted.size();
    }

private:
    std::vector<float> sorted;
};

Rgb bandColour(int band, float patch)
{
    return mixRgb(kBands[band].colour, kBands[band].alternate, patch);
}

}  // namespace

Canvas makeFloor(const TerrainHeights& terrain)
{
    Canvas canvas(kFloorSize, kFloorSize);
    const HeightRanks ranks(terrain);
    const ValueNoise patches(kPatchSeed);
    const ValueNoise detail(kDetailSeed);
    const ValueNoise trees(kTreeSeed);
    const double lightLength = std::sqrt(kLightX * kLightX + kLightY * kLightY + kLightZ * kLightZ);
    const double flatLight = kLightY / lightLength;

    for (int v = 0; v < kFloorSize; ++v) {
        for (int u = 0; u < kFloorSize; ++u) {
            // Texel centre to grid position: s runs along the rows (x), t along the columns (z).
            const double row = (u + 0.5) * TerrainHeights::kRows / kFloorSize;
            const double col = (v + 0.5) * TerrainHeights::kCols / kFloorSize;
            const double height = terrain.between(row, col);

            const double slopeX =
                (terrain.between(row + kSlopeSpan, col) - terrain.between(row - kSlopeSpan, col)) /
                (2 * kSlopeSpan);
            const double slopeZ =
                (terrain.between(row, col + kSlopeSpan) - terrain.between(row, col - kSlopeSpan)) /
                (2 * kSlopeSpan);
            const double normalLength = std::sqrt(slopeX * slopeX + 1.0 + slopeZ * slopeZ);
            const double facing =
                (-slopeX * kLightX + kLightY - slopeZ * kLightZ) / (normalLength * lightLength);
            const float shade = std::clamp(static_cast<float>(std::max(facing, 0.0) / flatLight),
                                           kShadeFloor, kShadeCeiling);

            const float x = static_cast<float>(u);
            const float y = static_cast<float>(v);
            const float patch = smooth01((patches.fractal(x, y, 160.0f, 3) - 0.35f) / 0.3f);
            const float fine = detail.fractal(x, y, 6.0f, 3);
            // Jitter the rank so band borders wander instead of tracing contour lines.
            const float rank = ranks.rank(height) + (detail.fractal(x, y, 24.0f, 2) - 0.5f) * 0.05f;

            int band = 0;
            while (band < kBandCount - 1 && rank > kBands[band].upTo) {
                ++band;
            }
            Rgb colour = bandColour(band, patch);
            if (band + 1 < kBandCount) {
                const float toNext =
                    smooth01((rank - (kBands[band].upTo - kBandBlend)) / (2 * kBandBlend));
                colour = mixRgb(colour, bandColour(band + 1, patch), toNext);
            }
            if (band > 0) {
                const float fromPrevious =
                    smooth01((kBands[band - 1].upTo + kBandBlend - rank) / (2 * kBandBlend));
                colour = mixRgb(colour, bandColour(band - 1, patch), fromPrevious);
            }

            if (band == kForestBand) {
                // Tree crowns: dark speckles, denser toward the band's middle.
                const float crown = trees.at(x * 0.6f, y * 0.6f);
                if (crown > 0.62f) {
                    colour = scaleRgb(colour, 0.55f);
                }
            }
            float texture = 0.86f + 0.28f * fine;
            float light = shade;
            if (band == kLakeBand) {
                // Water lies flat and glints: little relief, gentle ripples.
                light = 0.9f + 0.1f * shade;
                texture = 0.94f + 0.12f * detail.at(x * 0.25f, y * 0.9f);
            }
            canvas.set(u, v, scaleRgb(colour, light * texture));
        }
    }
    return canvas;
}
