#include "LiveShow.h"

#include "ShowCore.h"
#include "WebMusic.h"
#include "WebPage.h"
#include "gl/WebGl.h"
#include "offline/ShowFrames.h"
#include "shell/Demo.h"

#include <emscripten.h>

#include <algorithm>

LiveShow gLiveShow;

namespace {

constexpr int kFailureStatus = 1;
// A seek that takes longer than this shows its progress.
constexpr double kQuietSeekMs = 500.0;
constexpr double kMsPerSecond = 1000.0;
// Idle time left to the browser of what it offers.
constexpr double kIdleMarginMs = 2.0;

// The body is JavaScript, laid out as such. Where the browser has no idle callbacks, a
// timer stands in with a short budget, so that the frames keep their pace.
// clang-format off
EM_JS(void, requestIdleTime, (), {
    const idle = (deadline) => _quorvaneIdle(deadline.timeRemaining());
    if (self.requestIdleCallback) {
        requestIdleCallback(idle, {timeout: 250});
    } else {
        setTimeout(() => idle({timeRemaining: () => 6}), 20);
    }
});
// clang-format on

}  // namespace

int LiveShow::start(int32_t fromMs, bool loopShow)
{
    looping = loopShow;
    // The music waits for the show's first animation frame, when the start-up's work is
    // done and the picture can follow at once, or for ?t='s moment.
    webHoldMusic();
    if (!gShowCore.startUp(true)) return kFailureStatus;
    const int32_t length = gShowCore.getLength();
    if (fromMs < 0 || fromMs >= length) {
        startFailed("?t= takes a moment in seconds from 0 to %.3f", (length - 1) / kMsPerSecond);
        gShowCore.shutDown();
        return kFailureStatus;
    }
    LoopHooks hooks;
    hooks.ticks = readClock;
    hooks.frameStarting = onFrameStarting;
    hooks.frameDrawn = onFrameDrawn;
    hooks.context = this;
    // Time 0 of the virtual clock is the loop's start; the start is a seek to ?t='s moment
    // that then plays.
    state = State::SeekingToPlay;
    virtualClock = 0;
    gShowCore.makeLoop(hooks);
    snapshots.startWith(ShowSnapshot(gShowCore.getLoop()), length);
    framesDrawn = 0;
    beginSeek(fromMs, true);
    const bool framesToRun = seekFrame > 0;
    if (!framesToRun) webGlSetFramesHidden(false);
    gShowCore.callBack(onStep, this, !framesToRun);
    askForIdleTime();
    return 0;
}

void LiveShow::stop()
{
    if (state == State::Off) return;
    state = State::Off;
    gShowCore.shutDown();
}

void LiveShow::end()
{
    if (state != State::Off) finish();
}

void LiveShow::pause()
{
    if (state == State::Playing) {
        state = State::Paused;
        webPauseMusic();
    } else if (state == State::SeekingToPlay) {
        state = State::SeekingToPause;
    }
}

void LiveShow::resume()
{
    if (state == State::Paused) {
        startPlaying();
    } else if (state == State::SeekingToPause) {
        state = State::SeekingToPlay;
    }
}

void LiveShow::seek(int32_t ms)
{
    if (state == State::Off) return;
    const bool thenPlay = state == State::Playing || state == State::SeekingToPlay;
    if (state == State::Playing) webPauseMusic();
    beginSeek(ms, thenPlay);
    gShowCore.setPaced(false);
    // The first slice at once: a short seek is drawn before the input's handler returns.
    seekStep();
}

void LiveShow::idle(double remainingMs)
{
    idleAsked = false;
    if (state == State::Off) return;
    const bool more = snapshots.fill(std::max(remainingMs - kIdleMarginMs, 0.0),
                                     gShowCore.getTimeline(), gShowCore.getLoop());
    if (more) askForIdleTime();
}

void LiveShow::beginSeek(int32_t ms, bool thenPlay)
{
    // Paused at the very start, the picture is the first frame.
    const int32_t first = thenPlay ? 0 : kFirstFrameMs;
    const int32_t target = std::clamp(ms, first, gShowCore.getLength() - 1);
    seekFrame = target < kFirstFrameMs ? 0 : frameShownAt(target);
    // Ending paused, the moment's frame is drawn: the snapshot is of a moment before it.
    const ShowSnapshot& from = snapshots.latestAtOrBefore(thenPlay ? seekFrame : seekFrame - 1);
    from.restore(gShowCore.getLoop());
    lastFrame = from.elapsedMs();
    virtualClock = static_cast<Uint32>(lastFrame) + 1;
    state = thenPlay ? State::SeekingToPlay : State::SeekingToPause;
    seekFromMs = lastFrame;
    seekStartMs = emscripten_get_now();
    webGlSetFramesHidden(true);
}

Uint32 LiveShow::clock()
{
    if (seeking()) return virtualClock++;
    return liveBase + (SDL_GetTicks() - ticksAtSwitch);
}

void LiveShow::frameStarting(int32_t elapsed)
{
    // Paused, the seek shows the last frame at or before the moment. Playing, the next
    // frame comes a frame's time after the music starts, and the GPU had better be free.
    if (state == State::SeekingToPause && elapsed == seekFrame) webGlSetFramesHidden(false);
}

void LiveShow::frameDrawn(int32_t elapsed)
{
    lastFrame = elapsed;
    if (seeking()) snapshots.frameRun(elapsed, gShowCore.getLoop());
}

void LiveShow::step()
{
    if (seeking()) {
        seekStep();
    } else if (state == State::Playing) {
        playStep();
    }
    if (state == State::Off || gShowCore.getLoop().running()) return;
    if (looping && !gQuit) {
        // Every pass is the first: the show from its start, with the music from its start.
        seek(0);
        return;
    }
    finish();
}

void LiveShow::seekStep()
{
    FrameLoop& loop = gShowCore.getLoop();
    const double sliceStart = emscripten_get_now();
    while (lastFrame < seekFrame && loop.running() && sliceLeft(sliceStart)) loop.pass();
    if (!loop.running()) return;
    if (lastFrame < seekFrame) {
        if (emscripten_get_now() - seekStartMs > kQuietSeekMs) {
            pageCatchingUp(static_cast<double>(lastFrame - seekFromMs) / (seekFrame - seekFromMs));
        }
        return;
    }
    webGlSetFramesHidden(false);
    pageCatchingUp(1.0);
    pageSeeked(lastFrame);
    if (state == State::SeekingToPlay) {
        startPlaying();
    } else {
        state = State::Paused;
        gShowCore.setPaced(true);
    }
}

void LiveShow::playStep()
{
    // The show waits for its music; the music never waits to catch up.
    if (webMusicWaiting()) return;
    // One pass per animation frame: when less than a frame's time is pending, nothing
    // is drawn and the canvas keeps the last frame.
    if (gShowCore.getLoop().pass()) pageFrameDrawn(++framesDrawn, lastFrame);
}

void LiveShow::startPlaying()
{
    // The music starts at the last frame's time, and the next frame is drawn once the
    // music has played a frame's time further.
    state = State::Playing;
    liveBase = gShowCore.getLoop().getElapsed();
    webReleaseMusic(static_cast<int>(liveBase));
    ticksAtSwitch = SDL_GetTicks();
    gShowCore.setPaced(true);
}

void LiveShow::askForIdleTime()
{
    if (idleAsked) return;
    idleAsked = true;
    requestIdleTime();
}

void LiveShow::finish()
{
    const int32_t elapsed = static_cast<int32_t>(gShowCore.getLoop().getElapsed());
    const int32_t length = gShowCore.getLength();
    state = State::Off;
    gShowCore.shutDown();
    pageShowEnded(elapsed, length);
}
