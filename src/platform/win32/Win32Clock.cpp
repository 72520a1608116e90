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
    SwitchToThread();
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}
