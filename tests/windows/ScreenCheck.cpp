// windows_screen_check [PPM]: grabs the X screen the Windows build plays on under Wine and
// checks that it is the show the party way: the 4:3 picture as large as the screen allows
// (its full height on a wide screen, its full width on a narrow or portrait one), centred,
// everything beside it pure black. Every frame of the show is cleared to grey or covered by
// a cube's face, so the picture's first and last columns and rows are lit, whatever the
// frame. Prints the figures; exits 0 when the screen is so, 1 when not, 2 without a display.
// PPM: where to write the grab.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kShapeWidth = 4;  // the demo's picture is 4:3
constexpr int kShapeHeight = 3;
// A picture edge is lit when this share of its pixels is not black: the fogged grey
// background leaves hardly any black pixel inside the picture.
constexpr double kLitShare = 0.9;

struct Grab {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // top row first
    const unsigned char* at(int x, int y) const
    {
        return &rgb[(static_cast<size_t>(y) * width + x) * 3];
    }
    bool black(int x, int y) const
    {
        const unsigned char* p = at(x, y);
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
};

int channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255 / (mask >> shift));
}

bool grab(Grab* screen)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    XImage* image =
        XGetImage(display, root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr) {
        XCloseDisplay(display);
        return false;
    }
    screen->width = attributes.width;
    screen->height = attributes.height;
    screen->rgb.resize(static_cast<size_t>(screen->width) * screen->height * 3);
    for (int y = 0; y < screen->height; ++y) {
        for (int x = 0; x < screen->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            unsigned char* p = &screen->rgb[(static_cast<size_t>(y) * screen->width + x) * 3];
            p[0] = static_cast<unsigned char>(channel(pixel, image->red_mask));
            p[1] = static_cast<unsigned char>(channel(pixel, image->green_mask));
            p[2] = static_cast<unsigned char>(channel(pixel, image->blue_mask));
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    return true;
}

// Share of lit pixels on the column x (or the row y) between from and to.
double litColumn(const Grab& s, int x, int from, int to)
{
    int lit = 0;
    for (int y = from; y < to; ++y) lit += s.black(x, y) ? 0 : 1;
    return static_cast<double>(lit) / (to - from);
}

double litRow(const Grab& s, int y, int from, int to)
{
    int lit = 0;
    for (int x = from; x < to; ++x) lit += s.black(x, y) ? 0 : 1;
    return static_cast<double>(lit) / (to - from);
}

}  // namespace

int main(int argc, char** argv)
{
    Grab screen;
    if (!grab(&screen)) {
        std::fprintf(stderr, "windows_screen_check: cannot grab the X screen\n");
        return 2;
    }
    if (argc > 1) {
        if (std::FILE* out = std::fopen(argv[1], "wb")) {
            std::fprintf(out, "P6\n%d %d\n255\n", screen.width, screen.height);
            std::fwrite(screen.rgb.data(), 1, screen.rgb.size(), out);
            std::fclose(out);
        }
    }
    // The picture the screen should show: 4:3, as large as fits, centred. Rows are counted
    // from the top here; the program centres them from the bottom, as GL counts.
    int width = screen.width;
    int height = screen.width * kShapeHeight / kShapeWidth;
    if (height > screen.height) {
        height = screen.height;
        width = screen.height * kShapeWidth / kShapeHeight;
    }
    const int left = (screen.width - width) / 2;
    const int top = screen.height - (screen.height - height) / 2 - height;
    long barPixels = 0, litBarPixels = 0;
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            if (x >= left && x < left + width && y >= top && y < top + height) continue;
            ++barPixels;
            litBarPixels += screen.black(x, y) ? 0 : 1;
        }
    }
    const double edges[4] = {litColumn(screen, left, top, top + height),
                             litColumn(screen, left + width - 1, top, top + height),
                             litRow(screen, top, left, left + width),
                             litRow(screen, top + height - 1, left, left + width)};
    bool lit = true;
    for (double share : edges) lit = lit && share >= kLitShare;
    const bool ok = barPixels > 0 && litBarPixels == 0 && lit;
    std::printf("%s: screen %dx%d, picture %dx%d at %d,%d; %ld of %ld band pixels not black; "
                "lit share of the picture's left, right, top, bottom edge %.3f %.3f %.3f %.3f\n",
                ok ? "the show" : "NOT the show", screen.width, screen.height, width, height, left,
                top, litBarPixels, barPixels, edges[0], edges[1], edges[2], edges[3]);
    return ok ? 0 : 1;
}
