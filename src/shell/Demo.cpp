// The live demo's run and the guard around a program's body.
#include "shell/Demo.h"

#include "shell/FrameLoop.h"

#include <cstdio>

int playShow(bool loop)
{
    Timeline* timeline = startUp();
    if (timeline == nullptr) return 1;
    waitForMusic();
    runFrameLoop(*timeline, realTimeHooks());
    while (loop && !gQuit) {
        rewindShow();
        waitForMusic();
        runFrameLoop(*timeline, realTimeHooks());
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
