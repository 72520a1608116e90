// Stills: a fast-forwarded still is the frame a full render gives, the stills match the
// committed reference frames, and the metric rejects wrong frames.
#include "CaptureHarness.h"
#include "FrameDiff.h"
#include "PngFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace {

// Elapsed time of the frame on screen at `ms`: frames are drawn at 21, 41, 61, ... ms.
int frameShownAt(int ms) { return 21 + (ms - 21) / 20 * 20; }

std::string joinTimes(const std::vector<int>& times)
{
    std::string list;
    for (int ms : times) list += (list.empty() ? "" : ",") + std::to_string(ms);
    return list;
}

std::string textValue(const PngText& text, const std::string& key)
{
    for (const auto& entry : text) {
        if (entry.first == key) return entry.second;
    }
    return "";
}

TEST(FastForward, StillIsTheFrameOfAFullRender)
{
    // One frame in the spin, one after 15 frames of fountain: the spin angle, the emitter's
    // wander and every particle respawn (with its random draws) feed into them.
    const std::vector<int> times = {6501, 12301};
    TempDir fast, full;
    RunResult result = runCapture({"--at", joinTimes(times), "--out", fast.path()});
    ASSERT_EQ(result.status, 0) << result.err;
    result = runCapture({"--at", joinTimes(times), "--out", full.path(), "--full"});
    ASSERT_EQ(result.status, 0) << result.err;
    for (int ms : times) {
        SCOPED_TRACE(ms);
        const RgbImage skipped = loadFrame(stillPath(fast.path(), ms));
        const RgbImage drawn = loadFrame(stillPath(full.path(), ms));
        EXPECT_TRUE(hasContent(drawn));
        EXPECT_EQ(skipped.width, drawn.width);
        EXPECT_EQ(skipped.height, drawn.height);
        EXPECT_TRUE(skipped.pixels == drawn.pixels) << compareFrames(skipped, drawn).describe();
    }
}

TEST(FastForward, SecondPassOfALoopRepeatsTheFirst)
{
    // The opening still draws with the GL state the frame before left; the fountain draws
    // from rand(). Pass 2 (--loop) must give the same frames at the same moments.
    constexpr int kShowMs = 85500;
    const std::vector<int> moments = {1000, 14000, 60000};
    std::vector<int> times = moments;
    for (int ms : moments) times.push_back(kShowMs + ms);
    TempDir out, control;
    RunResult result = runCapture({"--loop", "--at", joinTimes(times), "--out", out.path()});
    ASSERT_EQ(result.status, 0) << result.err;
    for (int ms : moments) {
        SCOPED_TRACE(ms);
        const RgbImage first = loadFrame(stillPath(out.path(), ms));
        const RgbImage second = loadFrame(stillPath(out.path(), kShowMs + ms));
        EXPECT_TRUE(hasContent(first));
        EXPECT_TRUE(first.pixels == second.pixels) << compareFrames(first, second).describe();
    }
    // The control: with srand a no-op the rewind cannot restart the sequence, and pass 2's
    // fountain (and landscape) come out otherwise.
    RunSetting noReset;
    noReset.environment = {"LD_PRELOAD=" NO_SRAND_LIBRARY};
    // Under AddressSanitizer a preloaded library comes before its runtime, which it refuses
    // unless told the order is meant.
    const char* asanOptions = std::getenv("ASAN_OPTIONS");
    noReset.environment.push_back(std::string("ASAN_OPTIONS=") +
                                  (asanOptions ? std::string(asanOptions) + ":" : "") +
                                  "verify_asan_link_order=0");
    result =
        runCapture({"--loop", "--at", std::to_string(kShowMs + 14000), "--out", control.path()},
                   noReset);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(loadFrame(stillPath(control.path(), kShowMs + 14000)).pixels ==
                 loadFrame(stillPath(out.path(), 14000)).pixels);
}

// The golden times, rendered once for the suite.
class GoldenFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::ifstream list(goldenDir() + "/times.txt");
        for (int ms = 0; list >> ms;) times.push_back(ms);
        rendered = std::make_unique<TempDir>();
        result = runCapture({"--at", joinTimes(times), "--out", rendered->path()});
    }
    static void TearDownTestSuite() { rendered.reset(); }

    void SetUp() override
    {
        ASSERT_GE(times.size(), 12u);
        ASSERT_EQ(result.status, 0) << result.err;
    }

    static RgbImage still(int ms) { return loadFrame(stillPath(rendered->path(), ms)); }

    // The references hold when they were made from the images in data/ now.
    static bool referencesFitData(std::string* why)
    {
        ChildProcess check;
        ChildProcess::Options options;
        options.silenceOutput = true;
        options.workingDirectory = sourceRoot();
        std::string error;
        if (!check.start({"sha256sum", "--check", "--quiet", goldenDir() + "/data.sha256"}, options,
                         &error) ||
            check.wait() != 0) {
            *why = "the reference frames in tests/capture/golden were made from other images "
                   "than those in data/; after an intended change of art, regenerate them with "
                   "tests/capture/regenerate-golden.sh";
            return false;
        }
        return true;
    }

    static std::vector<int> times;
    static std::unique_ptr<TempDir> rendered;
    static RunResult result;
};

std::vector<int> GoldenFrames::times;
std::unique_ptr<TempDir> GoldenFrames::rendered;
RunResult GoldenFrames::result;

TEST_F(GoldenFrames, StillsMatchTheReferences)
{
    std::string why;
    if (!referencesFitData(&why)) GTEST_SKIP() << why;
    for (int ms : times) {
        SCOPED_TRACE(ms);
        const RgbImage frame = still(ms);
        EXPECT_TRUE(hasContent(frame));
        const FrameDifference difference =
            compareFrames(frame, loadFrame(stillPath(goldenDir(), ms)));
        EXPECT_TRUE(difference.withinTolerance()) << difference.describe();
    }
}

TEST_F(GoldenFrames, EachStillIsTheFrameOnScreenAtItsTime)
{
    for (int ms : times) {
        SCOPED_TRACE(ms);
        RgbImage frame;
        PngText text;
        std::string error;
        ASSERT_TRUE(readPng(stillPath(rendered->path(), ms), &frame, &error, &text)) << error;
        EXPECT_EQ(frame.width, 800);
        EXPECT_EQ(frame.height, 600);
        EXPECT_EQ(textValue(text, "Elapsed"), std::to_string(frameShownAt(ms)));
        EXPECT_EQ(textValue(text, "Requested"), std::to_string(ms));
    }
}

// The metric must be able to fail: the still of the neighbouring stage is not the frame.
TEST_F(GoldenFrames, NeighbouringStageIsRejected)
{
    const std::map<int, int> neighbours = {
        {1000, 4000},    // the still and the zoom: background and fog
        {22000, 23000},  // the two credits images
        {31000, 34000},  // one cube and five
        {34000, 40000},  // five cubes and seven
        {50000, 56000},  // the first and second greeting
        {80000, 85000},  // the ring and the closing still
    };
    for (const auto& pair : neighbours) {
        SCOPED_TRACE(std::to_string(pair.first) + " against " + std::to_string(pair.second));
        const FrameDifference difference = compareFrames(still(pair.first), still(pair.second));
        EXPECT_FALSE(difference.withinTolerance()) << difference.describe();
    }
}

// ...and a frame drawn with a swapped texture is not the frame either.
TEST_F(GoldenFrames, SwappedTextureIsRejected)
{
    TempDir swapped, out;
    makeDataRoot(swapped, {{"credits0.bmp", "credits1.bmp"}, {"credits1.bmp", "credits0.bmp"}});
    const RunResult run =
        runCapture({"--at", "22000", "--root", swapped.path(), "--out", out.path()});
    ASSERT_EQ(run.status, 0) << run.err;
    const FrameDifference difference =
        compareFrames(loadFrame(stillPath(out.path(), 22000)), still(22000));
    EXPECT_FALSE(difference.withinTolerance()) << difference.describe();
}

}  // namespace
