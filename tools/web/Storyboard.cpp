// storyboard OUT.jpg COLUMNS STILL...: lays the stills (PNG files of one size, in the order
// given) out in rows of COLUMNS, left to right and top to bottom, and writes the sheet as
// one baseline JPEG. The page's timeline shows one tile of it as the preview of a moment.
// The same stills always give the same bytes.
#include "PngFile.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kQuality = 80;  // the tiles stay clear at 160x120 and the sheet small
constexpr int kFirstStill = 3;

}  // namespace

int main(int argc, char** argv)
{
    const int columns = argc > kFirstStill ? std::atoi(argv[2]) : 0;
    if (columns <= 0) {
        std::fprintf(stderr, "usage: storyboard OUT.jpg COLUMNS STILL.png...\n");
        return 2;
    }
    const int count = argc - kFirstStill;
    RgbImage sheet;
    for (int i = 0; i < count; ++i) {
        RgbImage still;
        std::string error;
        if (!readPng(argv[kFirstStill + i], &still, &error)) {
            std::fprintf(stderr, "storyboard: cannot read %s: %s\n", argv[kFirstStill + i],
                         error.c_str());
            return 1;
        }
        if (i == 0) {
            const int rows = (count + columns - 1) / columns;
            sheet.resize(still.width * columns, still.height * rows);
        } else if (still.width * columns != sheet.width) {
            std::fprintf(stderr, "storyboard: %s is not the size of the first still\n",
                         argv[kFirstStill + i]);
            return 1;
        }
        const int left = i % columns * still.width;
        const int top = i / columns * still.height;
        for (int y = 0; y < still.height; ++y) {
            std::memcpy(sheet.row(top + y) + left * RgbImage::kChannels, still.row(y),
                        static_cast<size_t>(still.width) * RgbImage::kChannels);
        }
    }
    if (stbi_write_jpg(argv[1], sheet.width, sheet.height, RgbImage::kChannels, sheet.pixels.data(),
                       kQuality) == 0) {
        std::fprintf(stderr, "storyboard: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
