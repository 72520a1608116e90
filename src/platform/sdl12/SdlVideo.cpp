// SDL's display surface and GL calls over the platform's window, and the software surfaces
// the image loader hands out.
#include "SharedSdl.h"

#include "Platform.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kRowAlignment = 4;  // SDL pads surface rows of 3-byte pixels to 4 bytes
constexpr int kBgrBits = 24;
constexpr int kBgrBytes = 3;
constexpr Uint32 kRedMask = 0x00FF0000, kGreenMask = 0x0000FF00, kBlueMask = 0x000000FF;
constexpr Uint8 kRedShift = 16, kGreenShift = 8, kBlueShift = 0;

constexpr int kUnsetAttribute = -1;  // sdlGlAttribute's answer for one never set
constexpr int kGlAttributeCount = SDL_GL_SWAP_CONTROL + 1;

SDL_PixelFormat gScreenFormat;  // what the display surface reports
SDL_Surface gScreen;            // the display surface, valid while gHasScreen
bool gHasScreen = false;        // a video mode is set and the GL context exists
bool gVideoOpen = false;        // the platform's window is open, until SDL_Quit

std::array<int, kGlAttributeCount> unsetGlAttributes()
{
    std::array<int, kGlAttributeCount> values;
    values.fill(kUnsetAttribute);
    return values;
}

// By SDL_GLattr, as SDL_GL_SetAttribute set them since the last SDL_Quit.
std::array<int, kGlAttributeCount> gGlAttributes = unsetGlAttributes();

}  // namespace

void stopVideo()
{
    gHasScreen = false;
    if (gVideoOpen) platformCloseVideo();
    gVideoOpen = false;
    gGlAttributes = unsetGlAttributes();
}

int sdlGlAttribute(SDL_GLattr attribute)
{
    if (attribute < 0 || attribute >= kGlAttributeCount) return kUnsetAttribute;
    return gGlAttributes[attribute];
}

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

int SDL_GL_SetAttribute(SDL_GLattr attribute, int value)
{
    // Kept for the platform's next window; a platform takes what its GL offers nearest.
    if (attribute < 0 || attribute >= kGlAttributeCount) {
        SDL_SetError("Unknown OpenGL attribute");
        return -1;
    }
    gGlAttributes[attribute] = value;
    return 0;
}

SDL_Surface* SDL_SetVideoMode(int width, int height, int bitsPerPixel, Uint32 flags)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        SDL_SetError("Video subsystem has not been initialized");
        return nullptr;
    }
    if ((flags & SDL_OPENGL) == 0) {
        SDL_SetError("this build draws with OpenGL only");
        return nullptr;
    }
    if (!platformOpenVideo(width, height, (flags & SDL_FULLSCREEN) != 0)) return nullptr;
    gVideoOpen = true;
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
    if (title != nullptr) platformSetCaption(title);
}

void SDL_GL_SwapBuffers(void)
{
    if (gHasScreen) platformPresent();
}

void* SDL_GL_GetProcAddress(const char* proc) { return platformGlProcAddress(proc); }

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
    SDL_SetError("this build converts no surfaces");
    return nullptr;
}

}  // extern "C"
