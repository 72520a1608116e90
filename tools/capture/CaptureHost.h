// The process made ready to capture: POSIX systems have CaptureHost.cpp here, Windows
// win32/CaptureHost.cpp (CMake picks one).
#pragma once

#include <string>

// A display to draw on and no sound, before the show starts up; what it started is stopped
// again when this goes.
class CaptureHost {
public:
    CaptureHost() = default;
    CaptureHost(const CaptureHost&) = delete;
    CaptureHost& operator=(const CaptureHost&) = delete;
    ~CaptureHost();

    // Returns false with the whole reason in *error.
    bool start(std::string* error);
};

// Whether frames can be read back from the window's own back buffer: where the window may
// not be wholly on the screen, they are drawn offscreen at the window's size instead.
bool windowReadBack();
