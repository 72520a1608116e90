// The capture program's needs on Windows: a window of the show's own size (there is no
// virtual display to hide it on), no sound, Windows paths, the process's peak working set.
#include "HostSystem.h"

#include "Win32Platform.h"

#include <windows.h>
#include <psapi.h>

#include <cstdlib>

constexpr long kBytesPerKib = 1024;

CaptureHost::~CaptureHost() = default;

bool CaptureHost::start(std::string* /*error*/)
{
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) _putenv("SDL_AUDIODRIVER=dummy");
    // Frames are read back from the window: it must show the mode's own 800 x 600, not the
    // show's full screen.
    win32UseWindow();
    return true;
}

std::string absolutePath(const std::string& path)
{
    if (path.empty()) return path;
    char full[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

std::string parentOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    // The root of a drive keeps its separator: "C:\".
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

// A window on a screen smaller than it, or covered by another, has no pixels there to read
// (Wine's, on a 1024x576 screen, or any on Windows behind another window).
bool windowReadBack() { return false; }

long peakMemoryKib()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<long>(counters.PeakWorkingSetSize / kBytesPerKib);
}

void* glLibraryEntry(const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("opengl32.dll"), name));
}
