// SDL's display surface and GL calls, on the page's canvas through the WebGL layer, and
// the software surfaces the image loader hands out.
#include "WebSdl.h"

#include "gl/WebGl.h"

#include <emscripten.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kRowAlignment = 4;  // SDL pads surface rows of 3-byte pixels to 4 bytes
constexpr int kBgrBits = 24;
constexpr int kBgrBytes = 3;
constexpr Uint32 kRedMask = 0x00FF0000, kGreenMask = 0x0000FF00, kBlueMask = 0x000000FF;
constexpr Uint8 kRedShift = 16, kGreenShift = 8, kBlueShift = 0;

SDL_PixelFormat gScreenFormat;  // what the display surface reports
SDL_Surface gScreen;            // the display surface, valid while gHasScreen
bool gHasScreen = false;        // a video mode is set and the GL context exists
bool gGlOpened = false;         // the WebGL context was made (it lives as long as the page)

EM_JS(void, setPageTitle, (const char* title), { document.title = UTF8ToString(title); });

}  // namespace

void stopVideo() { gHasScreen = false; }

SDL_Surface* createBgrSurface(int width, int height)
{
    auto* surface = static_cast<SDL_Surface*>(std::calloc(1, sizeof(SDL_Surface)));
    auto* format = static_cast<SDL_PixelFormat*>(std::calloc(1, sizeof(SDL_PixelFormat)));
    const size_t pitch = (static_cast<size_t>(width) * kBgrBytes + kRowAlignment - 1) &
                         ~static_cast<size_t>(kRowAlignment - 1);
    void* pixels = std::calloc(pitch * static_cast<size_t>(height), 1);
    if (surface == nullptr || format == nullptr || pixels == nullptr) {
        std::free(surface);
        std::free(format);
        std::free(pixels);
        SDL_SetError("Out of memory");
        return nullptr;
    }
    format->BitsPerPixel = kBgrBits;
    format->BytesPerPixel = kBgrBytes;
    format->Rmask = kRedMask;
    format->Gmask = kGreenMask;
    format->Bmask = kBlueMask;
    format->Rshift = kRedShift;
    format->Gshift = kGreenShift;
    format->Bshift = kBlueShift;
    format->Aloss = 8;  // no alpha channel
    format->alpha = SDL_ALPHA_OPAQUE;
    surface->flags = SDL_SWSURFACE;
    surface->format = format;
    surface->w = width;
    surface->h = height;
    surface->pitch = static_cast<Uint16>(pitch);
    surface->pixels = pixels;
    surface->clip_rect.w = static_cast<Uint16>(width);
    surface->clip_rect.h = static_cast<Uint16>(height);
    surface->refcount = 1;
    return surface;
}

extern "C" {

int SDL_GL_SetAttribute(SDL_GLattr /*attribute*/, int /*value*/)
{
    // The canvas's WebGL buffers are what they are: 8-bit channels, a depth buffer.
    return 0;
}

SDL_Surface* SDL_SetVideoMode(int width, int height, int bitsPerPixel, Uint32 flags)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        SDL_SetError("Video subsystem has not been initialized");
        return nullptr;
    }
    if ((flags & SDL_OPENGL) == 0) {
        SDL_SetError("the browser build draws with OpenGL only");
        return nullptr;
    }
    if (!gGlOpened) {
        if (!webGlOpen(kStageSelector)) {
            SDL_SetError("this browser offers no WebGL 2");
            return nullptr;
        }
        gGlOpened = true;
    }
    // The canvas keeps the size the page gave it; full screen is the page's own button.
    std::memset(&gScreenFormat, 0, sizeof gScreenFormat);
    gScreenFormat.BitsPerPixel = static_cast<Uint8>(bitsPerPixel);
    gScreenFormat.BytesPerPixel = static_cast<Uint8>((bitsPerPixel + 7) / 8);
    gScreenFormat.alpha = SDL_ALPHA_OPAQUE;
    std::memset(&gScreen, 0, sizeof gScreen);
    gScreen.flags = flags;
    gScreen.format = &gScreenFormat;
    gScreen.w = width;
    gScreen.h = height;
    gScreen.refcount = 1;
    gHasScreen = true;
    return &gScreen;
}

SDL_Surface* SDL_GetVideoSurface(void) { return gHasScreen ? &gScreen : nullptr; }

void SDL_WM_SetCaption(const char* title, const char* /*icon*/)
{
    if (title != nullptr) setPageTitle(title);
}

void SDL_GL_SwapBuffers(void)
{
    if (gHasScreen) webGlPresent();
}

void SDL_FreeSurface(SDL_Surface* surface)
{
    // As in SDL 1.2, the display surface goes only with SDL_Quit.
    if (surface == nullptr || surface == &gScreen) return;
    if (--surface->refcount > 0) return;
    if (surface->format != nullptr) {
        if (surface->format->palette != nullptr) std::free(surface->format->palette->colors);
        std::free(surface->format->palette);
    }
    std::free(surface->format);
    std::free(surface->pixels);
    std::free(surface);
}

int SDL_LockSurface(SDL_Surface* surface)
{
    ++surface->locked;
    return 0;
}

void SDL_UnlockSurface(SDL_Surface* surface)
{
    if (surface->locked > 0) --surface->locked;
}

SDL_Surface* SDL_ConvertSurface(SDL_Surface* /*source*/, SDL_PixelFormat* /*format*/,
                                Uint32 /*flags*/)
{
    // IMG_Load here already gives the layout the textures upload; nothing else is converted.
    SDL_SetError("the browser build converts no surfaces");
    return nullptr;
}

}  // extern "C"
