// IMG_Load where there is no SDL_image: stb_image decodes, and the pixels are laid out as
// SDL_image lays out a 24-bit BMP, so the textures upload the very bytes the native build
// uploads.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG  // the browser's site ships the images PNG-coded, losslessly
#define STBI_FAILURE_USERMSG
#include <stb_image.h>

#include "SharedSdl.h"

#include <SDL_image.h>

namespace {

constexpr int kRgbChannels = 3;
constexpr int kMaxSide = 16384;  // SDL's surface pitch is 16 bits wide

}  // namespace

extern "C" SDL_Surface* IMG_Load(const char* file)
{
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load(file, &width, &height, &channels, kRgbChannels);
    if (rgb == nullptr) {
        SDL_SetError("cannot decode %s: %s", file, stbi_failure_reason());
        return nullptr;
    }
    if (width > kMaxSide || height > kMaxSide) {
        stbi_image_free(rgb);
        SDL_SetError("%s is %dx%d pixels, more than a surface holds", file, width, height);
        return nullptr;
    }
    SDL_Surface* surface = createBgrSurface(width, height);
    if (surface != nullptr) {
        for (int y = 0; y < height; ++y) {
            const stbi_uc* from = rgb + static_cast<size_t>(y) * width * kRgbChannels;
            Uint8* to =
                static_cast<Uint8*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch;
            for (int x = 0; x < width; ++x, from += kRgbChannels, to += kRgbChannels) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        }
    }
    stbi_image_free(rgb);
    return surface;
}
