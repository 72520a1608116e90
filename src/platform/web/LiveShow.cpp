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
    // Time 0 is a fresh run's: the start is a seek to ?t='s moment that then plays.
    phase = Phase::Seeking;
    playAfterSeek = true;
    target = fromMs;
    seekFromMs = 0;
    seekStartMs = emscripten_get_now();
    onGrid = true;
    lastFrame = 0;
    lastFrameShown = false;
    framesDrawn = 0;
    LoopHooks hooks;
    hooks.ticks = readClock;
    hooks.frameStarting = onFrameStarting;
    hooks.frameDrawn = onFrameDrawn;
    hooks.context = this;
    loopStarting = true;
    gShowCore.makeLoop(hooks);
    loopStarting = false;
    const bool framesToRun = fromMs >= kFirstFrameMs;
    if (framesToRun) webGlSetFramesHidden(true);
    gShowCore.callBack(onStep, this, !framesToRun);
    active = true;
    return 0;
}

void LiveShow::stop()
{
    if (!active) return;
    active = false;
    gShowCore.shutDown();
}

void LiveShow::end()
{
    if (active) finish();
}

void LiveShow::pause()
{
    if (!active) return;
    if (phase == Phase::Playing) {
        phase = Phase::Paused;
        webPauseMusic();
    } else if (phase == Phase::Seeking) {
        playAfterSeek = false;
    }
}

void LiveShow::resume()
{
    if (!active) return;
    if (phase == Phase::Paused) {
        startPlaying();
    } else if (phase == Phase::Seeking) {
        playAfterSeek = true;
    }
}

void LiveShow::seek(int32_t ms)
{
    if (!active) return;
    playAfterSeek = phase == Phase::Playing || (phase == Phase::Seeking && playAfterSeek);
    if (phase == Phase::Playing) webPauseMusic();
    // Paused at the very start, the picture is the first frame.
    const int32_t first = playAfterSeek ? 0 : kFirstFrameMs;
    target = std::clamp(ms, first, gShowCore.getLength() - 1);
    // Onward from the current frame only when the frames so far are the capture's, and the
    // moment's frame is still to come or already on the canvas.
    const bool onward = onGrid && target >= lastFrame && (target >= nextFrame() || lastFrameShown);
    phase = Phase::Seeking;
    if (!onward) rewind();
    seekFromMs = lastFrame;
    seekStartMs = emscripten_get_now();
    webGlSetFramesHidden(true);
    gShowCore.setPaced(false);
    // The first slice at once: a short seek is drawn before the input's handler returns.
    seekStep();
}

int32_t LiveShow::nextFrame() const
{
    return lastFrame == 0 ? kFirstFrameMs : lastFrame + kFrameStepMs;
}

Uint32 LiveShow::clock()
{
    // Seeking, the virtual clock reads each frame's time in turn: the frames fall where one
    // ms per reading puts them, without the twenty passes that draw nothing between them.
    if (phase == Phase::Seeking) return loopStarting ? 0 : static_cast<Uint32>(nextFrame());
    return liveBase + (SDL_GetTicks() - ticksAtSwitch);
}

void LiveShow::frameStarting(int32_t elapsed)
{
    // Paused, the seek shows the last frame at or before the moment. Playing, the next
    // frame comes a frame's time after the music starts, and the GPU had better be free.
    const bool seekShows = !playAfterSeek && elapsed + kFrameStepMs > target;
    lastFrameShown = phase != Phase::Seeking || seekShows;
    if (phase == Phase::Seeking && lastFrameShown) webGlSetFramesHidden(false);
}

void LiveShow::frameDrawn(int32_t elapsed) { lastFrame = elapsed; }

void LiveShow::step()
{
    if (phase == Phase::Seeking) {
        seekStep();
    } else if (phase == Phase::Playing) {
        playStep();
    }
    if (!active || gShowCore.getLoop().running()) return;
    if (looping && !gQuit) {
        // Every pass is the first: a fresh run from 0, with the music from its start.
        seek(0);
        return;
    }
    finish();
}

void LiveShow::seekStep()
{
    FrameLoop& loop = gShowCore.getLoop();
    const double sliceStart = emscripten_get_now();
    const auto done = [this] { return target < nextFrame(); };
    while (!done() && loop.running() && sliceLeft(sliceStart)) loop.pass();
    if (!loop.running()) return;
    if (!done()) {
        if (emscripten_get_now() - seekStartMs > kQuietSeekMs) {
            pageCatchingUp(static_cast<double>(lastFrame - seekFromMs) / (target - seekFromMs));
        }
        return;
    }
    webGlSetFramesHidden(false);
    pageCatchingUp(1.0);
    pageSeeked(lastFrame);
    if (playAfterSeek) {
        startPlaying();
    } else {
        phase = Phase::Paused;
        gShowCore.setPaced(true);
    }
}

void LiveShow::playStep()
{
    // The show waits for its music; the music never waits to catch up.
    if (webMusicWaiting()) return;
    onGrid = false;  // the live clock's frames fall where the screen's pace puts them
    // One pass per animation frame: when less than a frame's time is pending, nothing
    // is drawn and the canvas keeps the last frame.
    if (gShowCore.getLoop().pass()) pageFrameDrawn(++framesDrawn, lastFrame);
}

void LiveShow::startPlaying()
{
    // The music starts at the last frame's time, and the next frame is drawn once the
    // music has played a frame's time further.
    phase = Phase::Playing;
    liveBase = gShowCore.getLoop().getElapsed();
    webReleaseMusic(static_cast<int>(liveBase));
    ticksAtSwitch = SDL_GetTicks();
    gShowCore.setPaced(true);
}

void LiveShow::rewind()
{
    rewindShow();
    lastFrame = 0;
    lastFrameShown = false;
    onGrid = true;
    loopStarting = true;
    gShowCore.getLoop().start();
    loopStarting = false;
}

void LiveShow::finish()
{
    const int32_t elapsed = static_cast<int32_t>(gShowCore.getLoop().getElapsed());
    const int32_t length = gShowCore.getLength();
    active = false;
    gShowCore.shutDown();
    pageShowEnded(elapsed, length);
}
