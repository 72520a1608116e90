#include "SpriteArt.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kSize = 256;
constexpr float kGlowRadius = 0.92f;  // of the half side; black from there outwards
constexpr float kCoreRadius = 0.22f;  // the white-hot centre
constexpr float kCoreWeight = 0.6f;
constexpr float kHaloWeight = 0.85f;
const Rgb kCoreColour = hexRgb(0xfffbe8);
const Rgb kHaloColour = hexRgb(0xffa640);
}  // namespace

Canvas makeSprite()
{
    Canvas canvas(kSize, kSize);
    const float half = kSize * 0.5f;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float dx = (x + 0.5f - half) / half;
            const float dy = (y + 0.5f - half) / half;
            const float r = std::sqrt(dx * dx + dy * dy) / kGlowRadius;
            if (r >= 1.0f) {
                continue;
            }
            // The halo's square keeps value and slope at zero at the rim, so it
            // meets the black surround without a ring.
            const float rim = 1.0f - r * r;
            const float halo = kHaloWeight * rim * rim;
            const float core = kCoreWeight * std::exp(-(r * r) / (kCoreRadius * kCoreRadius));
            const Rgb glow = scaleRgb(kHaloColour, halo);
            canvas.set(x, y,
                       {std::min(1.0f, glow.r + kCoreColour.r * core),
                        std::min(1.0f, glow.g + kCoreColour.g * core),
                        std::min(1.0f, glow.b + kCoreColour.b * core)});
        }
    }
    return canvas;
}
