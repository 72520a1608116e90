#pragma once
#include <cstdint>

// White noise from a seeded xorshift generator: the same seed gives the same
// samples on every run and every machine, which keeps the render byte-exact.
class Noise {
public:
    explicit Noise(uint32_t seed);
    // Uniform in [-1, 1).
    double next();

private:
    uint32_t state;
};
