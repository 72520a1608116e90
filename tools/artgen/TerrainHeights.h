#pragma once

#include <vector>

#include "effects/TerrainNoise.h"

// The demo's landscape rebuilt offline: the demo's own value noise over a lattice drawn
// from the same random sequence, so that the floor texture's colours and shading can lie
// on the hills they belong to.
class TerrainHeights {
public:
    static constexpr int kRows = 92;   // grid points across the screen (x)
    static constexpr int kCols = 128;  // grid points into the distance (z)
    static constexpr int kOctaveSize = 16;

    TerrainHeights();

    // Height of grid point (row, col), 0..31.
    float at(int row, int col) const { return heightValues[row * kCols + col]; }
    // Height between grid points, interpolated bilinearly and clamped to the grid.
    double between(double row, double col) const;
    // Lattice value as the demo stores it, for checks against its algebra.
    double lattice(int row, int col) const { return latticeValues[row][col]; }

private:
    NoiseLattice latticeValues;       // the demo's table, as its Terrain fills it
    std::vector<float> heightValues;  // kRows x kCols, row by row
};
