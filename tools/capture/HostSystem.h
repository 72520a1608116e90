// What the capture program needs of the system it runs on beyond SDL and the GL: POSIX
// systems have HostSystem.cpp here, Windows win32/HostSystem.cpp (CMake picks one).
#pragma once

#include <string>

// The process made ready to capture, before the show starts up: a display to draw on and
// no sound; what it started is stopped again when this goes.
class CaptureHost {
public:
    CaptureHost() = default;
    CaptureHost(const CaptureHost&) = delete;
    CaptureHost& operator=(const CaptureHost&) = delete;
    ~CaptureHost();

    // Returns false with the whole reason in *error.
    bool start(std::string* error);
};

// `path` as seen from the current folder, unless it is absolute already.
std::string absolutePath(const std::string& path);
// The folder an absolute file path lies in.
std::string parentOf(const std::string& path);

// Whether frames can be read back from the window's own back buffer: where the window may
// not be wholly on the screen, they are drawn offscreen at the window's size instead.
bool windowReadBack();

// The most memory the process has held, in KiB.
long peakMemoryKib();

// The GL library's own definition of a GL entry point that this program defines as well:
// the one its own definition hands on to.
void* glLibraryEntry(const char* name);
