// The paced frame loop driven by a fake clock: which frames are drawn, with which
// elapsed time, and what ends the loop.
#include "TestSupport.h"
#include "scenes/SceneFrame.h"
#include "shell/FrameLoop.h"
#include "timeline/Timeline.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <vector>

namespace {

// A clock under the test's control: every read advances it by `step`, and a drawn
// frame costs `frameCost` more (set per frame by the test).
struct FakeClock {
    Uint32 now = 0;
    Uint32 step = 1;
    Uint32 frameCost = 0;
    long reads = 0;
    std::vector<Uint32> frames;      // elapsed of every drawn frame
    std::vector<long> readsAtFrame;  // clock reads made when each frame was drawn
    void (*onFrame)(FakeClock&) = nullptr;
};

Uint32 fakeTicks(void* context)
{
    auto* clock = static_cast<FakeClock*>(context);
    ++clock->reads;
    const Uint32 value = clock->now;
    clock->now += clock->step;
    return value;
}

void fakeFrameDrawn(Uint32 elapsed, void* context)
{
    auto* clock = static_cast<FakeClock*>(context);
    clock->frames.push_back(elapsed);
    clock->readsAtFrame.push_back(clock->reads);
    clock->now += clock->frameCost;
    if (clock->onFrame != nullptr) clock->onFrame(*clock);
}

LoopHooks hooksFor(FakeClock& clock)
{
    LoopHooks hooks;
    hooks.ticks = fakeTicks;
    hooks.frameDrawn = fakeFrameDrawn;
    hooks.context = &clock;
    return hooks;
}

std::vector<int> gScenesRun;  // which test scene drew each frame (1 or 2)

void firstScene(float) { gScenesRun.push_back(1); }
void secondScene(float) { gScenesRun.push_back(2); }
void spinningScene(float) { gRotation += 2.0f; }

class FrameLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetTimeline();
        timeline = new Timeline();
        Track* track = timeline->addTrack(0);
        track->addClip(1, 2000, firstScene, Constant, 1.0f);
        track->addClip(2000, 85500, secondScene, Constant, 1.0f);
        gScenesRun.clear();
        gScenesRun.reserve(100000);  // the test's own bookkeeping must not count as the loop's
        gQuit = false;
        gRotation = 0.0f;
    }
    void TearDown() override
    {
        gQuit = false;
        SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 0;
    }
    Timeline* timeline = nullptr;
};

TEST_F(FrameLoop, FirstFrameComesAtTwentyOneMilliseconds)
{
    FakeClock clock;
    clock.now = 5000;  // the loop measures from its own start
    clock.onFrame = [](FakeClock&) { gQuit = true; };
    runFrameLoop(*timeline, hooksFor(clock));
    ASSERT_EQ(clock.frames.size(), 1u);
    EXPECT_EQ(clock.frames[0], 21u);
    EXPECT_EQ(gScenesRun, std::vector<int>{1});
    // Fast machine: 50 frames a second, one every 20 ms.
    clock = FakeClock();
    gQuit = false;
    clock.onFrame = [](FakeClock& c) { gQuit = c.frames.size() == 5; };
    runFrameLoop(*timeline, hooksFor(clock));
    EXPECT_EQ(clock.frames, (std::vector<Uint32>{21, 41, 61, 81, 101}));
}

TEST_F(FrameLoop, SlowFramesDrawOnePerPassAndChangeClipOnTime)
{
    FakeClock clock;
    clock.frameCost = 49;  // with the pass's own read, 50 ms a frame
    clock.onFrame = [](FakeClock& c) { gQuit = c.frames.back() >= 2100; };
    runFrameLoop(*timeline, hooksFor(clock));
    for (size_t i = 1; i < clock.readsAtFrame.size(); ++i) {
        EXPECT_EQ(clock.readsAtFrame[i] - clock.readsAtFrame[i - 1], 1) << i;
    }
    size_t change = 0;
    while (clock.frames[change] < 2000) ++change;
    EXPECT_EQ(gScenesRun[change - 1], 1);
    EXPECT_EQ(gScenesRun[change], 2);
}

TEST_F(FrameLoop, DebtOfASlowFrameIsPaidBackToBack)
{
    FakeClock clock;
    clock.onFrame = [](FakeClock& c) {
        c.frameCost = c.frames.size() == 3 ? 1000 : 0;  // the fourth frame takes a second
        gQuit = c.frames.size() == 80;
    };
    runFrameLoop(*timeline, hooksFor(clock));
    // Before the slow frame: 20 ms apart. After it: one pass per frame (1 ms apart)
    // until no more than 20 ms are pending, then back on the 20 ms grid of the loop's
    // start, as if the slow frame had never been: the debt is not forgiven.
    EXPECT_EQ(clock.frames[3], 81u);
    EXPECT_EQ(clock.frames[4], 1082u);
    size_t i = 5;
    while (clock.frames[i] - clock.frames[i - 1] == 1) ++i;
    EXPECT_GT(i, 50u);  // about 1000 ms of debt paid back at 19 ms a pass
    for (size_t k = i; k < clock.frames.size(); ++k) {
        EXPECT_EQ(clock.frames[k], 20 * (k + 1) + 1) << k;
    }
}

TEST_F(FrameLoop, EscapeEndsTheLoopAfterTheFrameItWasSeenOn)
{
    FakeClock clock;
    clock.onFrame = [](FakeClock& c) {
        if (c.frames.size() == 3) SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 1;
    };
    runFrameLoop(*timeline, hooksFor(clock));
    // Pressed after frame 3: frame 4 sees it, is drawn in full, and is the last.
    EXPECT_EQ(clock.frames.size(), 4u);
    EXPECT_EQ(gScenesRun.size(), 4u);
    EXPECT_TRUE(gQuit);
}

TEST_F(FrameLoop, EscapeTappedBetweenTwoFramesIsSeenToo)
{
    FakeClock clock;
    clock.onFrame = [](FakeClock& c) {
        if (c.frames.size() != 3) return;
        SDL_Event down;  // down and up before the next look at the key state
        down.type = SDL_KEYDOWN;
        down.key.state = SDL_PRESSED;
        down.key.keysym.sym = SDLK_ESCAPE;
        SDL_PushEvent(&down);
    };
    runFrameLoop(*timeline, hooksFor(clock));
    // Queued after frame 3's pump: frame 4's pump finds it, frame 5 is the last.
    EXPECT_EQ(clock.frames.size(), 5u);
    EXPECT_TRUE(gQuit);
    EXPECT_FALSE(SDL_GetKeyState(nullptr)[SDLK_ESCAPE]);
}

TEST_F(FrameLoop, QuitRequestActsLikeEscape)
{
    FakeClock clock;
    clock.onFrame = [](FakeClock& c) {
        if (c.frames.size() == 2) {
            SDL_Event quit;
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
    };
    runFrameLoop(*timeline, hooksFor(clock));
    EXPECT_EQ(clock.frames.size(), 3u);
    EXPECT_EQ(gScenesRun.size(), 3u);
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
}

TEST_F(FrameLoop, FrameAtTheEndRunsNoSceneAndEndsTheLoop)
{
    FakeClock clock;
    clock.onFrame = [](FakeClock& c) {
        if (c.frames.size() == 1) c.now += 85480;  // the next frame lands at or past 85500
    };
    runFrameLoop(*timeline, hooksFor(clock));
    ASSERT_EQ(clock.frames.size(), 2u);
    EXPECT_GE(clock.frames[1], 85500u);
    EXPECT_EQ(gScenesRun, std::vector<int>{1});  // the last frame ran no scene
}

TEST_F(FrameLoop, RotationIsWrappedOncePerFrame)
{
    resetTimeline();
    Timeline* spin = new Timeline();
    spin->addTrack(0)->addClip(1, 85500, spinningScene, Constant, 1.0f);
    FakeClock clock;
    clock.onFrame = [](FakeClock&) { gQuit = true; };
    gRotation = 359.0f;
    runFrameLoop(*spin, hooksFor(clock));
    EXPECT_EQ(gRotation, 1.0f);
    gQuit = false;
    gRotation = 718.0f;
    runFrameLoop(*spin, hooksFor(clock));
    EXPECT_EQ(gRotation, 360.0f);
}

TEST_F(FrameLoop, TickCounterWrapChangesNothing)
{
    FakeClock plain, wrapping;
    wrapping.now = 0xFFFFFFFFu - 50;  // wraps past 2^32 after a few frames
    auto stopAt = [](FakeClock& c) { gQuit = c.frames.size() == 10; };
    plain.onFrame = stopAt;
    wrapping.onFrame = stopAt;
    runFrameLoop(*timeline, hooksFor(plain));
    gQuit = false;
    runFrameLoop(*timeline, hooksFor(wrapping));
    EXPECT_EQ(plain.frames, wrapping.frames);
}

TEST_F(FrameLoop, LoopAllocatesNothing)
{
    FakeClock clock;
    clock.frames.reserve(100);
    clock.readsAtFrame.reserve(100);
    clock.step = 7;
    clock.onFrame = [](FakeClock& c) { gQuit = c.frames.size() == 50; };
    countAllocations(true);
    runFrameLoop(*timeline, hooksFor(clock));
    EXPECT_EQ(countAllocations(false), 0);
    EXPECT_EQ(clock.frames.size(), 50u);
}

}  // namespace
