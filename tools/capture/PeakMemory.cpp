#include "PeakMemory.h"

#include <sys/resource.h>

long peakMemoryKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
