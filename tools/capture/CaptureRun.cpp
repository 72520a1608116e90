#include "CaptureRun.h"

#include "FastForward.h"
#include "FrameGrab.h"
#include "PeakMemory.h"
#include "PngFile.h"
#include "offline/ShowFrames.h"
#include "TerrainCache.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kFailureStatus = 1;
constexpr int kInterruptedStatus = 130;
constexpr int kStillDigits = 5;

std::string stillPath(const std::string& dir, int32_t ms)
{
    char name[32];
    std::snprintf(name, sizeof name, "quorvane-%0*d.png", kStillDigits, ms);
    return dir + "/" + name;
}

OfflineRun::Program programFor(const CaptureOptions& options, void* run, void (*finishFrame)(void*),
                               void (*frameDrawn)(int32_t, void*))
{
    OfflineRun::Program program;
    // Without the discard, hidden frames still skip their geometry; only clears remain.
    if (options.mode == CaptureMode::Stills && options.fastForward) {
        program.hideFrames = setFramesHidden;
    }
    program.finishFrame = finishFrame;
    program.frameDrawn = frameDrawn;
    program.context = run;
    return program;
}

}  // namespace

CaptureRun::CaptureRun(const CaptureOptions& options, int32_t showLength, int32_t pass)
    : options(options), showLength(showLength),
      run(programFor(options, this, onFinishFrame, onFrameDrawn)), progress(0)
{
    const int32_t passStart = pass * showLength;
    for (int32_t ms : options.stillTimes) {
        if (ms / showLength != pass) continue;
        stillsByFrame[frameShownAt(ms - passStart)].push_back(ms);
        if (options.mode == CaptureMode::Stills) run.wantStill(ms - passStart);
    }
    // A pass before the stills' own: its frames all hidden but the last, none written.
    if (options.mode == CaptureMode::Stills && stillsByFrame.empty()) run.wantStill(showLength - 1);
    if (options.mode == CaptureMode::Stills) {
        endMs = std::max(kFirstFrameMs, run.lastWantedFrame()) + 1;
    } else {
        endMs = options.until != 0 ? options.until : showLength;
    }
    plannedFrames = framesBefore(endMs);
    if (options.mode == CaptureMode::Video) {
        // The video starts with the picture before the first frame, so its frame n shows
        // the show at n * 20 + 1 ms, a millisecond after its own time: in step with the
        // music, which starts with the loop.
        videoFrames = endMs / kFrameStepMs;
        plannedFrames = videoFrames - 1;
    }
    if (options.mode == CaptureMode::Bench) run.measureCosts(endMs);
    progress = ProgressLine(plannedFrames);
}

int CaptureRun::prepare(std::string* error)
{
    if (const int status = target.open(kStageWidth, kStageHeight, options.width, options.height,
                                       options.samples, error)) {
        return status;
    }
    if (options.cacheTerrain) cacheTerrain();
    if (options.mode == CaptureMode::Stills && options.fastForward) canDiscardRasterisation();
    if (options.mode == CaptureMode::Video) {
        encoder = std::make_unique<VideoEncoder>();
        const double seconds = static_cast<double>(videoFrames) / kFramesPerSecond;
        const VideoFormat format = options.lossless ? VideoFormat::Master : VideoFormat::Upload;
        const VideoEncoder::Padding padding{options.padWidth, options.padHeight};
        if (!encoder->start(options.videoPath, format, target.width(), target.height(), padding,
                            kFramesPerSecond, kSoundtrackPath, seconds, error)) {
            return kFailureStatus;
        }
        // Start-up cleared the target: the screen before the first frame.
        target.read(encoder->nextFrame());
        if (!encoder->queueFrame(error)) return kFailureStatus;
        videoFramesSent = 1;
    }
    run.begin();
    return 0;
}

LoopHooks CaptureRun::hooks() { return run.hooks(); }

void CaptureRun::onFinishFrame(void* context)
{
    // A frame's true cost includes the rasterisation a software GL defers to glFinish.
    static_cast<CaptureRun*>(context)->target.resolve();
    finishDrawing();
}

void CaptureRun::onFrameDrawn(int32_t elapsed, void* context)
{
    static_cast<CaptureRun*>(context)->frameDrawn(elapsed);
}

void CaptureRun::frameDrawn(int32_t elapsed)
{
    switch (options.mode) {
    case CaptureMode::Stills:
        if (stillsByFrame.count(elapsed) != 0) writeStills(elapsed);
        break;
    case CaptureMode::Video:
        target.read(encoder->nextFrame());
        if (!encoder->queueFrame(&failure)) {
            fail(failure);
            return;
        }
        if (++videoFramesSent == videoFrames) run.stop();
        break;
    case CaptureMode::Bench:
    case CaptureMode::None: break;
    }
    progress.frameDone(run.framesDrawn(), elapsed);
}

void CaptureRun::writeStills(int32_t elapsed)
{
    target.read(&frame);
    for (int32_t ms : stillsByFrame[elapsed]) {
        const std::string path = stillPath(options.outDir, ms);
        const PngText text = {{"Software", kCaptureProgram},
                              {"Elapsed", std::to_string(elapsed)},
                              {"Requested", std::to_string(ms)}};
        std::string error;
        if (!writePng(path, frame, text, &error)) {
            fail("cannot write " + path + ": " + error);
            return;
        }
    }
}

void CaptureRun::fail(const std::string& reason)
{
    if (failure.empty()) failure = reason;  // the first fault is the one to tell
    gQuit = true;
}

int CaptureRun::finish()
{
    progress.finish();
    run.end();
    uncacheTerrain();
    target.close();
    const double totalMs = run.wallMs();
    // The show ran to its end without the run stopping it: a benchmark of all of it.
    const bool completed =
        run.stoppedItself() || (!gQuit && run.lastElapsed() + kFrameStepMs >= showLength);
    if (!failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", kCaptureProgram, failure.c_str());
        return kFailureStatus;
    }
    if (!completed) {
        if (encoder) encoder->abandon();
        std::fprintf(stderr, "%s: interrupted at frame %d (%.2f s of the show)%s\n",
                     kCaptureProgram, run.framesDrawn(), run.lastElapsed() / 1000.0,
                     options.mode == CaptureMode::Video ? "; the unfinished video was removed"
                                                        : "");
        return kInterruptedStatus;
    }
    if (encoder) {
        std::string error;
        if (!encoder->finish(&error)) {
            std::fprintf(stderr, "%s: %s\n", kCaptureProgram, error.c_str());
            return kFailureStatus;
        }
        std::fprintf(stderr, "%s: wrote %s: %d frames, %.1f s, in %.1f s\n", kCaptureProgram,
                     options.videoPath.c_str(), videoFramesSent,
                     static_cast<double>(videoFramesSent) / kFramesPerSecond, totalMs / 1000.0);
    }
    if (run.costs() != nullptr) {
        std::fputs(run.costs()->report(totalMs, peakMemoryKib()).c_str(), stdout);
    }
    return 0;
}
