// The benchmark's memory figure: POSIX here (PeakMemory.cpp), Windows in win32/PeakMemory.cpp.
#pragma once

// The most memory the process has held, in KiB.
long peakMemoryKib();
