#include "shell/Window.h"

#include <GL/gl.h>

bool Window::create(std::string captionText, int width, int height, int bitsPerPixel,
                    int fullscreen)
{
    caption = std::move(captionText);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    Uint32 flags = SDL_HWSURFACE | SDL_OPENGL | SDL_DOUBLEBUF;
    if (fullscreen == 1) flags |= SDL_FULLSCREEN;
    surface = SDL_SetVideoMode(width, height, bitsPerPixel, flags);
    SDL_WM_SetCaption(caption.c_str(), nullptr);
    this->width = width;
    this->height = height;
    return surface != nullptr;
}

void Window::initGL(float red, float green, float blue, float alpha)
{
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_NORMALIZE);  // keeps lighting right on scaled cubes
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glClearColor(red, green, blue, alpha);
}

void Window::swap() { SDL_GL_SwapBuffers(); }

void Window::destroy()
{
    SDL_FreeSurface(surface);
    SDL_Quit();
}
