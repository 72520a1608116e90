// Where the capture draws: the window's back buffer at the demo's own 800 x 600, or an
// offscreen framebuffer of any size, optionally multisampled. The demo keeps setting its
// viewport in window pixels; this program's glViewport scales it to the target, so the
// picture keeps its projection and only gains pixels.
#pragma once

#include "RgbImage.h"

#include <string>

class RenderTarget {
public:
    // Status of open() when the request exceeds what this GL can do: like a bad argument.
    static constexpr int kBeyondLimits = 2;

    RenderTarget() = default;
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;
    ~RenderTarget() { close(); }

    // Draws from now on into width x height with `samples` per pixel (1: none), in
    // place of the window's `windowWidth` x `windowHeight`. The window's own size
    // without multisampling keeps drawing to the window. Returns 0, or a non-zero
    // status with the reason in *error.
    int open(int windowWidth, int windowHeight, int width, int height, int samples,
             std::string* error);

    // Reads the frame drawn last, top row first, resolving its samples first.
    void read(RgbImage* image);

    // Resolves the samples without reading, so a frame's cost includes the resolve.
    void resolve();

    // Goes back to drawing into the window, at its own size.
    void close();

    int width() const { return targetWidth; }
    int height() const { return targetHeight; }

private:
    int targetWidth = 0;  // the frames' size in pixels
    int targetHeight = 0;
    bool offscreen = false;        // drawing goes to `drawFramebuffer`, not to the window
    bool multisampled = false;     // `drawFramebuffer` holds samples, `readFramebuffer` the resolve
    unsigned drawFramebuffer = 0;  // what the demo draws into
    unsigned readFramebuffer = 0;  // what frames are read from; the drawn one unless multisampled
    unsigned renderbuffers[3] = {0, 0, 0};  // drawn colour and depth, resolved colour
};
