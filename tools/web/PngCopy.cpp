// png-copy IN OUT: writes the picture of image IN (a BMP) to OUT as an 8-bit RGB PNG, without
// loss: the web build decodes the copy to the very bytes of the original, in a third of
// the download.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>

namespace {

constexpr int kRgbChannels = 3;
constexpr int kCompressionLevel = 9;

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: png-copy IN.bmp OUT.png\n");
        return 2;
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load(argv[1], &width, &height, &channels, kRgbChannels);
    if (rgb == nullptr) {
        std::fprintf(stderr, "png-copy: cannot decode %s: %s\n", argv[1], stbi_failure_reason());
        return 1;
    }
    stbi_write_png_compression_level = kCompressionLevel;
    const int written = stbi_write_png(argv[2], width, height, kRgbChannels, rgb, width * kRgbChannels);
    stbi_image_free(rgb);
    if (written == 0) {
        std::fprintf(stderr, "png-copy: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
