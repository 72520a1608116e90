#include "BmpImage.h"

#include <fstream>
#include <iterator>

namespace {
constexpr size_t kHeadersSize = 54;

uint32_t le(const std::vector<uint8_t>& bytes, size_t at, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}
}  // namespace

uint8_t BmpImage::stored(int x, int y, int channel) const
{
    const int fileRow = height - 1 - y;
    return bytes[pixelOffset + static_cast<size_t>(fileRow) * rowBytes() + x * 3 + channel];
}

double BmpImage::luma(int x, int y) const
{
    // On screen the first stored byte is red and the third blue.
    return 0.299 * stored(x, y, 0) + 0.587 * stored(x, y, 1) + 0.114 * stored(x, y, 2);
}

BmpImage readBmp(const std::string& path)
{
    BmpImage image;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        image.error = "cannot open " + path;
        return image;
    }
    image.bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (image.bytes.size() < kHeadersSize) {
        image.error = path + " is shorter than its headers";
        return image;
    }
    const auto& b = image.bytes;
    image.signature = static_cast<uint16_t>(le(b, 0, 2));
    image.fileSizeField = le(b, 2, 4);
    image.pixelOffset = le(b, 10, 4);
    image.infoSize = le(b, 14, 4);
    image.width = static_cast<int32_t>(le(b, 18, 4));
    image.height = static_cast<int32_t>(le(b, 22, 4));
    image.planes = static_cast<uint16_t>(le(b, 26, 2));
    image.bitsPerPixel = static_cast<uint16_t>(le(b, 28, 2));
    image.compression = le(b, 30, 4);
    return image;
}
