// The show in real time, as a player: its clock is the music's (WebMusic.cpp), and the
// page pauses, resumes and seeks it. A seek goes back to the latest snapshot of the show
// before its moment (ShowSnapshot.h) and runs the frames from there without drawing, on
// the capture program's virtual clock, so the frame shown for a moment is the capture's.
// With the loop on, the show's end starts it again as its first pass.
#pragma once

#include "ShowSnapshot.h"

#include <SDL.h>

#include <cstddef>
#include <cstdint>

class LiveShow {
public:
    // Start-up with the music held, then the show from `fromMs` (?t=; 0: the start).
    // Returns 0, or 1 after its line on the console.
    int start(int32_t fromMs, bool loopShow);
    // Ends at once without the end card (the page has said why).
    void stop();
    // Ends as Escape ends it, with the end card.
    void end();
    void pause();
    void resume();
    // To `ms` (clamped to the show), playing on or paused as before.
    void seek(int32_t ms);
    // The page is idle for `remainingMs`: snapshots not yet taken are taken meanwhile.
    void idle(double remainingMs);

    const ShowSnapshots& getSnapshots() const { return snapshots; }
    ShowSnapshots& getSnapshots() { return snapshots; }

private:
    // Where the show is. Seeking, the frames up to the seek's moment run without drawing
    // (all but the moment's own when it ends paused), on the virtual clock; then the show
    // plays on the music's clock, or waits with the moment's frame on the canvas.
    enum class State { Off, SeekingToPause, SeekingToPlay, Playing, Paused };

    static Uint32 readClock(void* show) { return static_cast<LiveShow*>(show)->clock(); }
    static void onFrameStarting(Uint32 elapsed, void* show)
    {
        static_cast<LiveShow*>(show)->frameStarting(static_cast<int32_t>(elapsed));
    }
    static void onFrameDrawn(Uint32 elapsed, void* show)
    {
        static_cast<LiveShow*>(show)->frameDrawn(static_cast<int32_t>(elapsed));
    }
    static void onStep(void* show) { static_cast<LiveShow*>(show)->step(); }

    bool seeking() const { return state == State::SeekingToPause || state == State::SeekingToPlay; }
    Uint32 clock();
    void frameStarting(int32_t elapsed);
    void frameDrawn(int32_t elapsed);
    void step();
    // Goes back to the snapshot for `ms` and sets out for it.
    void beginSeek(int32_t ms, bool thenPlay);
    void seekStep();
    void playStep();
    void startPlaying();
    void askForIdleTime();
    void finish();

    State state = State::Off;
    bool looping = false;      // ?loop, a setting: the end starts the show again
    int32_t seekFrame = 0;     // the last frame the seek runs; 0: none, the show's start
    int32_t lastFrame = 0;     // elapsed time of the last frame run; 0 before the first
    Uint32 virtualClock = 0;   // seeking, the capture's clock: one ms per reading
    Uint32 liveBase = 0;       // the show's elapsed time when the music last took over
    Uint32 ticksAtSwitch = 0;  // SDL_GetTicks then
    int framesDrawn = 0;       // live frames drawn, for the page
    double seekStartMs = 0.0;  // wall clock at the seek's start, for the progress shown
    int32_t seekFromMs = 0;    // where the seek's frames started
    bool idleAsked = false;    // the page will call idle when it has time
    ShowSnapshots snapshots;   // the show every kSnapshotFrames frames of the virtual clock
};

extern LiveShow gLiveShow;
