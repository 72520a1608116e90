#include "Mask.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kBlurPasses = 3;  // three box passes approximate a Gaussian
}

Mask::Mask(int width, int height)
    : maskWidth(width), maskHeight(height), cells(static_cast<size_t>(width) * height)
{
}

float Mask::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= maskWidth || y >= maskHeight) {
        return 0.0f;
    }
    return cells[static_cast<size_t>(y) * maskWidth + x];
}

void Mask::set(int x, int y, float coverage)
{
    cells[static_cast<size_t>(y) * maskWidth + x] = coverage;
}

Mask Mask::dilated(float radius) const
{
    const int reach = static_cast<int>(std::ceil(radius));
    // The disc's edge weights: full inside radius, fading over the last pixel.
    std::vector<float> weights;
    std::vector<int> offsetsX;
    std::vector<int> offsetsY;
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            const float weight =
                std::clamp(radius + 0.5f - std::sqrt(static_cast<float>(dx * dx + dy * dy)), 0.0f,
                           1.0f);
            if (weight > 0.0f) {
                weights.push_back(weight);
                offsetsX.push_back(dx);
                offsetsY.push_back(dy);
            }
        }
    }
    Mask grown(maskWidth, maskHeight);
    for (int y = 0; y < maskHeight; ++y) {
        for (int x = 0; x < maskWidth; ++x) {
            float best = 0.0f;
            for (size_t i = 0; i < weights.size() && best < 1.0f; ++i) {
                best = std::max(best, at(x + offsetsX[i], y + offsetsY[i]) * weights[i]);
            }
            grown.set(x, y, best);
        }
    }
    return grown;
}

Mask Mask::blurred(int radius) const
{
    Mask current = *this;
    const float span = static_cast<float>(2 * radius + 1);
    for (int pass = 0; pass < kBlurPasses; ++pass) {
        Mask across(maskWidth, maskHeight);
        for (int y = 0; y < maskHeight; ++y) {
            for (int x = 0; x < maskWidth; ++x) {
                float sum = 0.0f;
                for (int d = -radius; d <= radius; ++d) {
                    sum += current.at(x + d, y);
                }
                across.set(x, y, sum / span);
            }
        }
        for (int y = 0; y < maskHeight; ++y) {
            for (int x = 0; x < maskWidth; ++x) {
                float sum = 0.0f;
                for (int d = -radius; d <= radius; ++d) {
                    sum += across.at(x, y + d);
                }
                current.set(x, y, sum / span);
            }
        }
    }
    return current;
}

void Mask::paint(Canvas& canvas, int left, int top, const std::function<Rgb(int, int)>& colourAt,
                 float opacity) const
{
    for (int y = 0; y < maskHeight; ++y) {
        const int canvasY = top + y;
        if (canvasY < 0 || canvasY >= canvas.height()) {
            continue;
        }
        for (int x = 0; x < maskWidth; ++x) {
            const int canvasX = left + x;
            const float coverage = at(x, y) * opacity;
            if (canvasX < 0 || canvasX >= canvas.width() || coverage <= 0.0f) {
                continue;
            }
            canvas.blend(canvasX, canvasY, colourAt(canvasX, canvasY), coverage);
        }
    }
}
