// The show in the browser. The page loads the data into the file system, then calls
// quorvaneStart: in real time from its Play button, or on the capture program's virtual
// clock (src/offline) for a still (?at=MS) or the benchmark (?bench). The browser calls back
// once per animation frame; each call runs the native frame loop's passes.
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
enum class ShowMode { Live = 0, Still = 1, Bench = 2 };

constexpr int kFailureStatus = 1;
// The virtual clock runs passes back to back; this much wall time, then the browser gets
// the page back for a moment.
constexpr double kSliceMs = 100.0;

EM_JS(void, reportFrame, (int frames, int elapsed), {
    Module.showFrames = frames;
    Module.showElapsed = elapsed;
    if (frames === 1) Module.firstFrameAt = performance.now();
});

EM_JS(void, reportEnded, (), {
    if (Module.onShowEnded) Module.onShowEnded();
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

private:
    static void onAnimationFrame(void* show) { static_cast<BrowserShow*>(show)->step(); }

    void step();
    void finish();

    ShowMode mode = ShowMode::Live;      // what the page asked for
    Timeline* timeline = nullptr;        // the show's schedule, made by start-up
    std::unique_ptr<FrameLoop> loop;     // the native loop, one pass at a time
    std::unique_ptr<OfflineRun> run;     // the virtual clock of a still or the benchmark
    int32_t requested = 0;               // the still's requested time
    int framesDrawn = 0;                 // frames drawn so far, live
};

BrowserShow gBrowserShow;

int BrowserShow::start(ShowMode showMode, int requestedMs)
{
    mode = showMode;
    // The still and the benchmark make no sound, as the capture program makes none.
    if (mode != ShowMode::Live) setenv("SDL_AUDIODRIVER", "dummy", 1);
    timeline = startUp();
    if (timeline == nullptr) return kFailureStatus;  // start-up has said why
    const int32_t length = timeline->getLength();
    if (mode == ShowMode::Still && (requestedMs < kFirstFrameMs || requestedMs >= length)) {
        std::fprintf(stderr, "quorvane: ?at= takes an elapsed time in ms from %d to %d\n",
                     kFirstFrameMs, length - 1);
        shutDown();
        return kFailureStatus;
    }
    LoopHooks hooks = realTimeHooks();
    if (mode != ShowMode::Live) {
        OfflineRun::Program program;
        program.hideFrames = webGlSetFramesHidden;
        program.finishFrame = finishFrame;
        run = std::make_unique<OfflineRun>(program);
        if (mode == ShowMode::Still) {
            requested = requestedMs;
            run->wantStill(requestedMs);
        }
        if (mode == ShowMode::Bench) run->measureCosts(length);
        hooks = run->hooks();
    }
    loop = std::make_unique<FrameLoop>(*timeline, hooks);
    if (run) run->begin();
    loop->start();
    emscripten_set_main_loop_arg(onAnimationFrame, this, 0, 0);
    // Off the screen's pace: the virtual clock owes nothing to the wall clock.
    if (mode != ShowMode::Live) emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
    return 0;
}

void BrowserShow::step()
{
    if (mode == ShowMode::Live) {
        // One pass per animation frame: when less than a frame's time is pending, nothing
        // is drawn and the canvas keeps the last frame.
        if (loop->pass()) reportFrame(++framesDrawn, static_cast<int>(loop->getElapsed()));
    } else {
        const double sliceStart = emscripten_get_now();
        while (loop->running() && emscripten_get_now() - sliceStart < kSliceMs) loop->pass();
    }
    if (!loop->running()) finish();
}

void BrowserShow::finish()
{
    emscripten_cancel_main_loop();
    switch (mode) {
    case ShowMode::Live:
        shutDown();
        reportEnded();
        break;
    case ShowMode::Still:
        // The frame stays on the canvas; the title tells the page's reader it is there.
        reportStill(requested);
        break;
    case ShowMode::Bench: {
        const std::string report =
            run->costs()->report(run->wallMs(), static_cast<long>(heapKib()));
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

// The page's entry: mode 0 plays the show in real time, 1 renders the still at
// `requestedMs`, 2 runs the benchmark.
extern "C" EMSCRIPTEN_KEEPALIVE int quorvaneStart(int mode, int requestedMs)
{
    if (mode < 0 || mode > static_cast<int>(ShowMode::Bench)) return kFailureStatus;
    gRequestedMode = static_cast<ShowMode>(mode);
    gRequestedMs = requestedMs;
    return runGuarded(startRequested);
}
