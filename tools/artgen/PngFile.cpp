#include "PngFile.h"

#include <png.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kBytesPerPixel = 3;
constexpr int kCompressionLevel = 9; // zlib's best: the files are committed

// libpng reports a failure by longjmp; the message goes to the caller's string.
void onError(png_structp png, png_const_charp message)
{
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

// Only plain data and libpng's own state live in here, so its longjmp skips no destructor.
bool writeRows(png_structp png, png_infop info, FILE* file, int width, int height, png_bytep* rows)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, kCompressionLevel);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

std::string writePng(const std::string& path, const Canvas& canvas)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(canvas.width()) * canvas.height() * kBytesPerPixel);
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgb pixel = canvas.at(x, y);
            bytes.push_back(toByte(pixel.r));
            bytes.push_back(toByte(pixel.g));
            bytes.push_back(toByte(pixel.b));
        }
    }
    std::vector<png_bytep> rows;
    for (int y = 0; y < canvas.height(); ++y) {
        rows.push_back(bytes.data() + static_cast<size_t>(y) * canvas.width() * kBytesPerPixel);
    }

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return "cannot write " + path + ": " + std::strerror(errno);
    }
    std::string error;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onError, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const bool written = info != nullptr && writeRows(png, info, file, canvas.width(), canvas.height(), rows.data());
    png_destroy_write_struct(&png, &info);
    const bool closed = std::fclose(file) == 0;
    if (!written) {
        return "cannot write " + path + ": " + (error.empty() ? "out of memory" : error);
    }
    if (!closed) {
        return "cannot write " + path + ": " + std::strerror(errno);
    }
    return "";
}
