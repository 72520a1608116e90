// The demo's one display surface and the OpenGL context that comes with it.
#pragma once

#include <SDL.h>
#include <string>

class Window {
public:
    // Starts SDL video and sets a double-buffered GL mode with 5-bit colour channels
    // and a 16-bit depth buffer; fullscreen only when `fullscreen` is exactly 1.
    // Returns false, with SDL_GetError() telling why, when no GL surface could be had.
    bool create(std::string caption, int width, int height, int bitsPerPixel, int fullscreen);

    // The fixed GL state the whole demo draws under, with the given clear colour.
    void initGL(float red, float green, float blue, float alpha);

    // Shows the frame drawn since the last swap.
    void swap();

    // Shuts SDL down; the GL context goes with it.
    void destroy();

    SDL_Surface* surface = nullptr;  // display surface from SDL_SetVideoMode; SDL owns it
    std::string caption;             // copy of the caption given to create
    int width = 0;                   // width in pixels given to create
    int height = 0;                  // height in pixels given to create
};

extern Window gWindow;
