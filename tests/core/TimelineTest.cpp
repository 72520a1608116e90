// The sequencer: schedule checks and their codes, clip arguments, triggers.
#include "TestSupport.h"
#include "timeline/Timeline.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<float> gCallsA;  // arguments received by sceneA
std::vector<float> gCallsB;
void sceneA(float x) { gCallsA.push_back(x); }
void sceneB(float x) { gCallsB.push_back(x); }

int gTriggerFired = 0;
void onTrigger() { ++gTriggerFired; }

int countClips()
{
    int n = 0;
    for (const Clip* c = Clip::first; c != nullptr; c = c->next) ++n;
    return n;
}

int countTracks()
{
    int n = 0;
    for (const Track* t = Track::first; t != nullptr; t = t->next) ++n;
    return n;
}

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetTimeline();
        gCallsA.clear();
        gCallsB.clear();
        gTriggerFired = 0;
        timeline = new Timeline();
    }
    int codeOf(Track* track, int start, int end)
    {
        try {
            track->addClip(start, end, sceneA, Linear, 1.0f);
        } catch (int code) {
            return code;
        }
        return 0;
    }
    Timeline* timeline = nullptr;
};

TEST_F(TimelineTest, TakenTrackIdThrowsMinusOneAndLeavesTheListAlone)
{
    timeline->addTrack(0);
    timeline->addTrack(3);
    EXPECT_THROW(
        {
            try {
                timeline->addTrack(3);
            } catch (int code) {
                EXPECT_EQ(code, -1);
                throw;
            }
        },
        int);
    EXPECT_EQ(countTracks(), 2);
    EXPECT_EQ(Track::last()->getId(), 3);
}

TEST_F(TimelineTest, OverlapRulesAndCodes)
{
    Track* track = timeline->addTrack(0);
    track->addClip(2000, 6000, sceneA, Linear, 1.0f);
    EXPECT_EQ(codeOf(track, 6000, 12000), 0);  // abutting after
    EXPECT_EQ(codeOf(track, 5999, 7000), -4);
    EXPECT_EQ(codeOf(track, 1000, 2001), -4);
    EXPECT_EQ(codeOf(track, 1000, 2000), 0);  // abutting before
    EXPECT_EQ(codeOf(track, 3000, 3000), -4);
    EXPECT_EQ(codeOf(track, -1, 10), -2);
    EXPECT_EQ(codeOf(track, 10, -1), -2);  // negative wins over reversed
    EXPECT_EQ(codeOf(track, 10, 5), -3);
    EXPECT_EQ(countClips(), 3);  // rejected clips never reached the list
    EXPECT_EQ(codeOf(track, 13000, 13000), 0);
}

TEST_F(TimelineTest, ClipSpanningAnotherIsAcceptedAndBothRun)
{
    Track* track = timeline->addTrack(0);
    track->addClip(2000, 6000, sceneA, Constant, 1.0f);
    track->addClip(1000, 7000, sceneB, Constant, 2.0f);
    timeline->update(2000);
    timeline->update(5999);
    EXPECT_EQ(gCallsA.size(), 2u);
    EXPECT_EQ(gCallsB, (std::vector<float>{2.0f, 2.0f}));
}

TEST_F(TimelineTest, EmptyClipNeverRunsAndEqualClipsOnTwoTracksBothRun)
{
    Track* zero = timeline->addTrack(0);
    Track* one = timeline->addTrack(1);
    zero->addClip(7000, 7000, sceneA, Constant, 1.0f);
    timeline->update(7000);
    EXPECT_TRUE(gCallsA.empty());
    zero->addClip(100, 200, sceneA, Constant, 1.0f);
    one->addClip(100, 200, sceneB, Constant, 1.0f);
    timeline->update(150);
    EXPECT_EQ(gCallsA.size(), 1u);
    EXPECT_EQ(gCallsB.size(), 1u);
}

TEST_F(TimelineTest, LengthIsRaisedNeverLowered)
{
    Track* track = timeline->addTrack(0);
    track->addClip(2000, 6000, sceneA, Linear, 1.0f);
    track->addClip(0, 500, sceneA, Linear, 1.0f);
    EXPECT_EQ(timeline->getLength(), 6000);
    EXPECT_EQ(track->getLatestEnd(), 6000);
}

TEST_F(TimelineTest, EasingArgumentsAtTheClipsEdgesAndInside)
{
    const Easing easings[4] = {Linear, LinearReverse, Cosine, CosineReverse};
    const float at2000[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    const float at3000[4] = {0.25f, 0.75f, 0.14644662f, 0.8535534f};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(easedArgument(easings[i], 9.0f, 2000, 6000, 2000), at2000[i]);
        EXPECT_EQ(easedArgument(easings[i], 9.0f, 2000, 6000, 3000), at3000[i]);
        EXPECT_EQ(easedArgument(easings[i], 9.0f, 2000, 6000, 4000), 0.5f);
    }
    Track* track = timeline->addTrack(0);
    track->addClip(2000, 6000, sceneA, Cosine, 1.0f);
    timeline->update(1999);
    timeline->update(6000);
    EXPECT_TRUE(gCallsA.empty());
    timeline->update(3000);
    EXPECT_EQ(gCallsA, std::vector<float>{0.14644662f});
}

TEST_F(TimelineTest, LongCosineClipReachesExactlyOneAtItsLastMillisecond)
{
    EXPECT_EQ(easedArgument(Cosine, 0.0f, 43000, 84000, 83999), 1.0f);
    EXPECT_LT(easedArgument(Cosine, 0.0f, 43000, 84000, 83000), 1.0f);
    EXPECT_EQ(easedArgument(CosineReverse, 0.0f, 43000, 84000, 43000), 1.0f);
}

TEST_F(TimelineTest, UnknownEasingsActAsConstant)
{
    Track* track = timeline->addTrack(0);
    track->addClip(0, 100, sceneA, static_cast<Easing>(7), 0.25f);
    track->addClip(100, 200, sceneA, static_cast<Easing>(-1), 0.75f);
    track->addClip(200, 300, sceneA, Constant, 1.0f);
    timeline->update(50);
    timeline->update(150);
    timeline->update(299);
    EXPECT_EQ(gCallsA, (std::vector<float>{0.25f, 0.75f, 1.0f}));
}

TEST_F(TimelineTest, TriggerFiresOnceOnTheFirstLaterTime)
{
    Trigger trigger{nullptr, onTrigger, 100, false};
    Trigger::append(&trigger);
    timeline->update(100);
    EXPECT_EQ(gTriggerFired, 0);
    timeline->update(101);
    EXPECT_EQ(gTriggerFired, 1);
    timeline->update(102);
    timeline->update(5000);
    EXPECT_EQ(gTriggerFired, 1);
    EXPECT_TRUE(trigger.fired);
}

}  // namespace
