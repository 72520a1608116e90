#include "TestSupport.h"

#include "timeline/Timeline.h"

#include <dlfcn.h>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sys/stat.h>

namespace {
long gRandCalls = 0;  // constant-initialised: counts from the first static constructor on
}

// Counts every draw of the standard generator and passes the call on to it.
extern "C" int rand(void)
{
    using RandFunction = int (*)(void);
    static RandFunction real = reinterpret_cast<RandFunction>(dlsym(RTLD_NEXT, "rand"));
    ++gRandCalls;
    return real();
}

long randCalls() { return gRandCalls; }

namespace {
bool gCounting = false;
long gAllocations = 0;
}  // namespace

long countAllocations(bool on)
{
    if (on) gAllocations = 0;
    gCounting = on;
    return gAllocations;
}

void* operator new(std::size_t size)
{
    if (gCounting) ++gAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

void resetTimeline()
{
    // The demo never releases its schedule; a test that starts a new one frees the old.
    for (Track* t = Track::first; t != nullptr;) {
        Track* next = t->next;
        delete t;
        t = next;
    }
    for (Clip* c = Clip::first; c != nullptr;) {
        Clip* next = c->next;
        delete c;
        c = next;
    }
    Track::first = nullptr;
    Clip::first = nullptr;
    Trigger::first = nullptr;
    static Timeline holder;  // gives setLength an instance before any test made one
    if (Timeline::instance != &holder) delete Timeline::instance;
    Timeline::instance = &holder;
    holder.setLength(0);
}

const Rgb kStandInColours[kImageCount] = {
    {0.0f, 0.0f, 0.0f},  // sprite: black adds nothing, so the fountain hides no cube
    {1.0f, 0.0f, 0.0f},  // logo
    {0.0f, 0.0f, 0.0f},  // floor: black, so the terrain never looks like a cube
    {0.0f, 1.0f, 0.0f},  // credits 0
    {0.0f, 0.0f, 1.0f},  // credits 1
    {1.0f, 1.0f, 0.0f},  // greeting 0
    {0.0f, 1.0f, 1.0f},  // greeting 1
    {1.0f, 0.0f, 1.0f},  // greeting 2
    {1.0f, 1.0f, 1.0f},  // greeting 3
    {1.0f, 0.5f, 0.0f},  // greeting 4
    {0.5f, 0.0f, 1.0f},  // greeting 5
};

bool writeScreenBmp(const std::string& path, int width, int height, Rgb (*colourAt)(int, int))
{
    // A 24-bit BMP decodes to bytes blue, green, red; the upload reads them as red, green,
    // blue. Storing the meant red in the file's blue makes the screen show what was meant.
    // Masks of a decoded 24-bit BMP: in memory each pixel is the file's blue, green, red.
    SDL_Surface* s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    if (s == nullptr) return false;
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<Uint8*>(s->pixels) + y * s->pitch;
        for (int x = 0; x < width; ++x) {
            const Rgb c = colourAt(x, y);
            row[x * 3 + 0] = Uint8(c.r * 255 + 0.5f);  // the file's blue, shown as red
            row[x * 3 + 1] = Uint8(c.g * 255 + 0.5f);
            row[x * 3 + 2] = Uint8(c.b * 255 + 0.5f);  // the file's red, shown as blue
        }
    }
    const bool ok = SDL_SaveBMP(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

namespace {
Rgb gSolid;
Rgb solidColour(int, int) { return gSolid; }
}  // namespace

bool writeSolidBmp(const std::string& path, int width, int height, Rgb colour)
{
    gSolid = colour;
    return writeScreenBmp(path, width, height, solidColour);
}

void writeStandInData(const std::string& root)
{
    mkdir((root + "/data").c_str(), 0755);
    for (size_t i = 0; i < kImageCount; ++i) {
        writeSolidBmp(root + "/data/" + kImageNames[i], 64, 64, kStandInColours[i]);
    }
}

void writeSquareWav(const std::string& path, int frames)
{
    std::vector<Sint16> data(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        data[size_t(i) * 2] = Sint16((i / 25) % 2 ? -8000 : 8000);
        data[size_t(i) * 2 + 1] = 0;
    }
    const Uint32 dataBytes = Uint32(data.size() * 2);
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](Uint32 v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](Uint16 v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVE", 4);
    out.write("fmt ", 4);
    u32(16);
    u16(1);  // PCM
    u16(2);
    u32(22050);
    u32(22050 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    out.write(reinterpret_cast<const char*>(data.data()), dataBytes);
}

std::string makeTempDir()
{
    char name[] = "/tmp/quorvane-test-XXXXXX";
    const char* made = mkdtemp(name);
    return made != nullptr ? made : "/tmp";
}

std::array<int, 3> Frame::at(int x, int y) const
{
    const size_t i = (size_t(height - 1 - y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

Frame readFrame()
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    Frame f;
    f.width = viewport[2];
    f.height = viewport[3];
    f.rgb.resize(size_t(f.width) * f.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, f.width, f.height, GL_RGB, GL_UNSIGNED_BYTE, f.rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return f;
}

int classifyCubePixel(std::array<int, 3> pixel)
{
    // A front face at angle 0, about 10 units away: texel x (ambient + diffuse) x fog, plus
    // the fog colour's share. Lit factor 0.1 + 0.04 + 0.4 x 0.816; fog keeps e^-0.2.
    const double lit = 0.1 + 0.04 + 0.4 * (10.0 / std::sqrt(150.0));
    const double keep = std::exp(-0.2);
    int best = -1;
    double bestDistance = 40.0;  // in 0..255 units per channel, summed
    for (int i = 0; i < 11; ++i) {
        if (i == kSprite || i == kFloor) continue;
        const Rgb& c = kStandInColours[i];
        const double expected[3] = {c.r, c.g, c.b};
        double distance = 0.0;
        for (int k = 0; k < 3; ++k) {
            const double value = (keep * lit * expected[k] + (1 - keep) * 0.4) * 255.0;
            distance += std::fabs(value - pixel[k]);
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

GLint modelviewDepth()
{
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    return depth;
}
