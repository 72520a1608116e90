#include "ShowSnapshot.h"

#include "offline/ShowFrames.h"
#include "platform/gl11/GlEntryPoints.h"
#include "platform/sdl12/SharedRandom.h"
#include "scenes/SceneFrame.h"

#include <emscripten.h>

ShowSnapshot::ShowSnapshot(const FrameLoop& loop)
    : random(sharedRandom()), particles(gParticles), emitterPhaseX(gEmitterPhaseX),
      emitterPhaseY(gEmitterPhaseY), rotation(gRotation), camera(gCamera), gl(gFixedFunction),
      loopAt(loop.position())
{
}

void ShowSnapshot::restore(FrameLoop& loop) const
{
    sharedRandom() = random;
    gParticles = particles;
    gEmitterPhaseX = emitterPhaseX;
    gEmitterPhaseY = emitterPhaseY;
    gRotation = rotation;
    gCamera = camera;
    gFixedFunction.restore(gl);
    loop.moveTo(loopAt);
}

size_t ShowSnapshot::bytes() const
{
    // The GL state's stacks and texture list live on the heap.
    const size_t matrices = static_cast<size_t>(gl.modelviewDepth() + gl.projectionDepth());
    return sizeof *this + matrices * sizeof(Matrix) +
           gl.textures().size() * sizeof gl.textures().front();
}

namespace {

// Frames of the virtual clock up to and including `ms`.
int32_t framesAtOrBefore(int32_t ms)
{
    return ms < kFirstFrameMs ? 0 : (ms - kFirstFrameMs) / kFrameStepMs + 1;
}

}  // namespace

void ShowSnapshots::startWith(const ShowSnapshot& start, int32_t lengthMs)
{
    const int32_t frames = framesBefore(lengthMs);
    slots.assign(static_cast<size_t>(frames / kSnapshotFrames + 1), std::nullopt);
    slots[0] = start;
    firstMissing = 1;
    cursor.reset();
}

void ShowSnapshots::frameRun(int32_t elapsed, const FrameLoop& loop)
{
    const int32_t frames = framesAtOrBefore(elapsed);
    if (frames % kSnapshotFrames != 0 || gQuit) return;
    const size_t slot = static_cast<size_t>(frames / kSnapshotFrames);
    if (slot < slots.size() && !slots[slot]) slots[slot].emplace(loop);
}

const ShowSnapshot& ShowSnapshots::latestAtOrBefore(int32_t ms) const
{
    size_t slot = static_cast<size_t>(framesAtOrBefore(ms) / kSnapshotFrames);
    if (slot >= slots.size()) slot = slots.size() - 1;
    while (!slots[slot]) --slot;  // slot 0, the start, is always there
    return *slots[slot];
}

bool ShowSnapshots::fill(double budgetMs, const Timeline& timeline, FrameLoop& liveLoop)
{
    while (firstMissing < slots.size() && slots[firstMissing]) ++firstMissing;
    if (firstMissing >= slots.size() || gQuit) return false;
    const double startMs = emscripten_get_now();
    const ShowSnapshot live(liveLoop);
    const bool wasHidden = gFixedFunction.hidden;
    gFixedFunction.hidden = true;
    LoopHooks hooks;
    hooks.ticks = readClock;
    hooks.frameDrawn = onFrameDrawn;
    hooks.context = this;
    hooks.readsInput = false;
    FrameLoop loop(timeline, hooks);
    fillLoop = &loop;
    // On from where the last fill stopped, or from a later snapshot a seek has taken.
    const ShowSnapshot& latest = *slots[firstMissing - 1];
    if (!cursor || cursor->elapsedMs() < latest.elapsedMs()) cursor = latest;
    cursor->restore(loop);
    fillClock = static_cast<Uint32>(cursor->elapsedMs()) + 1;
    // Frame by frame, so that the page gets its time back when it was promised.
    while (loop.running() && firstMissing < slots.size()) {
        if (loop.pass()) {
            while (firstMissing < slots.size() && slots[firstMissing]) ++firstMissing;
            if (emscripten_get_now() - startMs >= budgetMs) break;
        }
    }
    if (!loop.running()) firstMissing = slots.size();  // the show's end: nothing after it
    cursor.emplace(loop);
    fillLoop = nullptr;
    live.restore(liveLoop);
    gFixedFunction.hidden = wasHidden;
    return firstMissing < slots.size();
}

int32_t ShowSnapshots::count() const
{
    int32_t taken = 0;
    for (const auto& slot : slots) taken += slot ? 1 : 0;
    return taken;
}

size_t ShowSnapshots::bytes() const
{
    size_t total = slots.capacity() * sizeof slots.front();
    for (const auto& slot : slots) {
        if (slot) total += slot->bytes() - sizeof *slot;
    }
    return total;
}

void ShowSnapshots::corruptRandom()
{
    for (auto& slot : slots) {
        if (slot) slot->skipRandomDraw();
    }
    if (cursor) cursor->skipRandomDraw();
}

Uint32 ShowSnapshots::readClock(void* snapshots)
{
    return static_cast<ShowSnapshots*>(snapshots)->fillClock++;
}

void ShowSnapshots::onFrameDrawn(Uint32 elapsed, void* snapshots)
{
    auto* self = static_cast<ShowSnapshots*>(snapshots);
    self->frameRun(static_cast<int32_t>(elapsed), *self->fillLoop);
}
