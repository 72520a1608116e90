#pragma once

#include <cstdint>

// Smooth fixed-seed value noise for the artwork's own textures. It hashes
// lattice points instead of drawing from a generator, so every run and every
// order of evaluation gives the same pixels.
class ValueNoise {
public:
    explicit ValueNoise(uint32_t noiseSeed) : seed(noiseSeed) {}

    // Smoothly interpolated value in 0..1 at (x, y), one lattice cell per unit.
    float at(float x, float y) const;
    // Sum of octaves starting at one cell per `scale` units, halving each time,
    // normalised back to 0..1.
    float fractal(float x, float y, float scale, int octaves) const;
    // Hashed value in 0..1 of one lattice point.
    float lattice(int32_t x, int32_t y) const;

private:
    uint32_t seed;
};
