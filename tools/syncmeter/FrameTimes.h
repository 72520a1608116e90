// The frame log FrameClock.cpp writes (or tools/syncmeter.sh makes from Wine's traces):
// the show time each frame was drawn for and when it reached the screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ShownFrame {
    uint32_t showMs = 0;  // the show's elapsed time the frame was drawn for
    int64_t shownNs = 0;  // when it reached the screen, CLOCK_MONOTONIC
};

class FrameTimes {
public:
    // Reads the log; false, with the reason in *error, when it has no start or no frame.
    bool load(const std::string& path, std::string* error);

    const std::vector<ShownFrame>& getFrames() const { return frames; }
    // When the show's clock read 0, on the monotonic clock.
    int64_t getStartNs() const { return startNs; }
    // When the first sound was handed to the sound server; 0 when the log does not say.
    int64_t getSoundNs() const { return soundNs; }
    // The first frame drawn for `showMs` or later; null when the show ended before.
    const ShownFrame* frameAt(uint32_t showMs) const;

private:
    std::vector<ShownFrame> frames;
    int64_t startNs = 0;
    int64_t soundNs = 0;
};
