// The landscape: a value-noise height field made once and drawn as textured strips.
#pragma once

#include "effects/TerrainNoise.h"

#include <cstdint>

class Texture;

class Terrain {
public:
    static constexpr int kLatticeSize = kNoiseLatticeSize;  // side of the noise table
    static constexpr int kGridSize = 256;  // capacity of the height grid on each side

    // Refills the noise table with 16,384 draws of rand(), row by row.
    void fillLattice();
    // sampleNoise and fractalNoise over this terrain's table.
    double sample(double x, double y) const;
    double fractalSum(double x, double y, double size) const;
    // Refills the table and computes rows x cols heights (each clamped to the grid).
    void generate(int32_t rows, int32_t cols, int32_t size);
    // Draws the grid with its origin at (x, y, z); untextured when no texture is set.
    void draw(float x, float y, float z) const;
    // The strips of the grid alone, in the grid's own units: what draw sends between its
    // texture bind and its matrix pop.
    void drawStrips() const;

    NoiseLattice lattice;                 // k / 32768 for k in 0..32767
    int32_t rows;                         // grid rows (mesh x) of the last generate
    int32_t cols;                         // grid columns (mesh z) of the last generate
    float heights[kGridSize][kGridSize];  // only [0, rows) x [0, cols) is written
    const Texture* texture;               // laid once over the whole mesh; not owned
};

extern Terrain gTerrain;

// When set, draw hands the strips to this function instead of sending them itself; the
// offline renderer replays them from a display list. Null in the live demo, which sends
// every strip each frame.
using TerrainStripsHook = void (*)(const Terrain& terrain);
extern TerrainStripsHook gTerrainStripsHook;
