#include "shell/Renderer.h"

#include <SDL.h>
#include <GL/gl.h>
#include <GL/glu.h>

const float gClearColor[3] = {0.4f, 0.4f, 0.4f};
const float gLightPosition[4] = {-5.0f, 5.0f, 10.0f, 0.0f};
const float gLightAmbient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
const float gLightDiffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};

void Renderer::setViewport(int x, int y, int width, int height)
{
    glViewport(x, y, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
}

void Renderer::setPerspective(float fieldOfView, int width, int height, float nearPlane,
                              float farPlane)
{
    glEnable(GL_DEPTH_TEST);
    // A zero height would put an infinite aspect into the matrix; treat it as one pixel.
    const double aspect = static_cast<double>(width) / static_cast<double>(height > 0 ? height : 1);
    gluPerspective(fieldOfView, aspect, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Renderer::clear()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void Renderer::swap() { SDL_GL_SwapBuffers(); }

void Renderer::setBlending(int on)
{
    if (on) {
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
    }
}

void Renderer::setLight(const float* ambient, const float* diffuse, const float* position)
{
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, position);
    glEnable(GL_LIGHT1);
}

void Renderer::setLighting(int on)
{
    if (on) glEnable(GL_LIGHTING);
    else glDisable(GL_LIGHTING);
}

void Renderer::undoSceneSwitches()
{
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT1);
    setBlending(0);
}

void setFog(float density, float red, float green, float blue)
{
    // Alpha is never read: no alpha test, and the only blend function ignores it.
    const float colour[4] = {red, green, blue, 1.0f};
    glEnable(GL_FOG);
    glFogfv(GL_FOG_COLOR, colour);
    glFogf(GL_FOG_DENSITY, density);
}
