// The OpenGL context of the show's window, through WGL.
#pragma once

#include <windows.h>

class WglContext {
public:
    // Gives the window's device context a pixel format with what SDL_GL_SetAttribute asked
    // for (depth bits, double buffering) and makes a new context current on it. Returns
    // false after SDL_SetError.
    bool open(HDC device);
    // Releases and deletes the context, if any.
    void close();

private:
    HGLRC context = nullptr;  // current on the window's device context while open
};

extern WglContext gWglContext;
