#include "PngFile.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Fast enough for a still per frame, and still a third of the raw size for our pictures.
constexpr int kCompressionLevel = 3;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// libpng reports errors through longjmp; the message is kept for the caller.
void onPngError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error != nullptr) *error = message;
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// The libpng calls, apart from anything with a destructor: libpng's longjmp on error
// skips the rest of this function and nothing else.
bool encode(png_structp png, png_infop info, FILE* file, const RgbImage& image,
            png_text* chunks, int chunkCount, png_bytep* rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_compression_level(png, kCompressionLevel);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (chunkCount > 0) png_set_text(png, info, chunks, chunkCount);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

bool decode(png_structp png, png_infop info, FILE* file)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_read_png(png, info,
                 PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_STRIP_ALPHA | PNG_TRANSFORM_PACKING |
                     PNG_TRANSFORM_EXPAND | PNG_TRANSFORM_GRAY_TO_RGB,
                 nullptr);
    return true;
}

}  // namespace

bool writePng(const std::string& path, const RgbImage& image, const PngText& text,
              std::string* error)
{
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        *error = std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, onPngError,
                                              onPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        *error = "out of memory";
        return false;
    }
    std::vector<png_text> chunks(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
        chunks[i].key = const_cast<char*>(text[i].first.c_str());
        chunks[i].text = const_cast<char*>(text[i].second.c_str());
    }
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(image.row(y));
    }
    const bool encoded = encode(png, info, file.get(), image, chunks.data(),
                                static_cast<int>(chunks.size()), rows.data());
    png_destroy_write_struct(&png, &info);
    if (!encoded) return false;
    if (std::fflush(file.get()) != 0 || std::ferror(file.get())) {
        *error = std::strerror(errno);
        return false;
    }
    return true;
}

bool readPng(const std::string& path, RgbImage* image, std::string* error, PngText* text)
{
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        *error = std::strerror(errno);
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, onPngError,
                                             onPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *error = "out of memory";
        return false;
    }
    if (!decode(png, info, file.get())) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    const int width = static_cast<int>(png_get_image_width(png, info));
    const int height = static_cast<int>(png_get_image_height(png, info));
    png_bytepp rows = png_get_rows(png, info);
    image->resize(width, height);
    for (int y = 0; y < height; ++y) {
        std::memcpy(image->row(y), rows[y], static_cast<size_t>(width) * RgbImage::kChannels);
    }
    if (text != nullptr) {
        text->clear();
        png_textp chunks = nullptr;
        const int count = png_get_text(png, info, &chunks, nullptr);
        for (int i = 0; i < count; ++i) text->emplace_back(chunks[i].key, chunks[i].text);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}
