#include "ViewportScale.h"

#include "GlLibrary.h"
#include "platform/PictureScale.h"

#include <GL/gl.h>

namespace {

using ViewportFunction = void (*)(GLint, GLint, GLsizei, GLsizei);

ViewportFunction realViewport()
{
    static const ViewportFunction real =
        reinterpret_cast<ViewportFunction>(glLibraryEntry("glViewport"));
    return real;
}

// The window-pixel viewport the demo asks for is scaled by target / window on each axis.
int gWindowWidth = 1, gWindowHeight = 1;
int gTargetWidth = 1, gTargetHeight = 1;

void setScaledViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    realViewport()(scaleToPicture(x, gTargetWidth, gWindowWidth),
                   scaleToPicture(y, gTargetHeight, gWindowHeight),
                   scaleToPicture(width, gTargetWidth, gWindowWidth),
                   scaleToPicture(height, gTargetHeight, gWindowHeight));
}

}  // namespace

// The demo's viewport calls, linked to this definition in place of the GL's.
extern "C" void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    setScaledViewport(x, y, width, height);
}

void scaleViewports(int windowWidth, int windowHeight, int targetWidth, int targetHeight)
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    gWindowWidth = windowWidth;
    gWindowHeight = windowHeight;
    gTargetWidth = targetWidth;
    gTargetHeight = targetHeight;
    setScaledViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void unscaleViewports()
{
    gTargetWidth = gWindowWidth;
    gTargetHeight = gWindowHeight;
}
