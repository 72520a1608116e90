// The live demo's run and the guard around a program's body.
#include "shell/Demo.h"

#include "shell/FrameLoop.h"

#include <cstdio>

namespace {

void startMusicWithFirstFrame(Uint32 elapsed, void* /*context*/) { startMusicAt(elapsed); }

// SDL's clock, and the music started once the first frame is drawn: that frame is shown when
// the music reaches it, however long the drawing (a software renderer compiles its shaders
// there) and the device's start took.
LoopHooks liveShowHooks()
{
    LoopHooks hooks = realTimeHooks();
    hooks.firstFrameReady = startMusicWithFirstFrame;
    return hooks;
}

}  // namespace

int playShow(bool loop)
{
    Timeline* timeline = prepareShow();
    if (timeline == nullptr) return 1;
    runFrameLoop(*timeline, liveShowHooks());
    while (loop && !gQuit) {
        resetShow();
        runFrameLoop(*timeline, liveShowHooks());
    }
    shutDown();
    return 0;
}

int runGuarded(const std::function<int()>& body)
{
    try {
        return body();
    } catch (int code) {
        std::fprintf(stderr, "quorvane: the show's schedule was rejected (timeline code %d)\n",
                     code);
        return 1;
    }
}
