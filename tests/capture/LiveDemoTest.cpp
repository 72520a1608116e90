// The live demo and the capture agree where the picture depends on elapsed time alone:
// frames grabbed from the running demo's window during the opening still and the zoom
// match the capture's stills under the golden frames' tolerance. The spin that follows
// depends on frames drawn, not on time: its first live frames are the capture's first
// spin frames, whatever the time they were drawn at.
#include "CaptureHarness.h"
#include "FrameDiff.h"
#include "VirtualDisplay.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

const char kDemoProgram[] = DEMO_PROGRAM;
constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kGiveUpMs = 120000;  // only a hung demo takes this long
// Capture frames of the zoom's second half, where the last live zoom frame lies unless
// the machine stalled for two seconds.
constexpr int kZoomCandidateMs = 4001;
constexpr int kZoomLastMs = 5981;
constexpr int kFrameStepMs = 20;
constexpr int kSpinFirstMs = 6001;     // first capture frame of the spin
constexpr int kSpinFramesKnown = 100;  // spin frames rendered to recognise the live ones by
constexpr int kSampleStep = 4;         // spin frames are recognised on every 4th pixel each way

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

// Reads the top `rows` rows of the window.
bool grabWindow(Display* display, Window window, int rows, RgbImage* frame)
{
    XImage* image = XGetImage(display, window, 0, 0, kWidth, rows, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    frame->resize(kWidth, rows);
    for (int y = 0; y < rows; ++y) {
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

// Every `kSampleStep`th pixel of every `kSampleStep`th row: enough to tell frames apart,
// cheap enough to hold a grabbed frame against a hundred.
RgbImage sampled(const RgbImage& frame)
{
    RgbImage small;
    small.resize(frame.width / kSampleStep, frame.height / kSampleStep);
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x) {
            std::copy_n(frame.row(y * kSampleStep) + x * kSampleStep * RgbImage::kChannels,
                        RgbImage::kChannels, small.row(y) + x * RgbImage::kChannels);
        }
    }
    return small;
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
    }

    bool startDemo(std::string* error)
    {
        ChildProcess::Options options;
        options.silenceOutput = true;
        options.workingDirectory = sourceRoot();
        options.environment.push_back("SDL_AUDIODRIVER=dummy");
        launchedMs = nowMs();
        return demo.start({kDemoProgram}, options, error);
    }

    void TearDown() override
    {
        if (demo.running()) endDemo();
        if (display != nullptr) XCloseDisplay(display);
    }

    // Ends the demo after its current frame, also when it is stopped; its exit status.
    int endDemo()
    {
        demo.sendSignal(SIGTERM);
        demo.sendSignal(SIGCONT);
        return demo.wait();
    }

    // Grabs the top `rows` of the demo's window until `accept` takes them; false if the
    // demo ended first.
    bool grabUntil(const std::function<bool(const RgbImage&)>& accept, RgbImage* frame,
                   int rows = kHeight)
    {
        while (nowMs() - launchedMs < kGiveUpMs) {
            int status = 0;
            if (demo.waitFor(0, &status)) return false;
            // Looked up afresh each time: SDL maps and unmaps windows of that size while
            // it sets the video mode.
            const Window window = findDrawingWindow(display, DefaultRootWindow(display), true);
            if (window != 0 && grabWindow(display, window, rows, frame) && accept(*frame)) {
                return true;
            }
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
    TempDir out;
    std::string times = "1000";
    for (int ms = kZoomCandidateMs; ms <= kZoomLastMs; ms += kFrameStepMs) {
        times += "," + std::to_string(ms);
    }
    for (int k = 0; k < kSpinFramesKnown; ++k) {
        times += "," + std::to_string(kSpinFirstMs + k * kFrameStepMs);
    }
    const RunResult result = runCapture({"--at", times, "--out", out.path()});
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<RgbImage> spin;
    for (int k = 0; k < kSpinFramesKnown; ++k) {
        spin.push_back(sampled(loadFrame(stillPath(out.path(), kSpinFirstMs + k * kFrameStepMs))));
    }
    const auto isSpin = [&](const RgbImage& f) {
        const RgbImage small = sampled(f);
        for (const RgbImage& s : spin) {
            if (compareFrames(small, s).withinTolerance()) return true;
        }
        return false;
    };

    // The capture has just left its last frame on the screen; the demo's window shows what
    // lies below it until its first frame, so that must be black.
    const Window root = DefaultRootWindow(display);
    XSetWindowBackground(display, root, BlackPixel(display, DefaultScreen(display)));
    XClearWindow(display, root);
    XSync(display, False);
    std::string error;
    ASSERT_TRUE(startDemo(&error)) << error;

    // The first picture is the opening still. The zoom frame compared is the last one
    // seen before the spin: there the cosine easing has slowed to rest and the cube is far
    // away, so the few ms between the live frame's elapsed time (unknown, and late on a
    // busy machine) and the capture's nearest frame move it by a fraction of a pixel;
    // early in the zoom, with the cube close, they move its lettering by most of one.
    RgbImage opening, frame, lastZoom;
    ASSERT_TRUE(grabUntil([](const RgbImage& f) { return hasContent(f); }, &opening));
    ASSERT_TRUE(grabUntil(
        [&](const RgbImage& f) {
            if (isSpin(f)) return true;
            if (!compareFrames(f, opening).withinTolerance()) lastZoom = f;
            return false;
        },
        &frame))
        << "no live frame matched any of the capture's first spin frames";
    EXPECT_EQ(endDemo(), 0);

    const FrameDifference stillDifference =
        compareFrames(opening, loadFrame(stillPath(out.path(), 1000)));
    EXPECT_TRUE(stillDifference.withinTolerance()) << stillDifference.describe();

    ASSERT_FALSE(lastZoom.pixels.empty()) << "no live frame of the zoom was seen";
    FrameDifference best;
    int bestMs = 0;
    for (int ms = kZoomCandidateMs; ms <= kZoomLastMs; ms += kFrameStepMs) {
        const FrameDifference d = compareFrames(lastZoom, loadFrame(stillPath(out.path(), ms)));
        if (!best.sameSize || d.differingShare < best.differingShare) {
            best = d;
            bestMs = ms;
        }
    }
    EXPECT_TRUE(best.withinTolerance())
        << "nearest capture frame " << bestMs << " ms: " << best.describe();
    std::printf("opening still against the capture: %s\nlast zoom frame against the capture "
                "at %d ms: %s\n",
                stillDifference.describe().c_str(), bestMs, best.describe().c_str());
}

}  // namespace
