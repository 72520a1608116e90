// The capture program's interface: help, bad arguments, missing data, and its own
// virtual display, which must be gone after a normal end, an error and a Ctrl-C.
#include "CaptureHarness.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>

namespace {

constexpr int kUsageStatus = 2;
constexpr int kFailureStatus = 1;
constexpr int kInterruptedStatus = 130;
constexpr int kExitTimeoutMs = 60000;

// One line on stderr, naming the program.
void expectOneErrorLine(const RunResult& result)
{
    EXPECT_EQ(result.err.rfind("quorvane-capture: ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
}

bool fileExists(const std::string& path) { return std::ifstream(path).good(); }

TEST(CaptureCommandLine, HelpNamesEveryModeAndOption)
{
    const RunResult result = runCapture({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.err.empty()) << result.err;
    EXPECT_EQ(result.out.rfind("Usage: quorvane-capture", 0), 0u) << result.out;
    for (const char* option :
         {"--at", "--video", "--bench", "--out", "--root", "--until", "--full", "--size",
          "--samples", "--pad", "--lossless", "--no-cache", "--loop", "1440x1080", "2880x2160"}) {
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
    }
}

TEST(CaptureCommandLine, BadArgumentsGetOneLineAndStatusTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},                                          // no mode
        {"--at"},                                    // missing value
        {"--at", "abc"},                             // not a number
        {"--at", "1000,"},                           // empty item
        {"--at", "20"},                              // before the first frame
        {"--at", "-5"},                              // negative
        {"--at", "1000", "--bench"},                 // two modes
        {"--bench", "--until", "21"},                // nothing to run
        {"--at", "1000", "--until", "2000"},         // --until does not apply to stills
        {"--frobnicate"},                            // unknown
        {"--help=yes"},                              // value where none is taken
        {"--bench", "--size", "1920x1080"},          // not 4:3: would stretch the picture
        {"--bench", "--size", "800"},                // no height
        {"--bench", "--size", "0x0"},                // nothing to draw
        {"--bench", "--size", "-800x-600"},          // negative
        {"--bench", "--size", "7680x5760"},          // beyond the largest
        {"--bench", "--samples", "3"},               // not a power of two
        {"--bench", "--samples", "0"},               // none at all
        {"--bench", "--samples", "32"},              // beyond any GL
        {"--bench", "--lossless"},                   // only a video can be a master
        {"--video", "x.mp4", "--size", "804x603"},   // odd height in yuv420p
        {"--video", "x.mp4", "--pad", "1920x1079"},  // odd height in yuv420p
        {"--video", "x.mp4", "--size", "1440x1080", "--pad", "1280x1080"},  // cuts the picture
        {"--video", "x.mp4", "--pad", "1920"},                              // no height
        {"--at", "1000", "--pad", "1920x1080"},  // stills have no frame to pad
        {"--bench", "--loop"},                   // only stills look into later passes
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const RunResult result = runCapture(args);
        EXPECT_EQ(result.status, kUsageStatus);
        expectOneErrorLine(result);
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
}

// What only the GL knows is checked once it runs: more samples than it can do.
TEST(CaptureCommandLine, SamplesBeyondTheGlGetOneLineAndStatusTwo)
{
    const RunResult result = runCapture({"--bench", "--until", "41", "--samples", "16"});
    if (result.status == 0) GTEST_SKIP() << "this GL does 16 samples";
    EXPECT_EQ(result.status, kUsageStatus);
    expectOneErrorLine(result);
    EXPECT_NE(result.err.find("--samples 16 is more than"), std::string::npos) << result.err;
}

TEST(CaptureCommandLine, TimesBeyondTheShowAreRejectedByItsOwnLength)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--at", "85500"}, {"--bench", "--until", "85501"}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const RunResult result = runCapture(args);
        EXPECT_EQ(result.status, kUsageStatus);
        EXPECT_NE(result.err.find("quorvane-capture: "), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("85500 ms"), std::string::npos) << result.err;
    }
    // Looped, the second pass's first frame is at 85500 + 21 ms.
    const RunResult result = runCapture({"--loop", "--at", "85520"});
    EXPECT_EQ(result.status, kUsageStatus);
    EXPECT_EQ(result.err, "quorvane-capture: --at 85520 falls before the first frame of pass 2, "
                          "at 85521 ms\n");
}

TEST(CaptureCommandLine, MissingFoldersFailBeforeAnythingStarts)
{
    TempDir empty;
    RunResult result = runCapture({"--at", "1000", "--root", empty.path()});
    EXPECT_EQ(result.status, kFailureStatus);
    expectOneErrorLine(result);
    EXPECT_NE(result.err.find("no data/ folder"), std::string::npos) << result.err;

    result = runCapture({"--at", "1000", "--out", empty.file("absent")});
    EXPECT_EQ(result.status, kFailureStatus);
    expectOneErrorLine(result);

    // A data folder without the soundtrack cannot make a video.
    TempDir noMusic;
    makeDataRoot(noMusic, {});
    std::remove(noMusic.file("data/quorvane.mp3").c_str());
    result = runCapture({"--video", empty.file("x.mp4"), "--root", noMusic.path()});
    EXPECT_EQ(result.status, kFailureStatus);
    expectOneErrorLine(result);
    EXPECT_NE(result.err.find("quorvane.mp3"), std::string::npos) << result.err;
}

TEST(CaptureDisplay, StartsItsOwnXvfbWithoutDisplayAndStopsIt)
{
    TempDir out;
    ChildProcess child;
    std::string error;
    // Output paths given relative to the folder the program starts in, with --root elsewhere.
    RunSetting setting;
    setting.withoutDisplay = true;
    setting.workingDirectory = out.path();
    ASSERT_TRUE(
        startCapture(&child, {"--at", "21", "--root", sourceRoot(), "--out", "."}, setting, &error))
        << error;
    const pid_t owner = child.pid;
    std::string seen;
    waitForLine(&child, "frame 1/1", &seen);
    int status = -1;
    ASSERT_TRUE(child.waitFor(kExitTimeoutMs, &status));
    EXPECT_EQ(status, 0) << seen;
    EXPECT_TRUE(fileExists(stillPath(out.path(), 21)));
    EXPECT_TRUE(xvfbStartedBy(owner).empty());
}

TEST(CaptureDisplay, ErrorAfterStartUpStillStopsXvfb)
{
    TempDir broken;
    // An image that is not one: the start-up fails after the display is up.
    makeDataRoot(broken, {{"logo.bmp", "quorvane.mp3"}});
    ChildProcess child;
    std::string error;
    RunSetting setting;
    setting.withoutDisplay = true;
    ASSERT_TRUE(startCapture(&child, {"--at", "1000", "--root", broken.path()}, setting, &error))
        << error;
    const pid_t owner = child.pid;
    const std::string err = readAll(child.stderrFd);
    int status = -1;
    ASSERT_TRUE(child.waitFor(kExitTimeoutMs, &status));
    EXPECT_EQ(status, kFailureStatus);
    EXPECT_NE(err.find("data/logo.bmp"), std::string::npos) << err;
    EXPECT_TRUE(xvfbStartedBy(owner).empty());
}

TEST(CaptureDisplay, CtrlCDuringVideoStopsXvfbEncoderAndRemovesTheFile)
{
    TempDir out;
    const std::string video = out.file("show.mp4");
    ChildProcess child;
    std::string error;
    RunSetting setting;
    setting.withoutDisplay = true;
    ASSERT_TRUE(startCapture(&child, {"--video", video}, setting, &error)) << error;
    const pid_t owner = child.pid;
    std::string seen;
    // The first progress line: the display is up, the encoder running.
    ASSERT_TRUE(waitForLine(&child, "frame 50/", &seen)) << seen;
    EXPECT_EQ(xvfbStartedBy(owner).size(), 1u);
    child.sendSignal(SIGINT);
    seen += readAll(child.stderrFd);
    int status = -1;
    ASSERT_TRUE(child.waitFor(kExitTimeoutMs, &status));
    EXPECT_EQ(status, kInterruptedStatus) << seen;
    EXPECT_NE(seen.find("quorvane-capture: interrupted at frame"), std::string::npos) << seen;
    EXPECT_TRUE(xvfbStartedBy(owner).empty());
    EXPECT_FALSE(fileExists(video));
    EXPECT_FALSE(fileExists(video + ".partial"));
}

}  // namespace
