// The frame log of a Windows program run under Wine, read from Wine's relay trace with +tid
// (tools/syncmeter.sh sets which calls are traced), each line stamped "@NS " by
// StderrStamps.cpp as it was written: the program's clock readings (QueryPerformanceCounter),
// its frames (SwapBuffers) and its first sound (waveOutWrite).
#pragma once

#include <cstdio>
#include <string>

// Reads the trace from `input` until its end and writes the frame log FrameTimes reads to
// `logPath`; lines that are not traced calls go to `otherLines`. Returns false, with the
// reason in *error, when the trace shows no show start and frame or the log cannot be written.
bool convertWineTrace(std::FILE* input, std::FILE* otherLines, const std::string& logPath,
                      std::string* error);
