#include "ShowCore.h"

#include "WebPage.h"
#include "shell/Schedule.h"
#include "timeline/Timeline.h"

#include <emscripten.h>

#include <cstdlib>

ShowCore gShowCore;

namespace {

constexpr double kSliceMs = 100.0;

}  // namespace

bool sliceLeft(double sliceStart) { return emscripten_get_now() - sliceStart < kSliceMs; }

bool ShowCore::startUp(bool withSound)
{
    if (!withSound) setenv("SDL_AUDIODRIVER", "dummy", 1);
    timeline = ::startUp();
    if (timeline == nullptr) {
        // Start-up has said why on the console; the page words it for its card.
        pageStartFailed(startUpFailure());
        return false;
    }
    // The page names the scenes on its timeline from the schedule itself.
    for (const ScheduledClip& clip : scheduledClips()) {
        if (clip.name != nullptr) {
            pageScene(static_cast<int>(clip.index), clip.name, clip.start, clip.end);
        }
    }
    return true;
}

void ShowCore::makeLoop(const LoopHooks& hooks)
{
    loop = std::make_unique<FrameLoop>(*timeline, hooks);
    loop->start();
}

void ShowCore::callBack(Step step, void* show, bool paced)
{
    emscripten_set_main_loop_arg(step, show, 0, 0);
    calling = true;
    setPaced(paced);
}

void ShowCore::setPaced(bool paced)
{
    if (!calling) return;
    if (paced) {
        emscripten_set_main_loop_timing(EM_TIMING_RAF, 1);
    } else {
        emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
    }
}

void ShowCore::stopCalls()
{
    if (calling) emscripten_cancel_main_loop();
    calling = false;
}

void ShowCore::shutDown()
{
    stopCalls();
    if (timeline == nullptr) return;
    loop.reset();
    timeline = nullptr;
    ::shutDown();
}

int32_t ShowCore::getLength() const { return timeline->getLength(); }
