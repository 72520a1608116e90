// The show on a virtual clock, as the capture program and the browser's stills and benchmark
// run it: the frame loop's clock steps 1 ms per reading, so frames fall at 21, 41, 61, ...
// ms whatever the machine's speed. Frames before a wanted still can be hidden, frame costs
// are measured for the benchmark, and the run stops the loop after its last wanted frame.
#pragma once

#include "offline/FrameCosts.h"
#include "shell/FrameLoop.h"

#include <cstdint>
#include <memory>
#include <set>

class OfflineRun {
public:
    // What the program does around the run's frames; each may be null.
    struct Program {
        // Hides the frames drawn from now on, or shows them again; null: frames before a
        // wanted still are drawn in full.
        void (*hideFrames)(bool hidden) = nullptr;
        // Waits until the frame just drawn is done, so its cost includes its rendering.
        void (*finishFrame)(void* context) = nullptr;
        // The program's own use of each drawn frame (writing it, encoding it, progress),
        // after the run has counted it and measured its cost.
        void (*frameDrawn)(int32_t elapsed, void* context) = nullptr;
        void* context = nullptr;  // handed to finishFrame and frameDrawn
    };

    explicit OfflineRun(const Program& program);

    // A still at `ms` is wanted: the run draws the frame on screen then, hides the frames
    // before it when it can, and stops after the last one wanted.
    void wantStill(int32_t ms);
    // Measures every frame's cost and stops after the last frame before `endMs`.
    void measureCosts(int32_t endMs);

    // Hooks for the frame loop: the virtual clock and the run's work around each frame.
    LoopHooks hooks();

    // Notes the wall clock as the run's start; call just before the loop starts.
    void begin();
    // Ends the loop after the current frame: the run has all it wanted.
    void stop();
    // Shows frames again should the loop have ended among hidden ones.
    void end();

    int32_t framesDrawn() const { return frames; }
    int32_t lastElapsed() const { return lastFrameMs; }
    // The last frame the stills want; 0 when none is wanted.
    int32_t lastWantedFrame() const { return wanted.empty() ? 0 : *wanted.rbegin(); }
    // Whether the run stopped the loop itself (stop, a last wanted frame) rather than a quit.
    bool stoppedItself() const { return stopped; }
    // Wall time since begin, in ms.
    double wallMs() const;
    // The benchmark's frame costs; null unless measureCosts was called.
    const FrameCosts* costs() const { return frameCosts.get(); }

private:
    static Uint32 readClock(void* run);
    static void onFrameStarting(Uint32 elapsed, void* run);
    static void onFrameDrawn(Uint32 elapsed, void* run);
    void frameStarting(int32_t elapsed);
    void frameDrawn(int32_t elapsed);

    Program program;                         // what the program does around frames
    Uint32 clock = 0;                        // the virtual clock: one ms per reading
    std::set<int32_t> wanted;                // elapsed times of the frames stills want
    bool hidden = false;                     // frames are drawn hidden now
    std::unique_ptr<FrameCosts> frameCosts;  // the benchmark's costs, when measured
    int32_t costsEndMs = 0;                  // the benchmark stops before this
    int32_t frames = 0;                      // frames drawn so far
    int32_t lastFrameMs = 0;                 // elapsed time of the last frame drawn
    bool stopped = false;                    // stop was called or the last wanted frame drawn
    long long runStartNs = 0;                // wall clock at begin
    long long frameStartNs = 0;              // wall clock when the current frame began
};
