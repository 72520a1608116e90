// The landscape's value noise: a 128 x 128 table of rand() draws, sampled bilinearly with
// wrap-around and summed over octaves. The demo's Terrain fills its table from rand(); the
// art generator fills one from the same sequence to paint the floor for the same hills.
#pragma once

constexpr int kNoiseLatticeSize = 128;  // side of the table; the wrap modulus
using NoiseLattice = double[kNoiseLatticeSize][kNoiseLatticeSize];

// A table entry from one draw: k / 32768 for k = draw mod 32768, exactly.
double noiseFromDraw(int draw);
// Bilinear interpolation of the table, wrapped modulo its side, in double precision; 0 for
// a coordinate that is not finite.
double sampleNoise(const NoiseLattice& lattice, double x, double y);
// Octave sum of samples at size, size/2, ... down to 1, scaled by 16 / size.
double fractalNoise(const NoiseLattice& lattice, double x, double y, double size);
