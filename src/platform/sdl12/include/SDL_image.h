// SDL_image for the platforms without it: the one loader call the demo makes (see SDL.h
// here).
#pragma once

#include "SDL.h"

#ifdef __cplusplus
extern "C" {
#endif

// Decodes a BMP or PNG file into a 24-bit surface laid out as SDL_image 1.2 gives a 24-bit
// BMP: bytes blue, green, red, rows padded to 4 bytes. Null, with SDL_GetError, on failure.
SDL_Surface* IMG_Load(const char* file);

#define IMG_GetError SDL_GetError
#define IMG_SetError SDL_SetError

#ifdef __cplusplus
}
#endif
