// The Windows platform already defines glViewport, to place the picture on the screen: the
// capture moves the picture into its framebuffer through it.
#include "ViewportScale.h"

#include "Win32Platform.h"

namespace {

int gWindowWidth = 1;  // the window the demo's viewports are given in
int gWindowHeight = 1;

}  // namespace

void scaleViewports(int windowWidth, int windowHeight, int targetWidth, int targetHeight)
{
    gWindowWidth = windowWidth;
    gWindowHeight = windowHeight;
    PictureRect target;
    target.width = targetWidth;
    target.height = targetHeight;
    win32MapViewports(windowWidth, windowHeight, target);
}

void unscaleViewports()
{
    PictureRect window;
    window.width = gWindowWidth;
    window.height = gWindowHeight;
    win32MapViewports(gWindowWidth, gWindowHeight, window);
}
