#include "IconArt.h"

#include <algorithm>
#include <cmath>

namespace {

// How much of the source pixel [pixel, pixel + 1) lies inside [from, to).
double overlap(int pixel, double from, double to)
{
    return std::max(0.0, std::min<double>(pixel + 1, to) - std::max<double>(pixel, from));
}

}  // namespace

Canvas makeIcon(const Canvas& logo, int size)
{
    Canvas icon(size, size);
    const double stepX = static_cast<double>(logo.width()) / size;
    const double stepY = static_cast<double>(logo.height()) / size;
    for (int y = 0; y < size; ++y) {
        const double top = y * stepY;
        const double bottom = top + stepY;
        for (int x = 0; x < size; ++x) {
            const double left = x * stepX;
            const double right = left + stepX;
            double r = 0.0;
            double g = 0.0;
            double b = 0.0;
            for (int sy = static_cast<int>(top);
                 sy < std::min<int>(std::ceil(bottom), logo.height()); ++sy) {
                const double rowWeight = overlap(sy, top, bottom);
                for (int sx = static_cast<int>(left);
                     sx < std::min<int>(std::ceil(right), logo.width()); ++sx) {
                    const double weight = rowWeight * overlap(sx, left, right);
                    const Rgb pixel = logo.at(sx, sy);
                    r += pixel.r * weight;
                    g += pixel.g * weight;
                    b += pixel.b * weight;
                }
            }
            const double area = stepX * stepY;
            icon.set(x, y,
                     {static_cast<float>(r / area), static_cast<float>(g / area),
                      static_cast<float>(b / area)});
        }
    }
    return icon;
}
