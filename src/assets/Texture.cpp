#include "assets/Texture.h"

#include <SDL.h>
#include <SDL_image.h>
#include <GL/glu.h>

#include <cstring>
#include <vector>

namespace {

// The layout a 24-bit BMP decodes to: bytes blue, green, red in memory. Every image is
// brought to it, so all of them share the same colour treatment on upload.
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
constexpr Uint32 kRedMask = 0x00FF0000, kGreenMask = 0x0000FF00, kBlueMask = 0x000000FF;
#else
constexpr Uint32 kRedMask = 0x000000FF, kGreenMask = 0x0000FF00, kBlueMask = 0x00FF0000;
#endif
constexpr int kBytesPerPixel = 3;

bool hasUploadLayout(const SDL_Surface* s)
{
    const SDL_PixelFormat* f = s->format;
    return f->BytesPerPixel == kBytesPerPixel && f->palette == nullptr && f->Rmask == kRedMask &&
           f->Gmask == kGreenMask && f->Bmask == kBlueMask &&
           s->pitch == ((s->w * kBytesPerPixel + 3) & ~3);
}

SDL_Surface* toUploadLayout(SDL_Surface* s)
{
    SDL_PixelFormat format;
    std::memset(&format, 0, sizeof format);
    format.BitsPerPixel = 24;
    format.BytesPerPixel = kBytesPerPixel;
    format.Rmask = kRedMask;
    format.Gmask = kGreenMask;
    format.Bmask = kBlueMask;
    format.Rshift = static_cast<Uint8>(__builtin_ctz(kRedMask));
    format.Gshift = static_cast<Uint8>(__builtin_ctz(kGreenMask));
    format.Bshift = static_cast<Uint8>(__builtin_ctz(kBlueMask));
    format.alpha = SDL_ALPHA_OPAQUE;
    return SDL_ConvertSurface(s, &format, SDL_SWSURFACE);
}

// The biggest picture taken: 48 MB at 24 bits. A corrupt header can make the loader report
// tens of thousands of pixels a side from a few bytes of file; converting and uploading
// that would take gigabytes and many seconds before the show starts.
constexpr int kMaxImagePixels = 4096 * 4096;

// A decoded image that has pixels to upload: a real pixel depth, rows long enough for its
// width, a palette where its pixels are indices, and a sane size. Says why not through
// SDL_SetError.
bool isUsableImage(const SDL_Surface* s)
{
    if (s->w <= 0 || s->h <= 0 || s->pixels == nullptr || s->format->BitsPerPixel == 0) {
        SDL_SetError("the image holds no pixels (%dx%d, %d bits per pixel)", s->w, s->h,
                     s->format->BitsPerPixel);
        return false;
    }
    // A truncated header can leave the loader's rows shorter than the width says (even 0
    // bytes); converting would then read far past the pixels.
    const long long rowBytes = (static_cast<long long>(s->w) * s->format->BitsPerPixel + 7) / 8;
    if (s->pitch < rowBytes) {
        SDL_SetError("the image's rows hold %d bytes, too few for %d pixels of %d bits", s->pitch,
                     s->w, s->format->BitsPerPixel);
        return false;
    }
    // Pixels of 8 bits or fewer are palette indices; a lying header can have the loader
    // make such an image without a palette, which the conversion dereferences.
    if (s->format->BitsPerPixel <= 8 && s->format->palette == nullptr) {
        SDL_SetError("the image has %d bits per pixel and no palette", s->format->BitsPerPixel);
        return false;
    }
    if (static_cast<long long>(s->w) * s->h > kMaxImagePixels) {
        SDL_SetError("the image is %dx%d, more than %d pixels", s->w, s->h, kMaxImagePixels);
        return false;
    }
    return true;
}

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

int largestPowerOfTwoAtMost(int n)
{
    int p = 1;
    while (p <= n / 2) p *= 2;
    return p;
}

bool glHasNonPowerOfTwo()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (version != nullptr && version[0] >= '2' && version[0] <= '9') return true;
    return extensions != nullptr && std::strstr(extensions, "GL_ARB_texture_non_power_of_two");
}

// Size the GL can take: at most its maximum, and powers of two unless it has NPOT support.
void uploadableSize(int width, int height, int* outWidth, int* outHeight)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (maxSize < 64) maxSize = 64;  // every GL guarantees at least 64
    const bool anySize = glHasNonPowerOfTwo();
    int w = width, h = height;
    if (w > maxSize || (!anySize && !isPowerOfTwo(w)))
        w = largestPowerOfTwoAtMost(w < maxSize ? w : maxSize);
    if (h > maxSize || (!anySize && !isPowerOfTwo(h)))
        h = largestPowerOfTwoAtMost(h < maxSize ? h : maxSize);
    *outWidth = w;
    *outHeight = h;
}

void upload(const SDL_Surface* s)
{
    int width = 0, height = 0;
    uploadableSize(s->w, s->h, &width, &height);
    if (width == s->w && height == s->h) {
        glTexImage2D(GL_TEXTURE_2D, 0, 3, s->w, s->h, 0, GL_RGB, GL_UNSIGNED_BYTE, s->pixels);
        return;
    }
    // gluScaleImage reads and writes rows padded to the unpack/pack alignment (4), like SDL's.
    std::vector<GLubyte> scaled(static_cast<size_t>((width * kBytesPerPixel + 3) & ~3) * height);
    gluScaleImage(GL_RGB, s->w, s->h, GL_UNSIGNED_BYTE, s->pixels, width, height, GL_UNSIGNED_BYTE,
                  scaled.data());
    glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, scaled.data());
}

}  // namespace

bool hasGlContext()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    const SDL_Surface* screen = SDL_GetVideoSurface();
    return screen != nullptr && (screen->flags & SDL_OPENGL) != 0;
}

Texture::~Texture() { release(); }

void Texture::release()
{
    if (id != 0 && hasGlContext()) glDeleteTextures(1, &id);
    id = 0;
}

bool Texture::load(const char* path) { return loadSurface(IMG_Load(path)); }

bool Texture::loadSurface(SDL_Surface* surface)
{
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    bool loaded = false;
    if (surface != nullptr && isUsableImage(surface)) {
        SDL_Surface* pixels = hasUploadLayout(surface) ? surface : toUploadLayout(surface);
        if (pixels != nullptr) {
            SDL_LockSurface(pixels);
            upload(pixels);
            SDL_UnlockSurface(pixels);
            loaded = true;
            if (pixels != surface) SDL_FreeSurface(pixels);
        }
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (surface != nullptr) SDL_FreeSurface(surface);
    return loaded;
}
