// libFuzzer target for the image path: bytes of a file -> SDL_image decode -> conversion to
// the 24-bit layout -> scaling -> glTexImage2D, through the demo's own Texture code.
// Needs a display (Xvfb) for the GL context, which is made once and kept.
#include "assets/Texture.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kWindowSize = 64;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0 ||
        SDL_SetVideoMode(kWindowSize, kWindowSize, 0, SDL_OPENGL) == nullptr) {
        std::fprintf(stderr, "quorvane-image-fuzzer: no GL context: %s\n", SDL_GetError());
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SDL_RWops* source = SDL_RWFromConstMem(data, static_cast<int>(size));
    Texture texture;
    texture.loadSurface(IMG_Load_RW(source, 1));
    texture.release();
    return 0;
}
