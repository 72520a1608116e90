// Shared pieces of the core tests: a counting rand(), stand-in images of known colours,
// frame read-back and timeline resets.
#pragma once

#include "assets/ImageFiles.h"

#include <SDL.h>
#include <GL/gl.h>

#include <array>
#include <string>
#include <vector>

// Number of rand() calls since the process started (static initialisation included).
long randCalls();

// Starts (true) or stops (false) counting C++ allocations; returns the count so far.
long countAllocations(bool on);

// Empties the class-wide timeline lists so a test can build its own schedule.
void resetTimeline();

struct Rgb {
    float r, g, b;  // 0..1, as meant on screen
};

// Writes a 24-bit BMP of `width` x `height`; `colourAt(x, y)` gives the colour meant on
// screen (stored with red and blue swapped, as the demo's upload swaps them back).
// Returns false when SDL could not write it.
bool writeScreenBmp(const std::string& path, int width, int height, Rgb (*colourAt)(int, int));
bool writeSolidBmp(const std::string& path, int width, int height, Rgb colour);

// The stand-in images: each texture a distinct solid colour, so a pixel tells which
// texture a cube shows. Indices follow the load order of the data files.
enum StandIn { kSprite, kLogo, kFloor, kCredits0, kCredits1, kGreet0 };
extern const Rgb kStandInColours[kImageCount];

// Makes a data/ folder with the stand-in images under `root`.
void writeStandInData(const std::string& root);

// A stereo 22050 Hz WAV of `frames` frames: a 441 Hz square wave of amplitude 8000 on
// the left, silence on the right.
void writeSquareWav(const std::string& path, int frames);

// A fresh temporary folder.
std::string makeTempDir();

// Back-buffer pixels, bottom row first, as GL reads them.
struct Frame {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    // Pixel at (x, y) with y counted from the top of the screen.
    std::array<int, 3> at(int x, int y) const;
};
Frame readFrame();

// The texture a pixel of a cube's front face at angle 0 and depth about 10 shows, as an
// index of kStandInColours, or -1 when it is none of them (background, terrain).
int classifyCubePixel(std::array<int, 3> pixel);

GLint modelviewDepth();
