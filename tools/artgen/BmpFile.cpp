#include "BmpFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kBitsPerPixel = 24;
constexpr int kBytesPerPixel = 3;
constexpr int kRowAlignment = 4;
constexpr int kPixelsPerMetre = 2835;  // 72 dpi, what most tools write

void putLe16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(value & 0xff);
    out.push_back((value >> 8) & 0xff);
}

void putLe32(std::vector<uint8_t>& out, uint32_t value)
{
    putLe16(out, value & 0xffff);
    putLe16(out, value >> 16);
}

}  // namespace

std::string writeBmp(const std::string& path, const Canvas& canvas)
{
    const int rowBytes =
        (canvas.width() * kBytesPerPixel + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    const uint32_t pixelBytes = static_cast<uint32_t>(rowBytes) * canvas.height();
    const uint32_t offset = kFileHeaderSize + kInfoHeaderSize;

    std::vector<uint8_t> out;
    out.reserve(offset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    putLe32(out, offset + pixelBytes);
    putLe32(out, 0);  // reserved
    putLe32(out, offset);
    putLe32(out, kInfoHeaderSize);
    putLe32(out, canvas.width());
    putLe32(out, canvas.height());  // positive: rows run bottom-up
    putLe16(out, 1);                // planes
    putLe16(out, kBitsPerPixel);
    putLe32(out, 0);  // BI_RGB, uncompressed
    putLe32(out, pixelBytes);
    putLe32(out, kPixelsPerMetre);
    putLe32(out, kPixelsPerMetre);
    putLe32(out, 0);  // no palette
    putLe32(out, 0);

    for (int y = canvas.height() - 1; y >= 0; --y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgb pixel = canvas.at(x, y);
            out.push_back(toByte(pixel.r));
            out.push_back(toByte(pixel.g));
            out.push_back(toByte(pixel.b));
        }
        for (int pad = canvas.width() * kBytesPerPixel; pad < rowBytes; ++pad) {
            out.push_back(0);
        }
    }

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return std::string("cannot write ") + path + ": " + std::strerror(errno);
    }
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file) {
        return std::string("cannot write ") + path + ": " + std::strerror(errno);
    }
    return {};
}
