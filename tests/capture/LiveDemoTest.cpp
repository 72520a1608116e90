// The live demo and the capture agree where the picture depends on elapsed time alone:
// frames grabbed from the running demo's window during the opening still and the zoom
// match the capture's stills under the golden frames' tolerance.
#include "CaptureHarness.h"
#include "FrameDiff.h"
#include "VirtualDisplay.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

const char kDemoProgram[] = DEMO_PROGRAM;
constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kGiveUpMs = 120000;  // only a hung demo takes this long
constexpr int kZoomStartMs = 2001;  // first capture frame of the zoom
constexpr int kZoomLastMs = 5981;   // its last
constexpr int kFrameStepMs = 20;

long long nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Windows come and go while the demo starts; a query about one that just went is no fault.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

// The demo draws into an 800x600 window that SDL keeps inside one of its top-level
// windows (the full-screen one, or the managed one when windowed); the top-level window
// of that size beside it stays black.
Window findDrawingWindow(Display* display, Window parent, bool topLevel)
{
    Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (!topLevel && XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable && attributes.width == kWidth &&
            attributes.height == kHeight) {
            found = children[i];
        } else {
            found = findDrawingWindow(display, children[i], false);
        }
    }
    if (children != nullptr) XFree(children);
    return found;
}

int channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned long top = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255 / top);
}

bool grabWindow(Display* display, Window window, RgbImage* frame)
{
    XImage* image = XGetImage(display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    frame->resize(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = frame->row(y);
        for (int x = 0; x < kWidth; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            row[x * 3 + 0] = static_cast<uint8_t>(channel(pixel, image->red_mask));
            row[x * 3 + 1] = static_cast<uint8_t>(channel(pixel, image->green_mask));
            row[x * 3 + 2] = static_cast<uint8_t>(channel(pixel, image->blue_mask));
        }
    }
    XDestroyImage(image);
    return true;
}

class LiveDemo : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0') {
            std::string error;
            ASSERT_TRUE(ownDisplay.start(&error)) << error;
        }
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        XSetErrorHandler(ignoreXError);
        ChildProcess::Options options;
        options.silenceOutput = true;
        options.workingDirectory = sourceRoot();
        options.environment.push_back("SDL_AUDIODRIVER=dummy");
        std::string error;
        ASSERT_TRUE(demo.start({kDemoProgram}, options, &error)) << error;
        launchedMs = nowMs();
    }

    void TearDown() override
    {
        if (demo.running()) {
            demo.sendSignal(SIGTERM);  // the demo ends after its current frame
            demo.wait();
        }
        if (display != nullptr) XCloseDisplay(display);
    }

    // Grabs the demo's window until `accept` takes a frame; false if the demo ended first.
    bool grabUntil(const std::function<bool(const RgbImage&)>& accept, RgbImage* frame)
    {
        while (nowMs() - launchedMs < kGiveUpMs) {
            int status = 0;
            if (demo.waitFor(0, &status)) return false;
            // Looked up afresh each time: SDL maps and unmaps windows of that size while
            // it sets the video mode.
            const Window window = findDrawingWindow(display, DefaultRootWindow(display), true);
            if (window != 0 && grabWindow(display, window, frame) && accept(*frame)) return true;
        }
        return false;
    }

    VirtualDisplay ownDisplay;
    Display* display = nullptr;
    ChildProcess demo;
    long long launchedMs = 0;
};

TEST_F(LiveDemo, OpeningStillAndZoomMatchTheCapture)
{
    // The first picture is the opening still; the zoom begins when the background turns
    // grey. Its first frames are the ones to compare: the cosine easing starts at rest, so
    // the few ms between the live frame's elapsed time and the capture's nearest frame
    // move the cube by a small fraction of a pixel (later in the zoom they would move its
    // lettering by most of one).
    RgbImage opening, zoom;
    ASSERT_TRUE(grabUntil([](const RgbImage& f) { return hasContent(f); }, &opening));
    ASSERT_TRUE(grabUntil(
        [&](const RgbImage& f) { return !compareFrames(f, opening).withinTolerance(); }, &zoom));
    // The demo's elapsed time cannot exceed the wall time since it was launched.
    const long long bound = nowMs() - launchedMs;
    demo.sendSignal(SIGTERM);
    EXPECT_EQ(demo.wait(), 0);

    std::string times = "1000";
    std::vector<int> candidates;
    for (int ms = kZoomStartMs; ms <= kZoomLastMs && ms <= bound; ms += kFrameStepMs) {
        candidates.push_back(ms);
        times += "," + std::to_string(ms);
    }
    ASSERT_FALSE(candidates.empty());
    TempDir out;
    const RunResult result = runCapture({"--at", times, "--out", out.path()});
    ASSERT_EQ(result.status, 0) << result.err;

    const RgbImage still = loadFrame(stillPath(out.path(), 1000));
    const FrameDifference stillDifference = compareFrames(opening, still);
    EXPECT_TRUE(stillDifference.withinTolerance()) << stillDifference.describe();

    // The zoom frame's elapsed time is not known exactly: one capture frame of the zoom,
    // the nearest, must match it.
    FrameDifference best;
    int bestMs = 0;
    for (int ms : candidates) {
        const FrameDifference d = compareFrames(zoom, loadFrame(stillPath(out.path(), ms)));
        if (!best.sameSize || d.differingShare < best.differingShare) {
            best = d;
            bestMs = ms;
        }
    }
    EXPECT_TRUE(best.withinTolerance()) << "nearest capture frame " << bestMs << " ms: "
                                        << best.describe();
    // The same metric tells the zoom from the still.
    EXPECT_FALSE(compareFrames(zoom, still).withinTolerance());
    std::printf("opening still against the capture: %s\nzoom against the capture at %d ms: %s\n",
                stillDifference.describe().c_str(), bestMs, best.describe().c_str());
}

}  // namespace
