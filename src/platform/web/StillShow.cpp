#include "StillShow.h"

#include "ShowCore.h"
#include "WebPage.h"
#include "gl/WebGl.h"
#include "offline/ShowFrames.h"

#include <emscripten.h>

StillShow gStillShow;

namespace {

constexpr int kFailureStatus = 1;

}  // namespace

int StillShow::start(int32_t requestedMs)
{
    if (!gShowCore.startUp(false)) return kFailureStatus;
    const int32_t length = gShowCore.getLength();
    if (requestedMs < kFirstFrameMs || requestedMs >= length) {
        startFailed("?at= takes an elapsed time in ms from %d to %d", kFirstFrameMs, length - 1);
        gShowCore.shutDown();
        return kFailureStatus;
    }
    requested = requestedMs;
    OfflineRun::Program program;
    program.hideFrames = webGlSetFramesHidden;
    run = std::make_unique<OfflineRun>(program);
    run->wantStill(requestedMs);
    gShowCore.makeLoop(run->hooks());
    run->begin();
    gShowCore.callBack(onStep, this, false);
    return 0;
}

void StillShow::step()
{
    FrameLoop& loop = gShowCore.getLoop();
    const double sliceStart = emscripten_get_now();
    while (loop.running() && sliceLeft(sliceStart)) loop.pass();
    if (loop.running()) return;
    // The frame stays on the canvas, and with it the show's objects.
    gShowCore.stopCalls();
    pageStillDrawn(requested);
}
