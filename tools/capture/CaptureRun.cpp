#include "CaptureRun.h"

#include "FastForward.h"
#include "FrameGrab.h"
#include "PngFile.h"
#include "offline/ShowFrames.h"
#include "offline/Stopwatch.h"
#include "TerrainCache.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kFailureStatus = 1;
constexpr int kInterruptedStatus = 130;
constexpr double kNsPerMs = 1e6;
constexpr int kStillDigits = 5;

std::string stillPath(const std::string& dir, int32_t ms)
{
    char name[32];
    std::snprintf(name, sizeof name, "quorvane-%0*d.png", kStillDigits, ms);
    return dir + "/" + name;
}

int32_t lastFrameWanted(const CaptureOptions& options, int32_t showLength)
{
    if (options.mode == CaptureMode::Stills) {
        int32_t last = kFirstFrameMs;
        for (int32_t ms : options.stillTimes) last = std::max(last, frameShownAt(ms));
        return last + 1;
    }
    return options.until != 0 ? options.until : showLength;
}

}  // namespace

CaptureRun::CaptureRun(const CaptureOptions& options, int32_t showLength)
    : options(options),
      showLength(showLength),
      endMs(lastFrameWanted(options, showLength)),
      plannedFrames(framesBefore(endMs)),
      progress(plannedFrames)
{
    for (int32_t ms : options.stillTimes) stillsByFrame[frameShownAt(ms)].push_back(ms);
    if (options.mode == CaptureMode::Video) {
        // The video starts with the picture before the first frame, so its frame n shows
        // the show at n * 20 + 1 ms, a millisecond after its own time: in step with the
        // music, which starts with the loop.
        videoFrames = endMs / kFrameStepMs;
        plannedFrames = videoFrames - 1;
        progress = ProgressLine(plannedFrames);
    }
}

int CaptureRun::prepare(std::string* error)
{
    if (const int status = target.open(kWindowWidth, kWindowHeight, options.width,
                                       options.height, options.samples, error)) {
        return status;
    }
    if (options.cacheTerrain) cacheTerrain();
    // Without the discard, hidden frames still skip their geometry; only clears remain.
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
    if (options.mode == CaptureMode::Bench) costs = std::make_unique<FrameCosts>();
    runStartNs = Stopwatch::nowNs();
    return 0;
}

LoopHooks CaptureRun::hooks()
{
    LoopHooks hooks;
    hooks.ticks = readClock;
    hooks.frameStarting = onFrameStarting;
    hooks.frameDrawn = onFrameDrawn;
    hooks.context = this;
    return hooks;
}

Uint32 CaptureRun::readClock(void* context) { return static_cast<CaptureRun*>(context)->clock++; }

void CaptureRun::onFrameStarting(Uint32 elapsed, void* context)
{
    static_cast<CaptureRun*>(context)->frameStarting(static_cast<int32_t>(elapsed));
}

void CaptureRun::onFrameDrawn(Uint32 elapsed, void* context)
{
    static_cast<CaptureRun*>(context)->frameDrawn(static_cast<int32_t>(elapsed));
}

void CaptureRun::frameStarting(int32_t elapsed)
{
    if (options.mode == CaptureMode::Stills && options.fastForward) {
        const bool wanted = stillsByFrame.count(elapsed) != 0;
        if (discarding == wanted) {
            discarding = !wanted;
            setFramesHidden(discarding);
        }
    }
    frameStartNs = Stopwatch::nowNs();
}

void CaptureRun::frameDrawn(int32_t elapsed)
{
    ++framesDrawn;
    lastElapsed = elapsed;
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
        if (++videoFramesSent == videoFrames) stop();
        break;
    case CaptureMode::Bench:
        target.resolve();
        finishDrawing();
        costs->add(elapsed, (Stopwatch::nowNs() - frameStartNs) / kNsPerMs);
        if (elapsed + kFrameStepMs >= endMs) stop();
        break;
    case CaptureMode::None:
        break;
    }
    progress.frameDone(framesDrawn, elapsed);
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
    if (elapsed + 1 == endMs) stop();
}

void CaptureRun::fail(const std::string& reason)
{
    if (failure.empty()) failure = reason;  // the first fault is the one to tell
    gQuit = true;
}

void CaptureRun::stop()
{
    completed = true;
    gQuit = true;
}

int CaptureRun::finish()
{
    progress.finish();
    if (discarding) setFramesHidden(false);
    uncacheTerrain();
    target.close();
    const double totalMs = (Stopwatch::nowNs() - runStartNs) / kNsPerMs;
    // The show ran to its end without the run stopping it: a benchmark of all of it.
    if (!gQuit && lastElapsed + kFrameStepMs >= showLength) completed = true;
    if (!failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", kCaptureProgram, failure.c_str());
        return kFailureStatus;
    }
    if (!completed) {
        if (encoder) encoder->abandon();
        std::fprintf(stderr, "%s: interrupted at frame %d (%.2f s of the show)%s\n",
                     kCaptureProgram, framesDrawn, lastElapsed / 1000.0,
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
    if (costs) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::fputs(costs->report(totalMs, usage.ru_maxrss).c_str(), stdout);
    }
    return 0;
}
