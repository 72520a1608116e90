// The whole state of the show between two frames, and the snapshots the player keeps of it.
// The show is deterministic: from a snapshot its frames run on exactly as they ran after
// it. So a seek goes back to the snapshot just before its moment and runs the few frames
// from there without drawing, rather than every frame from the start. Snapshots are only
// ever taken of frames on the virtual clock (21, 41, 61, ... ms), the capture program's
// frames, so the frame a seek shows is the capture's.
#pragma once

#include "effects/Camera.h"
#include "effects/ParticleSystem.h"
#include "platform/gl11/FixedFunction.h"
#include "platform/LibcRandom.h"
#include "shell/FrameLoop.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class Timeline;

class ShowSnapshot {
public:
    // The show as it stands now, with `loop`'s clock and debt.
    explicit ShowSnapshot(const FrameLoop& loop);
    // Puts the show back as it stood, `loop` included. Frames stay hidden or shown.
    void restore(FrameLoop& loop) const;

    // The last frame's elapsed time (0 before the first), where the music goes on from.
    int32_t elapsedMs() const { return static_cast<int32_t>(loopAt.elapsed); }
    // What it takes in memory, its own heap included.
    size_t bytes() const;
    // A control for the tests: the random sequence one draw further than the show's.
    void skipRandomDraw() { random.next(); }

private:
    LibcRandom random;         // rand()'s place in glibc's sequence
    ParticleSystem particles;  // the particles and the emitter
    float emitterPhaseX;       // the emitter's wander
    float emitterPhaseY;
    float rotation;              // the cubes' spin
    Camera camera;               // the viewer
    FixedFunction gl;            // the GL state the scenes leave
    FrameLoop::Position loopAt;  // the frame loop's clock and debt
};

// One snapshot every kSnapshotFrames frames of the virtual clock, taken by the frames a seek
// runs and, in the page's idle time, by frames run off screen beside the show.
class ShowSnapshots {
public:
    static constexpr int32_t kSnapshotFrames = 25;

    // Forgets every snapshot but `start`, the show before its first frame; the show is
    // `lengthMs` long.
    void startWith(const ShowSnapshot& start, int32_t lengthMs);
    // After a frame of the virtual clock at `elapsed`: a snapshot when one is due there.
    void frameRun(int32_t elapsed, const FrameLoop& loop);
    // The latest snapshot of a moment at or before `ms`.
    const ShowSnapshot& latestAtOrBefore(int32_t ms) const;

    // Runs frames off screen towards the first snapshot missing, on from where the last
    // call stopped, for about `budgetMs` (a frame at least), and puts the show back as it
    // was, `liveLoop` included. Returns whether snapshots are still missing.
    bool fill(double budgetMs, const Timeline& timeline, FrameLoop& liveLoop);

    // Snapshots taken, of the slots there are for the show's length.
    int32_t count() const;
    int32_t slotCount() const { return static_cast<int32_t>(slots.size()); }
    size_t bytes() const;
    // A control for the tests: every snapshot's random sequence one draw further.
    void corruptRandom();

private:
    static Uint32 readClock(void* snapshots);
    static void onFrameDrawn(Uint32 elapsed, void* snapshots);

    std::vector<std::optional<ShowSnapshot>> slots;  // slot k: after k * kSnapshotFrames frames
    size_t firstMissing = 1;                         // no slot before it is missing
    std::optional<ShowSnapshot> cursor;              // where the frames off screen stopped
    Uint32 fillClock = 0;                            // the off-screen loop's virtual clock
    const FrameLoop* fillLoop = nullptr;             // that loop, while it runs
};
