// The show in the browser. The page loads the data into the file system, then calls
// quorvaneStart for one of three shows: the live player from its Play button (LiveShow),
// the capture program's still for ?at=MS (StillShow), or the benchmark for ?bench
// (BenchShow). The browser then calls back once per animation frame, or back to back on
// the virtual clock; each call runs the native frame loop's passes (ShowCore).
#include "BenchShow.h"
#include "LiveShow.h"
#include "StillShow.h"
#include "WebPage.h"
#include "gl/WebGl.h"
#include "offline/ShowFrames.h"
#include "shell/Demo.h"

#include <emscripten.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The shows the page asks for, by the names it gives them.
enum class PageMode { Live, Still, Bench, BenchSkipped };
struct NamedMode {
    const char* name;
    PageMode mode;
};
constexpr NamedMode kModes[] = {
    {"live", PageMode::Live},
    {"still", PageMode::Still},
    {"bench", PageMode::Bench},
    {"bench-skipped", PageMode::BenchSkipped},
};
constexpr int kFailureStatus = 1;

PageMode gRequestedMode = PageMode::Live;
int gRequestedMs = 0;
bool gRequestedLoop = false;

// What the page asked for, handed to the guarded start.
int startRequested()
{
    switch (gRequestedMode) {
    case PageMode::Live: return gLiveShow.start(gRequestedMs, gRequestedLoop);
    case PageMode::Still: return gStillShow.start(gRequestedMs);
    case PageMode::Bench:
    case PageMode::BenchSkipped:
        return gBenchShow.start(gRequestedMs, gRequestedMode == PageMode::BenchSkipped);
    }
    return kFailureStatus;
}

}  // namespace

// The page's entry: "live" plays the show in real time (from `requestedMs`: ?t=), "still"
// renders the still at `requestedMs`, "bench" runs the benchmark (its first `requestedMs`,
// all when 0), "bench-skipped" times the same frames run without drawing. `loop` (?loop):
// the live show starts again at its end. Returns 0, or 1 after the page was told why.
extern "C" EMSCRIPTEN_KEEPALIVE int quorvaneStart(const char* mode, int requestedMs, int loop)
{
    const NamedMode* named = nullptr;
    for (const NamedMode& entry : kModes) {
        if (std::strcmp(entry.name, mode) == 0) named = &entry;
    }
    if (named == nullptr) {
        startFailed("no show is called %s", mode);
        return kFailureStatus;
    }
    gRequestedMode = named->mode;
    gRequestedMs = requestedMs;
    gRequestedLoop = loop != 0;
    return runGuarded(startRequested);
}

// The page ends a live show it gave up on (a graphics context that did not come back).
extern "C" EMSCRIPTEN_KEEPALIVE void quorvaneStop() { gLiveShow.stop(); }

// The live player's controls.
extern "C" EMSCRIPTEN_KEEPALIVE void quorvanePause() { gLiveShow.pause(); }
extern "C" EMSCRIPTEN_KEEPALIVE void quorvaneResume() { gLiveShow.resume(); }
// Escape while paused ends the show as Escape ends a playing one.
extern "C" EMSCRIPTEN_KEEPALIVE void quorvaneEnd() { gLiveShow.end(); }
// To `ms` of the show.
extern "C" EMSCRIPTEN_KEEPALIVE void quorvaneSeek(int ms) { gLiveShow.seek(ms); }
// The frame step's length: the capture's frame grid, which the page steps on.
extern "C" EMSCRIPTEN_KEEPALIVE int quorvaneFrameStepMs() { return kFrameStepMs; }

// The frame on screen as a picture of width x height (4:3): Module.onPictureDrawn gets it
// as ImageData, drawn again by the same replay, multisampled as the page's canvas is when
// `multisampled` is non-zero. Returns 0, or 1 after one "quorvane: ..." line.
extern "C" EMSCRIPTEN_KEEPALIVE int quorvanePicture(int width, int height, int multisampled)
{
    std::vector<uint8_t> rgba;
    if (!webGlDrawPicture(width, height, multisampled != 0, &rgba)) return kFailureStatus;
    pagePictureDrawn(rgba.data(), width, height);
    return 0;
}

// The page's idle time, `remainingMs` of it, for the snapshots the player's seeks start from.
extern "C" EMSCRIPTEN_KEEPALIVE void quorvaneIdle(double remainingMs)
{
    gLiveShow.idle(remainingMs);
}

// The player's snapshots: how many are taken of how many there will be, and their memory
// in bytes.
extern "C" EMSCRIPTEN_KEEPALIVE int quorvaneSnapshotCount()
{
    return gLiveShow.getSnapshots().count();
}
extern "C" EMSCRIPTEN_KEEPALIVE int quorvaneSnapshotSlots()
{
    return gLiveShow.getSnapshots().slotCount();
}
extern "C" EMSCRIPTEN_KEEPALIVE double quorvaneSnapshotBytes()
{
    return static_cast<double>(gLiveShow.getSnapshots().bytes());
}

// A control for the tests: every snapshot's random sequence one draw off the show's, so
// that seeks from them must miss the capture's frames.
extern "C" EMSCRIPTEN_KEEPALIVE void quorvaneCorruptSnapshots()
{
    gLiveShow.getSnapshots().corruptRandom();
}
