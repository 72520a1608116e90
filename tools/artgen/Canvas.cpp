#include "Canvas.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kByteMax = 255.0f;
}

Rgb mixRgb(Rgb from, Rgb to, float amount)
{
    return {from.r + (to.r - from.r) * amount, from.g + (to.g - from.g) * amount,
            from.b + (to.b - from.b) * amount};
}

Rgb scaleRgb(Rgb colour, float factor)
{
    return {colour.r * factor, colour.g * factor, colour.b * factor};
}

Rgb hexRgb(uint32_t rgb)
{
    return {((rgb >> 16) & 0xff) / kByteMax, ((rgb >> 8) & 0xff) / kByteMax,
            (rgb & 0xff) / kByteMax};
}

Canvas::Canvas(int width, int height, Rgb fill)
    : pixelWidth(width), pixelHeight(height), pixels(static_cast<size_t>(width) * height, fill)
{
}

void Canvas::blend(int x, int y, Rgb colour, float amount)
{
    Rgb& pixel = pixels[index(x, y)];
    pixel = mixRgb(pixel, colour, std::clamp(amount, 0.0f, 1.0f));
}

uint8_t toByte(float channel)
{
    return static_cast<uint8_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * kByteMax));
}
