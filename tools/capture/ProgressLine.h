// The progress line on stderr: frame, show time, share done and rendering speed.
#pragma once

#include <cstdint>

class ProgressLine {
public:
    explicit ProgressLine(int32_t totalFrames);

    // Called after each frame; prints about once per second of show time, rewriting the
    // line in place on a terminal and adding lines elsewhere.
    void frameDone(int32_t framesDone, int32_t elapsedMs);

    // Ends the line.
    void finish();

private:
    int32_t totalFrames;
    int32_t lastPrinted = 0;
    long long startMs;
    bool onTerminal;
    bool printed = false;
};
