// The demo's glViewport, placed on the picture: the demo sets its viewport in pixels of its
// 800 x 600 mode and draws its 4:3 picture into it; here the same viewport is scaled onto
// where the picture is shown, so the picture is rendered at the size it is seen, not
// stretched from 800 x 600.
#include "Win32Platform.h"
#include "platform/PictureScale.h"

#include <windows.h>

namespace {

using ViewportFunction = void(WINAPI*)(int, int, int, int);

int gModeWidth = 1;  // the video mode the demo's viewports are given in
int gModeHeight = 1;
PictureRect gPicture = {0, 0, 1, 1};  // where they land
int gAsked[4] = {0, 0, 1, 1};         // the demo's last viewport, unscaled
bool gHasAsked = false;               // the demo has set a viewport since the mapping began

// The driver's own entry point: the one in opengl32.dll, past this program's definition.
ViewportFunction driverViewport()
{
    static const ViewportFunction function = reinterpret_cast<ViewportFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("opengl32.dll"), "glViewport")));
    return function;
}

void apply()
{
    driverViewport()(gPicture.x + scaleToPicture(gAsked[0], gPicture.width, gModeWidth),
                     gPicture.y + scaleToPicture(gAsked[1], gPicture.height, gModeHeight),
                     scaleToPicture(gAsked[2], gPicture.width, gModeWidth),
                     scaleToPicture(gAsked[3], gPicture.height, gModeHeight));
}

}  // namespace

void win32MapViewports(int modeWidth, int modeHeight, const PictureRect& picture)
{
    gModeWidth = modeWidth > 0 ? modeWidth : 1;
    gModeHeight = modeHeight > 0 ? modeHeight : 1;
    gPicture = picture;
    if (gHasAsked) apply();
}

extern "C" void glViewport(int x, int y, int width, int height)
{
    gAsked[0] = x;
    gAsked[1] = y;
    gAsked[2] = width;
    gAsked[3] = height;
    gHasAsked = true;
    apply();
}
