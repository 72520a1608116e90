// What the browser's three kinds of show share (LiveShow, StillShow, BenchShow): the
// start-up, the native frame loop one pass at a time, the browser calling back once per
// animation frame or back to back, and the shutdown.
#pragma once

#include "shell/Demo.h"
#include "shell/FrameLoop.h"

#include <cstdint>
#include <memory>

class Timeline;

class ShowCore {
public:
    using Step = void (*)(void* show);

    // Start-up; false after its line on the console. Without sound the mixer has no device,
    // as the capture program has none.
    bool startUp(bool withSound);
    // Makes the frame loop on `hooks` and starts it (its first reading of the clock).
    void makeLoop(const LoopHooks& hooks);
    // From now on the browser calls `step(show)`: once per animation frame when `paced`,
    // else back to back (the virtual clock owes nothing to the screen).
    void callBack(Step step, void* show, bool paced);
    void setPaced(bool paced);
    // The browser stops calling; the loop and the show's objects stay.
    void stopCalls();
    // Ends the show: no more calls, the loop gone, the show's objects shut down. Nothing
    // when start-up did not succeed or the show has ended already.
    void shutDown();

    FrameLoop& getLoop() { return *loop; }
    const Timeline& getTimeline() const { return *timeline; }
    int32_t getLength() const;

private:
    Timeline* timeline = nullptr;     // the show's schedule, made by start-up
    std::unique_ptr<FrameLoop> loop;  // the native loop, one pass at a time
    bool calling = false;             // the browser calls back
};

extern ShowCore gShowCore;

// Passes run back to back get this much wall time from `sliceStart` (emscripten_get_now),
// then the browser gets the page back for a moment.
bool sliceLeft(double sliceStart);
