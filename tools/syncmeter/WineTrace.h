// The frame log of a Windows program run under Wine, read from Wine's relay trace with
// +timestamp,+tid (tools/syncmeter.sh sets which calls are traced): the program's clock
// readings (QueryPerformanceCounter), its frames (SwapBuffers) and its first sound
// (waveOutWrite). Wine stamps each line in whole ms of its own monotonic clock; the arrival
// of each line here ties that clock to ours.
#pragma once

#include <cstdio>
#include <string>

// Reads the trace from `input` until its end and writes the frame log FrameTimes reads to
// `logPath`; lines that are not traced calls go to `otherLines`. Returns false, with the
// reason in *error, when the trace shows no show start and frame or the log cannot be written.
bool convertWineTrace(std::FILE* input, std::FILE* otherLines, const std::string& logPath,
                      std::string* error);
