#include "offline/OfflineRun.h"

#include "offline/ShowFrames.h"
#include "offline/Stopwatch.h"

namespace {

constexpr double kNsPerMs = 1e6;

}  // namespace

OfflineRun::OfflineRun(const Program& program) : program(program) {}

void OfflineRun::wantStill(int32_t ms) { wanted.insert(frameShownAt(ms)); }

void OfflineRun::measureCosts(int32_t endMs)
{
    frameCosts = std::make_unique<FrameCosts>();
    costsEndMs = endMs;
}

LoopHooks OfflineRun::hooks()
{
    LoopHooks hooks;
    hooks.ticks = readClock;
    hooks.frameStarting = onFrameStarting;
    hooks.frameDrawn = onFrameDrawn;
    hooks.context = this;
    return hooks;
}

void OfflineRun::begin() { runStartNs = Stopwatch::nowNs(); }

void OfflineRun::stop()
{
    stopped = true;
    gQuit = true;
}

void OfflineRun::end()
{
    if (hidden) program.hideFrames(false);
    hidden = false;
}

double OfflineRun::wallMs() const { return (Stopwatch::nowNs() - runStartNs) / kNsPerMs; }

Uint32 OfflineRun::readClock(void* run) { return static_cast<OfflineRun*>(run)->clock++; }

void OfflineRun::onFrameStarting(Uint32 elapsed, void* run)
{
    static_cast<OfflineRun*>(run)->frameStarting(static_cast<int32_t>(elapsed));
}

void OfflineRun::onFrameDrawn(Uint32 elapsed, void* run)
{
    static_cast<OfflineRun*>(run)->frameDrawn(static_cast<int32_t>(elapsed));
}

void OfflineRun::frameStarting(int32_t elapsed)
{
    if (!wanted.empty() && program.hideFrames != nullptr) {
        const bool show = wanted.count(elapsed) != 0;
        if (hidden == show) {
            hidden = !show;
            program.hideFrames(hidden);
        }
    }
    frameStartNs = Stopwatch::nowNs();
}

void OfflineRun::frameDrawn(int32_t elapsed)
{
    ++frames;
    lastFrameMs = elapsed;
    if (frameCosts) {
        if (program.finishFrame != nullptr) program.finishFrame(program.context);
        frameCosts->add(elapsed, (Stopwatch::nowNs() - frameStartNs) / kNsPerMs);
    }
    if (program.frameDrawn != nullptr) program.frameDrawn(elapsed, program.context);
    if (!wanted.empty() && elapsed == lastWantedFrame()) stop();
    if (frameCosts && elapsed + kFrameStepMs >= costsEndMs) stop();
}
