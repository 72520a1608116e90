// One offline run of the show: the virtual clock the frame loop reads, and what happens
// around each frame in the chosen mode (stills, video or benchmark).
#pragma once

#include "CaptureOptions.h"
#include "offline/FrameCosts.h"
#include "ProgressLine.h"
#include "RenderTarget.h"
#include "RgbImage.h"
#include "VideoEncoder.h"
#include "shell/Demo.h"

#include <SDL.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CaptureRun {
public:
    // `options` holds absolute paths; `showLength` is the timeline's length in ms.
    CaptureRun(const CaptureOptions& options, int32_t showLength);

    // Gets ready once the show has started up: sets up the frames' size and samples and
    // the landscape's cache, checks the GL can skip rasterisation, starts the encoder.
    // Returns 0, or the exit status with the reason in *error.
    int prepare(std::string* error);

    // Hooks for runFrameLoop, with this run as their context.
    LoopHooks hooks();

    // After the loop: finishes the output and reports. Returns the exit status.
    int finish();

private:
    static Uint32 readClock(void* context);
    static void onFrameStarting(Uint32 elapsed, void* context);
    static void onFrameDrawn(Uint32 elapsed, void* context);

    void frameStarting(int32_t elapsed);
    void frameDrawn(int32_t elapsed);
    void writeStills(int32_t elapsed);
    void fail(const std::string& reason);
    void stop();  // ends the loop after this frame: the run has all it wanted

    const CaptureOptions& options;
    int32_t showLength;
    int32_t endMs;            // the run's last frame lies before this
    int32_t plannedFrames;    // frames the loop will draw, for the progress line
    Uint32 clock = 0;         // the virtual clock: one ms per reading
    int32_t framesDrawn = 0;
    int32_t lastElapsed = 0;
    bool discarding = false;
    bool completed = false;   // the run stopped the loop itself, or the show ran out
    std::string failure;

    std::map<int32_t, std::vector<int32_t>> stillsByFrame;  // frame ms -> requested ms
    RenderTarget target;
    RgbImage frame;           // the still being written
    std::unique_ptr<VideoEncoder> encoder;
    int32_t videoFrames = 0;  // frames the video holds, the picture before the first included
    int32_t videoFramesSent = 0;
    std::unique_ptr<FrameCosts> costs;
    long long frameStartNs = 0;
    long long runStartNs = 0;
    ProgressLine progress;
};
