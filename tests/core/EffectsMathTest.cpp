// Normals, value noise and the particle pool: exact numbers and random draw counts.
#include "TestSupport.h"
#include "effects/Cube.h"
#include "effects/ParticleSystem.h"
#include "effects/Terrain.h"
#include "shell/Demo.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

void expectVector(Vector3 v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(ComputeNormal, UnitNormalsAndTheirOrientation)
{
    const Vector3 a{-1, 1, 1}, b{1, 1, 1}, c{1, 1, -1};
    expectVector(computeNormal(a, b, c), 0, 1, 0);
    expectVector(computeNormal(b, a, c), 0, -1, 0);
    expectVector(computeNormal(a, c, b), 0, -1, 0);
    expectVector(computeNormal(c, b, a), 0, -1, 0);
    expectVector(computeNormal({0, 0, 0}, {2, 0, 0}, {0, 3, 0}), 0, 0, 1);
}

TEST(ComputeNormal, DegeneratePointsGiveTheZeroVectorNotNaN)
{
    expectVector(computeNormal({0, 0, 0}, {1, 1, 1}, {2, 2, 2}), 0, 0, 0);
    expectVector(computeNormal({1, 2, 3}, {1, 2, 3}, {1, 2, 3}), 0, 0, 0);
}

// Static: the height grid is too large for a comfortable stack frame.
Terrain gTestTerrain;

class TerrainMath : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int r = 0; r < Terrain::kLatticeSize; ++r)
            for (int c = 0; c < Terrain::kLatticeSize; ++c)
                gTestTerrain.lattice[r][c] = ((r * 131 + c * 71) % 32768) / 32768.0;
    }
    const Terrain& t = gTestTerrain;
};

TEST_F(TerrainMath, SampleAtWholeAndHalfPoints)
{
    EXPECT_EQ(t.sample(0, 0), t.lattice[127][127]);
    for (int k = 1; k < 128; k += 21) {
        for (int m = 1; m < 128; m += 17) {
            EXPECT_EQ(t.sample(k, m), t.lattice[k - 1][m - 1]);
            EXPECT_DOUBLE_EQ(t.sample(k + 0.5, m),
                             0.5 * t.lattice[k][m - 1] + 0.5 * t.lattice[k - 1][m - 1]);
        }
    }
}

TEST_F(TerrainMath, SampleHasNoSeamsIncludingBelowZero)
{
    const double e = 1e-9;
    for (double w : {1.0, 5.0, 64.0, 127.0, 128.0, 0.0, -1.0, -129.0}) {
        EXPECT_NEAR(t.sample(w - e, 3.25), t.sample(w + e, 3.25), 1e-6) << w;
        EXPECT_NEAR(t.sample(7.5, w - e), t.sample(7.5, w + e), 1e-6) << w;
    }
    // Below zero the wrap is a floored modulo: -1 is the lattice point of 127.
    EXPECT_EQ(t.sample(-1, -1), t.sample(127, 127));
    EXPECT_EQ(t.sample(-300, 5), t.sample(84, 5));
}

TEST_F(TerrainMath, FractalSumIdentities)
{
    for (double x : {0.0, 3.5, 17.25, 91.0}) {
        for (double y : {0.0, 10.75, 127.0}) {
            const double expected = 16 * t.sample(x / 16, y / 16) + 8 * t.sample(x / 8, y / 8) +
                                    4 * t.sample(x / 4, y / 4) + 2 * t.sample(x / 2, y / 2) +
                                    t.sample(x, y);
            EXPECT_DOUBLE_EQ(t.fractalSum(x, y, 16), expected);
            EXPECT_GE(t.fractalSum(x, y, 16), 0.0);
            EXPECT_LT(t.fractalSum(x, y, 16), 31.0);
            EXPECT_DOUBLE_EQ(t.fractalSum(x, y, 1), 16 * t.sample(x, y));
            EXPECT_EQ(t.fractalSum(x, y, 0.5), 0.0);
        }
    }
}

TEST(TerrainGenerate, FillsTheCornerOfTheGridWithSixteenThousandDraws)
{
    Terrain& t = gTestTerrain;
    t.heights[92][0] = 7.0f;
    t.heights[0][128] = 8.0f;
    t.heights[255][255] = 9.0f;
    const long before = randCalls();
    t.generate(92, 128, 16);
    EXPECT_EQ(randCalls() - before, 16384);
    EXPECT_EQ(t.rows, 92);
    EXPECT_EQ(t.cols, 128);
    EXPECT_EQ(t.heights[0][0], static_cast<float>(31 * t.lattice[127][127]));
    EXPECT_EQ(t.heights[91][127], static_cast<float>(t.fractalSum(91, 127, 16)));
    EXPECT_EQ(t.heights[92][0], 7.0f);
    EXPECT_EQ(t.heights[0][128], 8.0f);
    EXPECT_EQ(t.heights[255][255], 9.0f);
    for (int r = 0; r < 128; r += 9)
        for (int c = 0; c < 128; c += 11) {
            const double v = t.lattice[r][c] * 32768.0;
            EXPECT_EQ(v, std::floor(v));
            EXPECT_LT(v, 32768.0);
        }
}

TEST(TerrainGenerate, OversizedGridsAreClampedToTheCapacity)
{
    Terrain& t = gTestTerrain;
    t.generate(1000, 300, 16);
    EXPECT_EQ(t.rows, 256);
    EXPECT_EQ(t.cols, 256);
    t.generate(-5, 3, 16);
    EXPECT_EQ(t.rows, 0);
}

class Particles : public ::testing::Test {
protected:
    void SetUp() override { seedEmitter(system); }
    ParticleSystem system;
};

TEST_F(Particles, DrawCounts)
{
    long before = randCalls();
    ParticleSystem fresh;
    EXPECT_EQ(randCalls() - before, 400);
    EXPECT_EQ(fresh.particles[42].life, 0.0f);

    before = randCalls();
    system.respawn(7);
    EXPECT_EQ(randCalls() - before, 4);
    before = randCalls();
    system.resetAll();
    EXPECT_EQ(randCalls() - before, 400);

    // All alive: an update draws nothing; three dead: twelve draws.
    before = randCalls();
    system.update(0.6f);
    EXPECT_EQ(randCalls() - before, 0);
    system.particles[3].life = 0.0f;
    system.particles[50].life = -0.2f;
    system.particles[99].life = 0.0f;
    before = randCalls();
    system.update(0.6f);
    EXPECT_EQ(randCalls() - before, 12);
}

TEST_F(Particles, RespawnRanges)
{
    for (int i = 0; i < 300; ++i) {
        system.respawn(i % 100);
        const Particle& p = system.particles[i % 100];
        EXPECT_EQ(p.vz, 0.0f);
        EXPECT_GE(p.fade, 0.05f - 1e-6f);
        EXPECT_LE(p.fade, 0.149f + 1e-6f);
        const float speed = system.emitter.speed, angle = system.emitter.angle;
        EXPECT_TRUE(speed >= 0 && speed <= 24 && speed == std::floor(speed));
        EXPECT_TRUE(angle >= 0 && angle <= 359 && angle == std::floor(angle));
        EXPECT_EQ(p.vx, static_cast<float>(std::sin(double(angle)) * speed));
        EXPECT_EQ(p.vy, static_cast<float>(std::cos(double(angle)) * speed));
        EXPECT_EQ(p.z, -4.0f);
        EXPECT_EQ(p.life, 0.7f);
    }
}

TEST_F(Particles, LifeAndVelocityRules)
{
    Particle& p = system.particles[0];
    for (float fade : {0.05f, 0.149f}) {
        p = Particle{0, -0.2f, -4, 1.0f, 2.0f, 0, 0.5f, 0.5f, 1, 0.7f, fade};
        const int expectedMoves = fade == 0.05f ? 14 : 5;
        int moves = 0;
        float vx = 1.0f;
        while (p.life > 0.0f) {
            const float x = p.x;
            system.update(0.6f);
            EXPECT_EQ(p.x, static_cast<float>(x + double(vx) * 0.004));
            vx *= 0.6f;
            ++moves;
        }
        EXPECT_EQ(moves, expectedMoves) << fade;
        EXPECT_NEAR(p.vx, std::pow(0.6, moves), 1e-6);
        const long before = randCalls();
        system.update(0.6f);  // the dead particle is respawned, not moved
        EXPECT_EQ(p.life, 0.7f);
        EXPECT_EQ(p.x, 0.0f);
        EXPECT_GE(randCalls() - before, 4);
    }
}

TEST_F(Particles, OutOfRangeRespawnIsIgnored)
{
    const long before = randCalls();
    system.respawn(-1);
    system.respawn(100);
    EXPECT_EQ(randCalls() - before, 0);
}

}  // namespace
