// The floor texture follows the demo's hills only if its rebuilt landscape
// draws the same numbers and sums them the same way as the running demo.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/LibcRandom.h"
#include "TerrainHeights.h"

TEST(LibcRandom, MatchesTheUnseededCLibraryGenerator)
{
    std::srand(1);  // the state an unseeded rand() starts in
    LibcRandom random;
    constexpr int kDraws =
        20000;  // beyond the demo's 16,384 lattice draws plus the 803 before them
    for (int i = 0; i < kDraws; ++i) {
        const int expected = std::rand();
        ASSERT_EQ(random.next(), expected) << "draw " << i;
    }
    // Seeded again, as srand does: 0 counts as 1, and seeds past 2^31 go in negative.
    for (unsigned seed : {1u, 0u, 2u, 12345u, 0x80000000u, 0xFFFFFFFFu}) {
        std::srand(seed);
        random.seed(seed);
        for (int i = 0; i < 400; ++i) ASSERT_EQ(random.next(), std::rand()) << seed << " " << i;
    }
}

TEST(TerrainHeights, DrawsTheLatticeAndKeepsHeightsInTheOctaveRange)
{
    const TerrainHeights terrain;
    // Every octave samples the origin at lattice[127][127]: 16+8+4+2+1 of it.
    EXPECT_FLOAT_EQ(terrain.at(0, 0), static_cast<float>(31.0 * terrain.lattice(127, 127)));
    // The sampling algebra itself is the demo's (tests/core EffectsMathTest checks it).
    // Lattice values are whole multiples of 1/32768 in [0, 1).
    for (int i = 0; i < 128; ++i) {
        const double value = terrain.lattice(i, (i * 37) % 128);
        EXPECT_GE(value, 0.0);
        EXPECT_LT(value, 1.0);
        EXPECT_DOUBLE_EQ(value * 32768, static_cast<double>(static_cast<int>(value * 32768)));
    }
    // Heights stay within the octave sum's range, and between() meets the grid points.
    for (int row = 0; row < TerrainHeights::kRows; row += 7) {
        for (int col = 0; col < TerrainHeights::kCols; col += 5) {
            EXPECT_GE(terrain.at(row, col), 0.0f);
            EXPECT_LT(terrain.at(row, col), 31.0f);
            EXPECT_DOUBLE_EQ(terrain.between(row, col), terrain.at(row, col));
        }
    }
}
