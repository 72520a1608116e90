#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A committed BMP read back byte by byte, independently of the generator's
// writer, so that the checks see exactly what the demo's loader will see.
struct BmpImage {
    std::vector<uint8_t> bytes;  // the whole file
    std::string error;           // empty when the headers could be read

    uint16_t signature = 0;
    uint32_t fileSizeField = 0;
    uint32_t pixelOffset = 0;
    uint32_t infoSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // positive: rows stored bottom-up
    uint16_t planes = 0;
    uint16_t bitsPerPixel = 0;
    uint32_t compression = 0;

    // The three stored bytes of a pixel, in file order (BMP's blue, green,
    // red), with y = 0 the image's top row.
    uint8_t stored(int x, int y, int channel) const;
    // Brightness 0..255 of the colour the screen shows (the channels swapped).
    double luma(int x, int y) const;
    int rowBytes() const { return (width * 3 + 3) / 4 * 4; }
};

BmpImage readBmp(const std::string& path);
