// On Windows: a window of the show's own size (there is no virtual display to hide it on)
// and no sound.
#include "CaptureHost.h"

#include "Win32Platform.h"

#include <cstdlib>

CaptureHost::~CaptureHost() = default;

bool CaptureHost::start(std::string* /*error*/)
{
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) _putenv("SDL_AUDIODRIVER=dummy");
    // Frames are read back from the window: it must show the mode's own 800 x 600, not the
    // show's full screen.
    win32UseWindow();
    return true;
}

// A window on a screen smaller than it, or covered by another, has no pixels there to read
// (Wine's, on a 1024x576 screen, or any on Windows behind another window).
bool windowReadBack() { return false; }
