// The show in real time, as a player: its clock is the music's (WebMusic.cpp), and the
// page pauses, resumes and seeks it. A seek runs the frames on the way without drawing, on
// the capture program's virtual clock, so the frame shown for a moment is the capture's:
// onward from the current frame when every frame so far fell on that clock, else from a
// fresh run from 0. With the loop on, the show's end starts it again as its first pass.
#pragma once

#include <SDL.h>

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

private:
    enum class Phase { Seeking, Playing, Paused };

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

    Uint32 clock();
    // Where the next frame falls on the virtual clock.
    int32_t nextFrame() const;
    void frameStarting(int32_t elapsed);
    void frameDrawn(int32_t elapsed);
    void step();
    void seekStep();
    void playStep();
    void startPlaying();
    void rewind();
    void finish();

    bool active = false;  // this show runs: the page's controls reach it
    Phase phase = Phase::Paused;
    bool looping = false;         // ?loop: the end starts the show again
    bool playAfterSeek = false;   // a seek under way ends playing, else paused
    bool onGrid = true;           // every frame since the last fresh run fell on the virtual clock
    int32_t target = 0;           // the seek's moment
    int32_t lastFrame = 0;        // elapsed time of the last frame run; 0 before the first
    bool lastFrameShown = false;  // that frame was drawn on the canvas, not hidden
    bool loopStarting = false;    // the loop's first reading, time 0 of a fresh run
    Uint32 liveBase = 0;          // the show's elapsed time when the music last took over
    Uint32 ticksAtSwitch = 0;     // SDL_GetTicks then
    int framesDrawn = 0;          // live frames drawn, for the page
    double seekStartMs = 0.0;     // wall clock at the seek's start, for the progress shown
    int32_t seekFromMs = 0;       // where the seek's frames started
};

extern LiveShow gLiveShow;
