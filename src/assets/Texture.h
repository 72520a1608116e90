// One OpenGL 2D texture made from one image file.
#pragma once

#include <GL/gl.h>

struct SDL_Surface;

class Texture {
public:
    Texture() = default;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    // Deletes the texture object if a GL context still exists; harmless after release.
    ~Texture();

    // Decodes `path` and uploads it as a 24-bit image with linear filters. The name is
    // generated, bound and filtered whatever happens; returns false, with SDL_GetError()
    // telling why, when the file could not be decoded (the texture then holds no image).
    bool load(const char* path);

    // The same for an image already decoded (null: none), which it frees; the fuzzer
    // feeds decoded bytes through here.
    bool loadSurface(SDL_Surface* surface);

    // Deletes the texture object now, while the GL context exists.
    void release();

    GLuint id = 0;  // GL texture name; 0 means none
};

// True while SDL's video holds an OpenGL display surface: GL calls are safe, and a texture
// is deleted only then.
bool hasGlContext();

// The eleven images, in load order.
constexpr int kCreditsCount = 2;
constexpr int kGreetingCount = 6;
extern Texture gParticleTexture;
extern Texture gLogoTexture;
extern Texture gFloorTexture;
extern Texture gCreditsTextures[kCreditsCount];
extern Texture gGreetingTextures[kGreetingCount];
