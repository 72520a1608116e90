// One pass of the paced frame loop at a time, so that a caller that cannot block (the
// browser, one pass per animation frame) and the native loop that spins on the clock run
// the same code.
#pragma once

#include "shell/Demo.h"

class Timeline;

class FrameLoop {
public:
    FrameLoop(const Timeline& timeline, const LoopHooks& hooks);

    // Reads the clock once: its value is time 0 of the show.
    void start();

    // Whether another pass is due: the show has time left and no quit was asked for.
    bool running() const;

    // Reads the clock; when more than kFrameMs are pending, pays for one frame and draws
    // it. Returns whether a frame was drawn. Never more than one frame per pass.
    bool pass();

    Uint32 getElapsed() const { return elapsed; }

private:
    const Timeline& timeline;  // the show's schedule
    LoopHooks hooks;           // the clock and what the program does around a frame
    Uint32 length;             // the schedule's length in ms
    Uint32 startTicks = 0;     // clock reading taken by start
    Uint32 elapsed = 0;        // ms since start, as of the last pass
    Uint32 pending = 0;        // wall time not yet paid for by drawn frames
    bool escapePressed = false;  // Escape went down in the events of the last pump
};
