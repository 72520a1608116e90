// The process's peak working set.
#include "PeakMemory.h"

#include <windows.h>
#include <psapi.h>

constexpr long kBytesPerKib = 1024;

long peakMemoryKib()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<long>(counters.PeakWorkingSetSize / kBytesPerKib);
}
