#include "Win32Clock.h"

#include "Platform.h"

#include <windows.h>

namespace {

constexpr UINT kTimerResolutionMs = 1;

}  // namespace

TimerResolution gTimerResolution;

void TimerResolution::raise()
{
    if (!raised && timeBeginPeriod(kTimerResolutionMs) == TIMERR_NOERROR) raised = true;
}

void TimerResolution::restore()
{
    if (raised) timeEndPeriod(kTimerResolutionMs);
    raised = false;
}

double platformNowMs()
{
    // The live frame loop reads the clock over and over until a frame is due: each read lets
    // any other thread that is ready run first, the music's feeder and the system's sound
    // threads among them, which a busy machine (or Wine's) would otherwise leave starved.
    SwitchToThread();
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}
