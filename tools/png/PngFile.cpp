#include "PngFile.h"

// Private copies of stb's coders: the site's png-copy links its own stb_image for BMPs.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
// Inlined into a decode from memory, stb_image's refill from a stream (a path memory never
// takes) looks uninitialised to mingw-w64's GCC; the header is not ours to change.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"  // clang has no such warning to silence
#pragma GCC diagnostic ignored "-Wunknown-warning-option"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <stb_image.h>
#pragma GCC diagnostic pop

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// zlib-style effort of stb's deflate: well below a raw frame for our pictures, and quick
// enough for a still per frame.
constexpr int kCompressionLevel = 8;
constexpr size_t kSignatureSize = 8;
constexpr size_t kChunkOverhead = 12;  // length, type and CRC around a chunk's data
constexpr size_t kHeaderChunkEnd = kSignatureSize + kChunkOverhead + 13;  // after IHDR

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

void appendWord(std::vector<uint8_t>* bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) bytes->push_back(uint8_t(value >> shift));
}

uint32_t readWord(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// The CRC-32 every PNG chunk ends with, over its type and data.
uint32_t chunkCrc(const uint8_t* bytes, size_t size)
{
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

void appendTextChunk(std::vector<uint8_t>* bytes, const std::string& key, const std::string& value)
{
    appendWord(bytes, static_cast<uint32_t>(key.size() + 1 + value.size()));
    const size_t typeAt = bytes->size();
    for (const char c : std::string("tEXt") + key + '\0' + value) bytes->push_back(uint8_t(c));
    appendWord(bytes, chunkCrc(bytes->data() + typeAt, bytes->size() - typeAt));
}

void collect(void* context, void* data, int size)
{
    auto* bytes = static_cast<std::vector<uint8_t>*>(context);
    const auto* begin = static_cast<const uint8_t*>(data);
    bytes->insert(bytes->end(), begin, begin + size);
}

// The tEXt chunks of a whole PNG file in memory.
PngText textChunks(const std::vector<uint8_t>& bytes)
{
    PngText text;
    size_t at = kSignatureSize;
    while (at + kChunkOverhead <= bytes.size()) {
        const size_t size = readWord(&bytes[at]);
        if (size > bytes.size() - at - kChunkOverhead) break;
        const char* data = reinterpret_cast<const char*>(&bytes[at + 8]);
        if (std::memcmp(&bytes[at + 4], "tEXt", 4) == 0) {
            const std::string chunk(data, size);
            const size_t nul = chunk.find('\0');
            if (nul != std::string::npos)
                text.emplace_back(chunk.substr(0, nul), chunk.substr(nul + 1));
        }
        at += size + kChunkOverhead;
    }
    return text;
}

bool readFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        *error = std::strerror(errno);
        return false;
    }
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes->insert(bytes->end(), buffer, buffer + got);
    }
    if (std::ferror(file.get())) {
        *error = std::strerror(errno);
        return false;
    }
    return true;
}

bool decode(const std::vector<uint8_t>& bytes, RgbImage* image, std::string* error)
{
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width,
                                            &height, &channels, RgbImage::kChannels);
    if (pixels == nullptr) {
        *error = stbi_failure_reason();
        return false;
    }
    image->resize(width, height);
    std::memcpy(image->pixels.data(), pixels, image->pixels.size());
    stbi_image_free(pixels);
    return true;
}

}  // namespace

bool writePng(const std::string& path, const RgbImage& image, const PngText& text,
              std::string* error)
{
    std::vector<uint8_t> png;
    stbi_write_png_compression_level = kCompressionLevel;
    if (image.width <= 0 || image.height <= 0 ||
        stbi_write_png_to_func(collect, &png, image.width, image.height, RgbImage::kChannels,
                               image.pixels.data(), image.width * RgbImage::kChannels) == 0 ||
        png.size() < kHeaderChunkEnd) {
        *error = "cannot encode a " + std::to_string(image.width) + "x" +
                 std::to_string(image.height) + " picture";
        return false;
    }
    // Text goes right after the header, where readers look for it first.
    std::vector<uint8_t> chunks;
    for (const auto& [key, value] : text) appendTextChunk(&chunks, key, value);
    png.insert(png.begin() + kHeaderChunkEnd, chunks.begin(), chunks.end());

    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        *error = std::strerror(errno);
        return false;
    }
    if (std::fwrite(png.data(), 1, png.size(), file.get()) != png.size() ||
        std::fflush(file.get()) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    return true;
}

bool readPng(const std::string& path, RgbImage* image, std::string* error, PngText* text)
{
    std::vector<uint8_t> bytes;
    if (!readFile(path, &bytes, error)) return false;
    if (bytes.size() < kSignatureSize || std::memcmp(bytes.data(), "\x89PNG", 4) != 0) {
        *error = "not a PNG file";
        return false;
    }
    if (!decode(bytes, image, error)) return false;
    if (text != nullptr) *text = textChunks(bytes);
    return true;
}

bool readImage(const std::string& path, RgbImage* image, std::string* error)
{
    std::vector<uint8_t> bytes;
    return readFile(path, &bytes, error) && decode(bytes, image, error);
}
