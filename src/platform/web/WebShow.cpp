// The show in the browser. The page loads the data into the file system, then calls
// quorvaneStart: in real time from its Play button (the clock is the music's, and with ?t=
// the frames before the moment are first run without drawing), or on the capture program's
// virtual clock (src/offline) for a still (?at=MS) or the benchmark (?bench). The browser
// calls back once per animation frame; each call runs the native frame loop's passes.
#include "WebMusic.h"
#include "offline/FrameCosts.h"
#include "offline/OfflineRun.h"
#include "offline/ShowFrames.h"
#include "gl/WebGl.h"
#include "shell/Demo.h"
#include "shell/FrameLoop.h"
#include "timeline/Timeline.h"

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// What the page asked for; the numbers are the page's.
enum class ShowMode { Live = 0, Still = 1, Bench = 2, BenchSkipped = 3 };

constexpr int kFailureStatus = 1;
// The virtual clock runs passes back to back; this much wall time, then the browser gets
// the page back for a moment.
constexpr double kSliceMs = 100.0;
// Running frames ahead to ?t= that takes longer than this shows its progress.
constexpr double kQuietCatchUpMs = 500.0;
constexpr double kMsPerSecond = 1000.0;

EM_JS(void, reportFrame, (int frames, int elapsed), {
    Module.showFrames = frames;
    Module.showElapsed = elapsed;
    if (frames === 1) Module.firstFrameAt = performance.now();
});

EM_JS(void, reportEnded, (int elapsed, int length), {
    if (Module.onShowEnded) Module.onShowEnded(elapsed, length);
});

EM_JS(void, reportCatchingUp, (double share), {
    if (Module.onCatchingUp) Module.onCatchingUp(share);
});

EM_JS(void, reportStill, (int requestedMs), { document.title = 'quorvane frame ' + requestedMs; });

// Reading back one pixel waits for the GPU to finish the frame, so a frame's cost is its
// rendering and not only the submission of its commands.
EM_JS(void, waitForGpu, (), {
    const canvas = document.querySelector('#stage');
    const gl = canvas.getContext('webgl2') || canvas.getContext('webgl');
    if (!Module.syncPixel) Module.syncPixel = new Uint8Array(4);
    gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, Module.syncPixel);
});

EM_JS(double, heapKib, (), { return HEAP8.length / 1024; });

// Waits for the frame just drawn: what the page has batched goes to WebGL, and the GPU
// finishes it.
void finishFrame(void* /*show*/)
{
    webGlPresent();
    waitForGpu();
}

class BrowserShow {
public:
    // Start-up, then the loop's first reading of the clock. Returns 0, or 1 after a line
    // on the console when the show cannot run.
    int start(ShowMode mode, int requestedMs);
    // Ends a live show at once, without its end card (the page has said why).
    void stop();

private:
    static void onAnimationFrame(void* show) { static_cast<BrowserShow*>(show)->step(); }
    static Uint32 readLiveClock(void* show) { return static_cast<BrowserShow*>(show)->liveClock(); }
    static void onLiveFrameDrawn(Uint32 elapsed, void* show)
    {
        static_cast<BrowserShow*>(show)->liveFrameDrawn(static_cast<int32_t>(elapsed));
    }

    // The live clock: the virtual one while catching up to ?t=, then the music's.
    Uint32 liveClock();
    void liveFrameDrawn(int32_t elapsed);
    void liveStep();
    void catchUp();
    void benchSkippedStep();
    void step();
    void finish();

    ShowMode mode = ShowMode::Live;      // what the page asked for
    Timeline* timeline = nullptr;        // the show's schedule, made by start-up
    std::unique_ptr<FrameLoop> loop;     // the native loop, one pass at a time
    std::unique_ptr<OfflineRun> run;     // the virtual clock of a still or the benchmark
    std::unique_ptr<FrameCosts> passCosts;  // ?bench=skip: the cost of each whole pass
    int32_t requested = 0;               // the still's time, ?t='s moment, the bench's end
    int framesDrawn = 0;                 // frames drawn so far, live
    bool catchingUp = false;             // ?t=: frames run hidden on the virtual clock
    bool caughtUp = false;               // the last frame before ?t='s moment has been run
    bool musicReleased = false;          // the held music was let go
    Uint32 virtualClock = 0;             // the catch-up's clock: one ms per reading
    Uint32 liveBase = 0;                 // the clock's reading when the music took over
    Uint32 ticksAtSwitch = 0;            // SDL_GetTicks then
    double startMs = 0.0;                // wall clock at the loop's start
};

BrowserShow gBrowserShow;

int BrowserShow::start(ShowMode showMode, int requestedMs)
{
    mode = showMode;
    // The still and the benchmark make no sound, as the capture program makes none.
    if (mode != ShowMode::Live) setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The music waits for the show's first animation frame, when the start-up's work is
    // done and the picture can follow at once, or for ?t='s moment.
    catchingUp = mode == ShowMode::Live && requestedMs != 0;
    if (mode == ShowMode::Live) webHoldMusic();
    timeline = startUp();
    if (timeline == nullptr) return kFailureStatus;  // start-up has said why
    const int32_t length = timeline->getLength();
    if (mode == ShowMode::Still && (requestedMs < kFirstFrameMs || requestedMs >= length)) {
        std::fprintf(stderr, "quorvane: ?at= takes an elapsed time in ms from %d to %d\n",
                     kFirstFrameMs, length - 1);
        shutDown();
        return kFailureStatus;
    }
    if (catchingUp && (requestedMs < 0 || requestedMs >= length)) {
        std::fprintf(stderr, "quorvane: ?t= takes a moment in seconds from 0 to %.3f\n",
                     (length - 1) / kMsPerSecond);
        shutDown();
        return kFailureStatus;
    }
    requested = requestedMs;
    LoopHooks hooks = realTimeHooks();
    if (mode == ShowMode::Live) {
        hooks.ticks = readLiveClock;
        hooks.frameDrawn = onLiveFrameDrawn;
        hooks.context = this;
        if (catchingUp) webGlSetFramesHidden(true);
    } else {
        OfflineRun::Program program;
        program.hideFrames = webGlSetFramesHidden;
        // Drawing skipped, every whole pass is timed instead (benchSkippedStep): the scene's
        // work, the recording and what JavaScript the pass calls.
        program.finishFrame = mode == ShowMode::BenchSkipped ? nullptr : finishFrame;
        run = std::make_unique<OfflineRun>(program);
        if (mode == ShowMode::Still) run->wantStill(requestedMs);
        // ?bench&until=MS: the benchmark's first MS only.
        const int32_t end = requestedMs > 0 && requestedMs < length ? requestedMs : length;
        if (mode == ShowMode::Bench || mode == ShowMode::BenchSkipped) run->measureCosts(end);
        if (mode == ShowMode::BenchSkipped) {
            passCosts = std::make_unique<FrameCosts>();
            webGlSetFramesHidden(true);
        }
        hooks = run->hooks();
    }
    loop = std::make_unique<FrameLoop>(*timeline, hooks);
    if (run) run->begin();
    startMs = emscripten_get_now();
    loop->start();
    emscripten_set_main_loop_arg(onAnimationFrame, this, 0, 0);
    // Off the screen's pace: the virtual clock owes nothing to the wall clock.
    if (mode != ShowMode::Live || catchingUp) {
        emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
    }
    return 0;
}

void BrowserShow::stop()
{
    if (!loop) return;
    emscripten_cancel_main_loop();
    loop.reset();
    shutDown();
}

Uint32 BrowserShow::liveClock()
{
    if (catchingUp) return virtualClock++;
    return liveBase + (SDL_GetTicks() - ticksAtSwitch);
}

void BrowserShow::liveFrameDrawn(int32_t elapsed)
{
    if (catchingUp && elapsed + kFrameStepMs > requested) caughtUp = true;
}

void BrowserShow::catchUp()
{
    const double sliceStart = emscripten_get_now();
    while (!caughtUp && loop->running() && emscripten_get_now() - sliceStart < kSliceMs) {
        loop->pass();
    }
    if (!caughtUp) {
        if (emscripten_get_now() - startMs > kQuietCatchUpMs) {
            reportCatchingUp(static_cast<double>(virtualClock) / requested);
        }
        return;
    }
    // The last frame before the moment was run, leaving less than a frame's time pending:
    // the music starts at that frame's time, and the next frame is drawn once the music has
    // played a frame's time further.
    catchingUp = false;
    webGlSetFramesHidden(false);
    liveBase = loop->getElapsed();
    webReleaseMusic(static_cast<int>(liveBase));
    musicReleased = true;
    ticksAtSwitch = SDL_GetTicks();
    reportCatchingUp(1.0);
    emscripten_set_main_loop_timing(EM_TIMING_RAF, 1);
}

void BrowserShow::liveStep()
{
    if (catchingUp) {
        catchUp();
        return;
    }
    if (!musicReleased) {
        webReleaseMusic(0);
        musicReleased = true;
    }
    // The show waits for its music; the music never waits to catch up.
    if (webMusicWaiting()) return;
    // One pass per animation frame: when less than a frame's time is pending, nothing
    // is drawn and the canvas keeps the last frame.
    if (loop->pass()) reportFrame(++framesDrawn, static_cast<int>(loop->getElapsed()));
}

void BrowserShow::benchSkippedStep()
{
    const double sliceStart = emscripten_get_now();
    while (loop->running() && emscripten_get_now() - sliceStart < kSliceMs) {
        const double passStart = emscripten_get_now();
        const int before = run->framesDrawn();
        loop->pass();
        if (run->framesDrawn() != before) {
            passCosts->add(run->lastElapsed(), emscripten_get_now() - passStart);
        }
    }
}

void BrowserShow::step()
{
    if (mode == ShowMode::Live) {
        liveStep();
    } else if (mode == ShowMode::BenchSkipped) {
        benchSkippedStep();
    } else {
        const double sliceStart = emscripten_get_now();
        while (loop->running() && emscripten_get_now() - sliceStart < kSliceMs) loop->pass();
    }
    if (loop && !loop->running()) finish();
}

void BrowserShow::finish()
{
    emscripten_cancel_main_loop();
    switch (mode) {
    case ShowMode::Live: {
        const int elapsed = static_cast<int>(loop->getElapsed());
        loop.reset();
        shutDown();
        reportEnded(elapsed, timeline->getLength());
        break;
    }
    case ShowMode::Still:
        // The frame stays on the canvas; the title tells the page's reader it is there.
        reportStill(requested);
        break;
    case ShowMode::Bench:
    case ShowMode::BenchSkipped: {
        const FrameCosts* costs = mode == ShowMode::Bench ? run->costs() : passCosts.get();
        const std::string report = costs->report(run->wallMs(), static_cast<long>(heapKib()));
        // The report ends with its JSON line: that is the one for scripts.
        const size_t lastLine = report.rfind('\n', report.size() - 2);
        std::printf("quorvane-bench %s", report.substr(lastLine + 1).c_str());
        std::fflush(stdout);
        shutDown();
        break;
    }
    }
}

// What the page asked for, handed to the guarded start.
ShowMode gRequestedMode = ShowMode::Live;
int gRequestedMs = 0;

int startRequested() { return gBrowserShow.start(gRequestedMode, gRequestedMs); }

}  // namespace

// The page's entry: mode 0 plays the show in real time (from `requestedMs`: ?t=), 1 renders
// the still at `requestedMs`, 2 runs the benchmark (its first `requestedMs`, all when 0), 3
// times the same frames run without drawing.
extern "C" EMSCRIPTEN_KEEPALIVE int quorvaneStart(int mode, int requestedMs)
{
    if (mode < 0 || mode > static_cast<int>(ShowMode::BenchSkipped)) return kFailureStatus;
    gRequestedMode = static_cast<ShowMode>(mode);
    gRequestedMs = requestedMs;
    return runGuarded(startRequested);
}

// The page ends a live show it gave up on (a graphics context that did not come back).
extern "C" EMSCRIPTEN_KEEPALIVE void quorvaneStop() { gBrowserShow.stop(); }
