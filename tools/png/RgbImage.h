// A picture as the tools write and read it: 8-bit RGB, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbImage {
    static constexpr int kChannels = 3;

    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * kChannels bytes, rows top to bottom

    void resize(int w, int h)
    {
        width = w;
        height = h;
        pixels.assign(static_cast<size_t>(w) * h * kChannels, 0);
    }
    uint8_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * width * kChannels; }
    const uint8_t* row(int y) const
    {
        return pixels.data() + static_cast<size_t>(y) * width * kChannels;
    }
};
