// One offline run of the show (src/offline's virtual clock) and what the capture does with
// its frames in the chosen mode: stills, video or benchmark.
#pragma once

#include "CaptureOptions.h"
#include "offline/OfflineRun.h"
#include "ProgressLine.h"
#include "RenderTarget.h"
#include "RgbImage.h"
#include "VideoEncoder.h"
#include "shell/FrameLoop.h"

#include <SDL.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CaptureRun {
public:
    // `options` holds absolute paths; `showLength` is the timeline's length in ms. With
    // --loop the run is one pass of several (0 is the first): it writes the stills whose
    // times fall in it, and runs a pass without any through to its last frame, hidden.
    CaptureRun(const CaptureOptions& options, int32_t showLength, int32_t pass = 0);

    // Gets ready once the show has started up: sets up the frames' size and samples and
    // the landscape's cache, checks the GL can skip rasterisation, starts the encoder.
    // Returns 0, or the exit status with the reason in *error.
    int prepare(std::string* error);

    // Hooks for runFrameLoop, with this run as their context.
    LoopHooks hooks();

    // After the loop: finishes the output and reports. Returns the exit status.
    int finish();

private:
    static void onFinishFrame(void* context);
    static void onFrameDrawn(int32_t elapsed, void* context);

    void frameDrawn(int32_t elapsed);
    void writeStills(int32_t elapsed);
    void fail(const std::string& reason);

    const CaptureOptions& options;
    int32_t showLength;         // the timeline's length in ms
    OfflineRun run;             // the virtual clock, hidden frames, frame costs, the stop
    int32_t endMs = 0;          // the run's last frame lies before this
    int32_t plannedFrames = 0;  // frames the loop will draw, for the progress line
    std::string failure;        // the first fault, told at finish

    std::map<int32_t, std::vector<int32_t>> stillsByFrame;  // frame ms -> requested ms
    RenderTarget target;                    // the frames' size and samples, read back from here
    RgbImage frame;                         // the still being written
    std::unique_ptr<VideoEncoder> encoder;  // the video's ffmpeg, in video mode
    int32_t videoFrames = 0;      // frames the video holds, the picture before the first included
    int32_t videoFramesSent = 0;  // frames handed to the encoder so far
    ProgressLine progress;        // the line that tells how far the run is
};
