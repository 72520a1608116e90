#pragma once

#include <functional>
#include <vector>

#include "Canvas.h"

// Coverage in 0..1 per pixel: lettering, its outline and its shadow.
class Mask {
public:
    Mask(int width, int height);

    int width() const { return maskWidth; }
    int height() const { return maskHeight; }
    float at(int x, int y) const;  // 0 outside the mask
    void set(int x, int y, float coverage);

    // Grown by radius pixels in every direction, with soft edges.
    Mask dilated(float radius) const;
    // Softened by three box-blur passes of the given radius.
    Mask blurred(int radius) const;

    // Blends colourAt(canvas x, canvas y) into the canvas wherever the mask
    // covers it, the mask's top-left corner at (left, top).
    void paint(Canvas& canvas, int left, int top, const std::function<Rgb(int, int)>& colourAt,
               float opacity = 1.0f) const;

private:
    int maskWidth;
    int maskHeight;
    std::vector<float> cells;
};
