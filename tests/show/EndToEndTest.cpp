// The whole show on the real binary with the real data: it runs its 85.5 seconds and
// ends by itself with status 0, and frames grabbed from its window while it plays show
// the expected pictures. The spin angle depends on how many frames the machine managed,
// so the checks are about layout (where cubes are, how many, what the background is),
// not exact pixels.
#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros (None, Bool, Status) would break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kFogGrey = 102;  // 0.4 of the clear and fog colour

std::string gBinary;    // the demo executable
std::string gDataRoot;  // the folder that holds data/

struct Picture {
    double atSeconds = 0;
    std::vector<std::array<int, 3>> pixels;  // row by row from the top
    const std::array<int, 3>& at(int x, int y) const { return pixels[size_t(y) * kWidth + x]; }
};

// The demo's drawing surface: the topmost viewable 800 x 600 window. In full-screen mode
// SDL draws into a child of its own full-screen window, which covers the captioned one.
bool findSurface(Display* display, Window under, int* screenX, int* screenY)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned i = count; i-- > 0 && !found;) {  // top of the stack first
        XWindowAttributes a;
        if (!XGetWindowAttributes(display, children[i], &a) || a.map_state != IsViewable) continue;
        found = findSurface(display, children[i], screenX, screenY);
        if (!found && a.width == kWidth && a.height == kHeight) {
            Window ignored = 0;
            found =
                XTranslateCoordinates(display, children[i], root, 0, 0, screenX, screenY, &ignored);
        }
    }
    if (children) XFree(children);
    return found;
}

// What the screen shows of the surface at (x, y) on the screen.
bool grab(Display* display, int x, int y, Picture* out)
{
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), x, y, kWidth, kHeight, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    out->pixels.resize(size_t(kWidth) * kHeight);
    for (int row = 0; row < kHeight; ++row) {
        for (int column = 0; column < kWidth; ++column) {
            const unsigned long p = XGetPixel(image, column, row);
            out->pixels[size_t(row) * kWidth + column] = {int((p >> 16) & 0xFF),
                                                          int((p >> 8) & 0xFF), int(p & 0xFF)};
        }
    }
    XDestroyImage(image);
    return true;
}

// SDL makes and unmakes windows while it starts; one gone between the listing and the look
// at it is no fault of the show's.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

bool isFogGrey(const std::array<int, 3>& p)
{
    for (int c : p) {
        if (std::abs(c - kFogGrey) > 4) return false;
    }
    return true;
}

int difference(const std::array<int, 3>& a, const std::array<int, 3>& b)
{
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

// Separate cubes away from the centre: regions that differ from the background frame (sky
// and terrain never change), outside the disc any centre cube can reach, at least as large
// as a small cube's visible part. Fountain sprites are a few pixels each and drop out.
int outerCubes(const Picture& frame, const Picture& background)
{
    // A spinning centre cube never reaches further: its corners lie sqrt(3) from its
    // centre, seen from 10 - sqrt(3) away: 1.732 / (8.27 tan 22.5 deg) x 300 = 152 pixels.
    constexpr int kCentreReach = 155;
    constexpr int kMinPixels = 1500;
    std::vector<int> label(size_t(kWidth) * kHeight, 0);
    auto candidate = [&](int x, int y) {
        const int dx = x - 400, dy = y - 300;
        if (dx * dx + dy * dy < kCentreReach * kCentreReach) return false;
        return difference(frame.at(x, y), background.at(x, y)) > 30;
    };
    int cubes = 0, next = 0;
    std::vector<int> stack;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (label[size_t(y) * kWidth + x] || !candidate(x, y)) continue;
            int size = 0;
            stack.assign(1, y * kWidth + x);
            label[size_t(y) * kWidth + x] = ++next;
            while (!stack.empty()) {
                const int i = stack.back();
                stack.pop_back();
                ++size;
                const int px = i % kWidth, py = i / kWidth;
                const int nx[4] = {px - 1, px + 1, px, px}, ny[4] = {py, py, py - 1, py + 1};
                for (int k = 0; k < 4; ++k) {
                    if (nx[k] < 0 || ny[k] < 0 || nx[k] >= kWidth || ny[k] >= kHeight) continue;
                    const size_t j = size_t(ny[k]) * kWidth + nx[k];
                    if (label[j] || !candidate(nx[k], ny[k])) continue;
                    label[j] = next;
                    stack.push_back(int(j));
                }
            }
            cubes += size >= kMinPixels;
        }
    }
    return cubes;
}

// Distinct colours in the centre: a textured cube shows many, the sky one.
int centreColours(const Picture& frame)
{
    std::vector<bool> seen(1 << 15, false);
    int distinct = 0;
    for (int y = 280; y < 320; ++y) {
        for (int x = 380; x < 420; ++x) {
            const auto& p = frame.at(x, y);
            const int key = (p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3);
            if (!seen[size_t(key)]) {
                seen[size_t(key)] = true;
                ++distinct;
            }
        }
    }
    return distinct;
}

double meanDistanceFromGrey(const Picture& frame)
{
    double sum = 0;
    for (const auto& p : frame.pixels) sum += difference(p, {kFogGrey, kFogGrey, kFogGrey});
    return sum / double(frame.pixels.size());
}

double meanDifference(const Picture& a, const Picture& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) sum += difference(a.pixels[i], b.pixels[i]);
    return sum / double(a.pixels.size());
}

// Where in the show each frame is grabbed, in seconds after the window appeared (start-up
// takes a few tenths of a second more, so every time keeps clear of a scene change).
enum Shot {
    Still,
    Zoom,
    Spin,
    Particles,
    Credits0,
    Credits1,
    SplitOne,
    SplitFive,
    SplitSeven,
    Greetings1,
    Greetings2,
    Greetings3,
    Closing,
    kShots
};
const double kShotSeconds[kShots] = {1.0,  4.0,  9.0,  14.0, 19.5, 25.5, 31.0,
                                     34.8, 38.5, 50.0, 65.0, 80.0, 84.9};
const char* const kShotNames[kShots] = {"still",           "zoom",          "spin",
                                        "particles",       "credits 0",     "credits 1",
                                        "split 1",         "split 5",       "split 7",
                                        "greetings early", "greetings mid", "greetings late",
                                        "closing still"};

TEST(Show, PlaysItsWholeLengthAndShowsEveryScene)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "needs an X display (the test command starts Xvfb)";
    XSetErrorHandler(ignoreXError);

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(gDataRoot.c_str()) != 0) _exit(127);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl(gBinary.c_str(), gBinary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int x = 0, y = 0;
    bool found = false;
    const Clock::time_point launched = Clock::now();
    while (!found && Clock::now() - launched < std::chrono::seconds(20)) {
        found = findSurface(display, DefaultRootWindow(display), &x, &y);
        if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(found) << "the demo's window never appeared";
    const Clock::time_point shown = Clock::now();

    std::vector<Picture> shots(kShots);
    for (int s = 0; s < kShots; ++s) {
        std::this_thread::sleep_until(shown +
                                      std::chrono::milliseconds(int(kShotSeconds[s] * 1000)));
        shots[s].atSeconds = kShotSeconds[s];
        // SDL may still move its surface when it switches to full screen: look it up each time.
        findSurface(display, DefaultRootWindow(display), &x, &y);
        ASSERT_TRUE(grab(display, x, y, &shots[s])) << kShotNames[s];
    }
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    const double ranFor = std::chrono::duration<double>(Clock::now() - shown).count();
    XCloseDisplay(display);
    ASSERT_TRUE(WIFEXITED(status)) << "the demo was killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_GT(ranFor, 85.0);
    EXPECT_LT(ranFor, 95.0);
    std::printf("the show ended by itself %.1f s after its window appeared\n", ranFor);

    // For a person to look at: QUORVANE_SHOW_FRAMES=folder keeps the frames as PPM files.
    if (const char* folder = std::getenv("QUORVANE_SHOW_FRAMES")) {
        for (int s = 0; s < kShots; ++s) {
            char path[512];
            std::snprintf(path, sizeof path, "%s/show-%05.1f.ppm", folder, kShotSeconds[s]);
            if (FILE* out = std::fopen(path, "wb")) {
                std::fprintf(out, "P6 %d %d 255\n", kWidth, kHeight);
                for (const auto& p : shots[s].pixels) {
                    const unsigned char rgb[3] = {(unsigned char)p[0], (unsigned char)p[1],
                                                  (unsigned char)p[2]};
                    std::fwrite(rgb, 1, 3, out);
                }
                std::fclose(out);
            }
        }
    }

    const Picture& background = shots[Spin];
    for (int s = 0; s < kShots; ++s) {
        const Picture& f = shots[s];
        std::printf("%5.1f s %-16s corner (%3d,%3d,%3d) centre colours %3d outer cubes %d\n",
                    f.atSeconds, kShotNames[s], f.at(2, 2)[0], f.at(2, 2)[1], f.at(2, 2)[2],
                    centreColours(f), outerCubes(f, background));
    }

    // The opening and closing stills: the logo face close up fills the whole window.
    for (Shot s : {Still, Closing}) {
        SCOPED_TRACE(kShotNames[s]);
        EXPECT_FALSE(isFogGrey(shots[s].at(2, 2)));
        EXPECT_FALSE(isFogGrey(shots[s].at(797, 597)));
        EXPECT_GT(centreColours(shots[s]), 3);
    }
    // The closing still is the opening picture again, now seen through the grey fog.
    EXPECT_LT(meanDifference(shots[Still], shots[Closing]), 20.0);
    EXPECT_LT(meanDistanceFromGrey(shots[Closing]), meanDistanceFromGrey(shots[Still]));

    // Every later scene: fog-grey sky in the top corners and a cube in the centre.
    for (int s = Zoom; s < Closing; ++s) {
        SCOPED_TRACE(kShotNames[s]);
        EXPECT_TRUE(isFogGrey(shots[s].at(2, 2)));
        EXPECT_TRUE(isFogGrey(shots[s].at(797, 2)));
        EXPECT_GT(centreColours(shots[s]), 3);
    }
    // The receding cube half-way: its top edge in the centre column near 300 - 151.
    int top = 0;
    while (top < 300 && isFogGrey(shots[Zoom].at(400, top))) ++top;
    EXPECT_GT(top, 110);
    EXPECT_LT(top, 195);

    // One cube, then five, then seven.
    for (Shot s : {Particles, Credits0, Credits1, SplitOne}) {
        EXPECT_EQ(outerCubes(shots[s], background), 0) << kShotNames[s];
    }
    EXPECT_EQ(outerCubes(shots[SplitFive], background), 4);
    for (Shot s : {SplitSeven, Greetings1, Greetings2, Greetings3}) {
        const int cubes = outerCubes(shots[s], background);
        EXPECT_GE(cubes, 4) << kShotNames[s];  // two pairs of ring cubes may touch
        EXPECT_LE(cubes, 6) << kShotNames[s];
    }
    // The credits cube changes its image half-way.
    EXPECT_GT(meanDifference(shots[Credits0], shots[Credits1]), 0.5);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: show_test QUORVANE DATA_ROOT\n");
        return 2;
    }
    gBinary = argv[1];
    gDataRoot = argv[2];
    return RUN_ALL_TESTS();
}
