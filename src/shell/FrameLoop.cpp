#include "shell/FrameLoop.h"

#include "scenes/SceneFrame.h"
#include "shell/Keyboard.h"
#include "shell/Renderer.h"
#include "timeline/Timeline.h"

#include <SDL.h>

namespace {

constexpr int kEscapeKey = SDLK_ESCAPE;
constexpr float kFullTurn = 360.0f;
constexpr int kEventBatch = 16;

Uint32 sdlTicks(void* /*context*/) { return SDL_GetTicks(); }

// A quit request (window close, SIGINT, SIGTERM) waiting in the queue; peeking leaves the
// key state as the last pump made it.
bool quitRequested() { return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUITMASK) > 0; }

// Empties the queue of everything but a quit request, which would otherwise find no room
// once the queue filled up. Returns whether Escape went down meanwhile: a tap shorter than
// a frame is over before the next look at the key state and would go unseen.
bool drainEventsButQuit()
{
    bool escapePressed = false;
    SDL_Event events[kEventBatch];
    int count = 0;
    while ((count = SDL_PeepEvents(events, kEventBatch, SDL_GETEVENT,
                                   SDL_ALLEVENTS & ~SDL_QUITMASK)) > 0) {
        for (int i = 0; i < count; ++i) {
            escapePressed |=
                events[i].type == SDL_KEYDOWN && events[i].key.keysym.sym == kEscapeKey;
        }
    }
    return escapePressed;
}

}  // namespace

LoopHooks realTimeHooks()
{
    LoopHooks hooks;
    hooks.ticks = sdlTicks;
    return hooks;
}

bool quitAsked()
{
    SDL_PumpEvents();
    const bool escapePressed = drainEventsButQuit();
    return escapePressed || gKeyboard.isKeyDown(kEscapeKey) || quitRequested();
}

void runFrameLoop(const Timeline& timeline, const LoopHooks& hooks)
{
    FrameLoop loop(timeline, hooks);
    loop.start();
    while (loop.running()) loop.pass();
}

FrameLoop::FrameLoop(const Timeline& timeline, const LoopHooks& hooks)
    : timeline(timeline), hooks(hooks), length(static_cast<Uint32>(timeline.getLength()))
{
}

void FrameLoop::start()
{
    elapsed = 0;
    pending = 0;
    escapePressed = false;
    anyFrameShown = false;
    startTicks = hooks.ticks(hooks.context);
}

void FrameLoop::moveTo(const Position& at)
{
    startTicks = at.startTicks;
    elapsed = at.elapsed;
    pending = at.pending;
    escapePressed = at.escapePressed;
}

bool FrameLoop::running() const { return elapsed < length && !gQuit; }

bool FrameLoop::pass()
{
    // Unsigned arithmetic: a tick counter wrapping past 2^32 changes nothing.
    const Uint32 now = hooks.ticks(hooks.context) - startTicks;
    pending += now - elapsed;
    elapsed = now;
    if (pending <= kFrameMs) return false;
    // A frame pays for 20 ms; a debt left by slow frames is paid back to back.
    pending -= kFrameMs;
    if (hooks.frameStarting != nullptr) hooks.frameStarting(elapsed, hooks.context);
    if (hooks.readsInput) {
        if (gKeyboard.isKeyDown(kEscapeKey) || escapePressed || quitRequested()) gQuit = true;
        SDL_PumpEvents();
        escapePressed = drainEventsButQuit();
    }
    gRenderer.clear();
    timeline.update(static_cast<int32_t>(elapsed));
    if (gRotation >= kFullTurn) gRotation -= kFullTurn;
    if (hooks.frameDrawn != nullptr) hooks.frameDrawn(elapsed, hooks.context);
    if (!anyFrameShown && hooks.firstFrameReady != nullptr) {
        hooks.firstFrameReady(elapsed, hooks.context);
        startTicks = hooks.ticks(hooks.context) - elapsed;
    }
    anyFrameShown = true;
    gRenderer.swap();
    return true;
}
