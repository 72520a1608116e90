// The floor texture is painted for the hills the demo builds at start-up; this
// builds them with the demo's own Terrain from the same draws and compares.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "TerrainHeights.h"
#include "effects/Terrain.h"

TEST(FloorTerrain, DemoTerrainGivesTheHeightsTheFloorWasPaintedFor)
{
    // Start-up draws 400 + 3 + 400 numbers before the terrain's lattice.
    constexpr int kDrawsBeforeTerrain = 803;
    std::srand(1);
    for (int i = 0; i < kDrawsBeforeTerrain; ++i) {
        std::rand();
    }
    auto demoTerrain = std::make_unique<Terrain>();
    demoTerrain->generate(TerrainHeights::kRows, TerrainHeights::kCols,
                          TerrainHeights::kOctaveSize);

    const TerrainHeights painted;
    int differing = 0;
    for (int row = 0; row < TerrainHeights::kRows; ++row) {
        for (int col = 0; col < TerrainHeights::kCols; ++col) {
            differing += demoTerrain->heights[row][col] != painted.at(row, col) ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0) << "the floor's painted hills no longer match the demo's terrain";
}
