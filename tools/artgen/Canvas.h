#pragma once

#include <cstdint>
#include <vector>

// A colour as it is meant to appear on screen, each channel in 0..1.
struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

Rgb mixRgb(Rgb from, Rgb to, float amount);
Rgb scaleRgb(Rgb colour, float factor);
// A colour written as 0xRRGGBB, in the order it is meant to show on screen.
Rgb hexRgb(uint32_t rgb);

// An RGB picture with row 0 at the top, as the texture shows it (t = 0).
class Canvas {
public:
    Canvas(int width, int height, Rgb fill = Rgb{});

    int width() const { return pixelWidth; }
    int height() const { return pixelHeight; }
    Rgb at(int x, int y) const { return pixels[index(x, y)]; }
    void set(int x, int y, Rgb colour) { pixels[index(x, y)] = colour; }
    // Moves the pixel toward colour by amount (0 keeps it, 1 replaces it).
    void blend(int x, int y, Rgb colour, float amount);

private:
    int index(int x, int y) const { return y * pixelWidth + x; }

    int pixelWidth;
    int pixelHeight;
    std::vector<Rgb> pixels;
};

// Rounds a 0..1 channel to a byte, clamping out-of-range values.
uint8_t toByte(float channel);
