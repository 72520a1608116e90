#include "BenchShow.h"

#include "ShowCore.h"
#include "gl/WebGl.h"

#include <emscripten.h>

#include <cstdio>
#include <string>

BenchShow gBenchShow;

namespace {

constexpr int kFailureStatus = 1;

// Reading back one pixel waits for the GPU to finish the frame, so a frame's cost is its
// rendering and not only the submission of its commands.
EM_JS(void, waitForGpu, (), {
    const gl = Module.canvas.getContext('webgl2');
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

}  // namespace

int BenchShow::start(int32_t untilMs, bool drawingSkipped)
{
    if (!gShowCore.startUp(false)) return kFailureStatus;
    const int32_t length = gShowCore.getLength();
    OfflineRun::Program program;
    program.hideFrames = webGlSetFramesHidden;
    // Drawing skipped, every whole pass is timed instead (stepSkipped): the scene's work,
    // the recording and what JavaScript the pass calls.
    program.finishFrame = drawingSkipped ? nullptr : finishFrame;
    run = std::make_unique<OfflineRun>(program);
    run->measureCosts(untilMs > 0 && untilMs < length ? untilMs : length);
    if (drawingSkipped) {
        passCosts = std::make_unique<FrameCosts>();
        webGlSetFramesHidden(true);
    }
    gShowCore.makeLoop(run->hooks());
    run->begin();
    gShowCore.callBack(onStep, this, false);
    return 0;
}

void BenchShow::step()
{
    FrameLoop& loop = gShowCore.getLoop();
    if (passCosts) {
        stepSkipped();
    } else {
        const double sliceStart = emscripten_get_now();
        while (loop.running() && sliceLeft(sliceStart)) loop.pass();
    }
    if (!loop.running()) report();
}

void BenchShow::stepSkipped()
{
    FrameLoop& loop = gShowCore.getLoop();
    const double sliceStart = emscripten_get_now();
    while (loop.running() && sliceLeft(sliceStart)) {
        const double passStart = emscripten_get_now();
        const int before = run->framesDrawn();
        loop.pass();
        if (run->framesDrawn() != before) {
            passCosts->add(run->lastElapsed(), emscripten_get_now() - passStart);
        }
    }
}

void BenchShow::report()
{
    gShowCore.stopCalls();
    const FrameCosts* costs = passCosts ? passCosts.get() : run->costs();
    const std::string text = costs->report(run->wallMs(), static_cast<long>(heapKib()));
    // The report ends with its JSON line: that is the one for scripts.
    const size_t lastLine = text.rfind('\n', text.size() - 2);
    std::printf("quorvane-bench %s", text.substr(lastLine + 1).c_str());
    std::fflush(stdout);
    gShowCore.shutDown();
}
