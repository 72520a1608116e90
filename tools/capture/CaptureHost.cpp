#include "CaptureHost.h"

#include "VirtualDisplay.h"

#include <signal.h>

#include <cstdlib>

namespace {

VirtualDisplay gDisplay;  // the program's own X server, where DISPLAY names none

}  // namespace

CaptureHost::~CaptureHost() { gDisplay.stop(); }

bool CaptureHost::start(std::string* error)
{
    // No sound is played; the dummy driver needs no device. GL comes with SDL's X11 driver.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_VIDEODRIVER", "x11", 0);
    // A closed encoder pipe must come back as an error, not end the process.
    signal(SIGPIPE, SIG_IGN);
    const char* displayVariable = std::getenv("DISPLAY");
    if (displayVariable == nullptr || *displayVariable == '\0') {
        std::string reason;
        if (!gDisplay.start(&reason)) {
            *error = "cannot start a virtual display: " + reason;
            return false;
        }
    }
    return true;
}

// The virtual display is made big enough for the window, and a display given must be too.
bool windowReadBack() { return true; }
