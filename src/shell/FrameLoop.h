// One pass of the paced frame loop at a time, so that a caller that cannot block (the
// browser, one pass per animation frame) and the native loop that spins on the clock run
// the same code.
#pragma once

#include <SDL.h>

class Timeline;

constexpr Uint32 kFrameMs = 20;  // one drawn frame pays this much pending time

// How the frame loop reads time and what it tells its program about each frame.
struct LoopHooks {
    // Milliseconds from an arbitrary start; may wrap past 2^32.
    Uint32 (*ticks)(void* context) = nullptr;
    // Called when a frame is about to be drawn for `elapsed`; may be null.
    void (*frameStarting)(Uint32 elapsed, void* context) = nullptr;
    // Called after the scene has drawn the frame, before the buffers are swapped; may be null.
    void (*frameDrawn)(Uint32 elapsed, void* context) = nullptr;
    // Called once, when the loop's first frame is drawn but not yet shown, for what must
    // start with the picture (the live show's music); may take its time, and may be null.
    // The clock then resumes at that frame's time, so the time taken is not the show's.
    void (*firstFrameReady)(Uint32 elapsed, void* context) = nullptr;
    void* context = nullptr;  // handed to every hook
    // False for a loop run beside the program's own, off screen: it leaves the keys, the
    // event queue and quit requests to the program's loop.
    bool readsInput = true;
};

// The live demo's clock: SDL_GetTicks.
LoopHooks realTimeHooks();

// Draws one frame whenever more than kFrameMs are pending, until the show's length has
// elapsed or a quit was asked for (Escape, window close, SIGINT, SIGTERM).
void runFrameLoop(const Timeline& timeline, const LoopHooks& hooks);

// Pumps the events while no frame loop runs (the wait for the music): whether Escape is or
// went down or a quit was asked for. A quit request stays queued for the loop to see.
bool quitAsked();

extern bool gQuit;  // set when the frame loop sees a quit request; ends the loop

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

    // The clock's start, the elapsed time and the debt: where the loop stands, for a
    // program that takes the show back to an earlier moment.
    struct Position {
        Uint32 startTicks = 0;
        Uint32 elapsed = 0;
        Uint32 pending = 0;
        bool escapePressed = false;
    };
    Position position() const { return {startTicks, elapsed, pending, escapePressed}; }
    void moveTo(const Position& at);

private:
    const Timeline& timeline;    // the show's schedule
    LoopHooks hooks;             // the clock and what the program does around a frame
    Uint32 length;               // the schedule's length in ms
    Uint32 startTicks = 0;       // clock reading taken by start
    Uint32 elapsed = 0;          // ms since start, as of the last pass
    Uint32 pending = 0;          // wall time not yet paid for by drawn frames
    bool escapePressed = false;  // Escape went down in the events of the last pump
    bool anyFrameShown = false;  // a frame was swapped since start: firstFrameReady is done
};
