// The seven scenes drawn with stand-in images of known colours: which texture shows
// where, depths, stages, the state they leave, and their random draws.
#include "TestSupport.h"
#include "assets/Texture.h"
#include "effects/Camera.h"
#include "effects/ParticleSystem.h"
#include "effects/Terrain.h"
#include "scenes/SceneFrame.h"
#include "shell/Demo.h"
#include "shell/FrameLoop.h"
#include "shell/Renderer.h"
#include "timeline/Timeline.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

constexpr int kGreet[6] = {kGreet0,     kGreet0 + 1, kGreet0 + 2,
                           kGreet0 + 3, kGreet0 + 4, kGreet0 + 5};

// Where a cube placed at (x, y) of the turned frame shows its centre on screen.
struct Spot {
    int column, row;
};
Spot spotOf(float x, float y, float halfSize)
{
    const double pixelsPerUnit = 300.0 / ((10.0 - halfSize) * std::tan(22.5 * M_PI / 180.0));
    return {int(std::lround(400 + y * pixelsPerUnit)), int(std::lround(300 + x * pixelsPerUnit))};
}

const float kRing[6][2] = {{2, 0.7f}, {2, -0.7f}, {0, 2}, {-2, 0.7f}, {-2, -0.7f}, {0, -2}};

class Scenes : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string root = makeTempDir();
        writeStandInData(root);
        for (size_t i = 0; i < kImageCount; ++i) {
            imageTexture(i)->load((root + "/data/" + kImageNames[i]).c_str());
        }
        gTerrain.generate(92, 128, 16);
        gTerrain.texture = &gFloorTexture;
        gParticles.emitter.texture = &gParticleTexture;
    }
    void SetUp() override
    {
        gRenderer.setViewport(0, 0, 800, 600);
        gRenderer.setPerspective(45.0f, 800, 600, 1.0f, 400.0f);
        resetEmitter();
        gRotation = 0.0f;
    }
    static void resetEmitter()
    {
        seedEmitter(gParticles);
        gEmitterPhaseX = 0.0f;
        gEmitterPhaseY = 0.0f;
    }
    // Draws one frame of `scene` at angle 0 and returns what it shows.
    Frame draw(SceneFunction scene, float x)
    {
        gRotation = 0.0f;
        gRenderer.clear();
        scene(x);
        return readFrame();
    }
    int textureAt(const Frame& f, Spot s) { return classifyCubePixel(f.at(s.column, s.row)); }
};

TEST_F(Scenes, StillShowsTheLogoUprightAndUnmirroredOnBlackWithoutFog)
{
    // A logo of four coloured quadrants tells which way up and round it is shown.
    const std::string path = makeTempDir() + "/quadrants.bmp";
    writeScreenBmp(path, 64, 64, [](int x, int y) -> Rgb {
        if (y < 32) return x < 32 ? Rgb{1, 0, 0} : Rgb{0, 1, 0};
        return x < 32 ? Rgb{0, 0, 1} : Rgb{1, 1, 1};
    });
    Texture quadrants;
    ASSERT_TRUE(quadrants.load(path.c_str()));
    std::swap(quadrants.id, gLogoTexture.id);
    glClearColor(0, 0, 0, 0);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    const Frame f = draw(sceneStill, 1.0f);
    std::swap(quadrants.id, gLogoTexture.id);
    auto dominant = [](std::array<int, 3> p) {
        if (p[0] > 40 && p[1] > 40 && p[2] > 40) return 3;  // white
        return p[0] > p[1] && p[0] > p[2] ? 0 : (p[1] > p[2] ? 1 : 2);
    };
    EXPECT_EQ(dominant(f.at(200, 150)), 0);  // top left red
    EXPECT_EQ(dominant(f.at(600, 150)), 1);  // top right green
    EXPECT_EQ(dominant(f.at(200, 450)), 2);  // bottom left blue
    EXPECT_EQ(dominant(f.at(600, 450)), 3);  // bottom right white
    // The face fills the screen; the state stays as the start-up left it.
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(gRotation, 0.0f);
    // Whatever its argument, the same picture.
    std::swap(quadrants.id, gLogoTexture.id);
    const Frame g = draw(sceneStill, 0.25f);
    std::swap(quadrants.id, gLogoTexture.id);
    EXPECT_EQ(f.rgb, g.rgb);
}

TEST_F(Scenes, ZoomOutRecedesFromTwoPointEightToEightPointEight)
{
    auto redRows = [](const Frame& f) {
        int rows = 0;
        for (int y = 0; y < f.height; ++y) {
            const auto p = f.at(400, y);
            rows += p[0] > p[1] + 30 && p[0] > p[2] + 30;
        }
        return rows;
    };
    EXPECT_EQ(redRows(draw(sceneZoomOut, 0.0f)), 600);  // as close as the still: fills it
    // Front face at distance d - 1: 2 x 300 / ((d - 1) tan 22.5 deg) rows.
    EXPECT_NEAR(redRows(draw(sceneZoomOut, 0.5f)), 301.8, 2.5);
    EXPECT_NEAR(redRows(draw(sceneZoomOut, 1.0f)), 185.7, 2.5);
    EXPECT_EQ(gRotation, 0.0f);
}

TEST_F(Scenes, SpinStartsAxisAlignedAndAdvancesTheAngle)
{
    const Frame f = draw(sceneSpin, 1.0f);
    EXPECT_EQ(gRotation, 2.0f);
    EXPECT_EQ(textureAt(f, {400, 300}), kLogo);
    // Axis-aligned: the projected square's corners are covered, just outside them not.
    EXPECT_EQ(textureAt(f, {400 + 77, 300 - 77}), kLogo);
    EXPECT_EQ(textureAt(f, {400 - 77, 300 + 77}), kLogo);
    EXPECT_NE(textureAt(f, {400 + 85, 300 - 85}), kLogo);
    // The frame's background is the fog grey.
    EXPECT_EQ(f.at(3, 3), (std::array<int, 3>{102, 102, 102}));
}

TEST_F(Scenes, CreditsSwitchImageStrictlyAfterHalfTime)
{
    EXPECT_EQ(textureAt(draw(sceneCredits, 0.0f), {400, 300}), kCredits0);
    EXPECT_EQ(textureAt(draw(sceneCredits, 0.5f), {400, 300}), kCredits0);
    EXPECT_EQ(textureAt(draw(sceneCredits, std::nextafter(0.5f, 1.0f)), {400, 300}), kCredits1);
    EXPECT_EQ(textureAt(draw(sceneCredits, 1.0f), {400, 300}), kCredits1);
}

TEST_F(Scenes, SplitIntoOneFiveAndSevenCubes)
{
    const float cross[4][2] = {{2.2f, 0}, {0, 2.2f}, {-2.2f, 0}, {0, -2.2f}};
    // Places only one layout covers: the cross cubes above and below the centre column lie
    // between the ring's cubes, and the ring's corner cubes reach past the cross.
    const Spot crossOnly[2] = {spotOf(2.2f, 0, 0.7f), spotOf(-2.2f, 0, 0.7f)};
    Spot ringOnly[4];
    for (int i = 0, n = 0; i < 6; ++i) {
        if (kRing[i][0] == 0) continue;
        const Spot s = spotOf(kRing[i][0], kRing[i][1], 0.5f);
        ringOnly[n++] = {s.column + (kRing[i][1] > 0 ? 25 : -25),
                         s.row + (kRing[i][0] > 0 ? 25 : -25)};
    }
    auto logos = [&](const Frame& f, const Spot* spots, int n) {
        int count = 0;
        for (int i = 0; i < n; ++i) count += textureAt(f, spots[i]) == kLogo;
        return count;
    };
    Spot crossCentres[4], ringCentres[6];
    for (int i = 0; i < 4; ++i) crossCentres[i] = spotOf(cross[i][0], cross[i][1], 0.7f);
    for (int i = 0; i < 6; ++i) ringCentres[i] = spotOf(kRing[i][0], kRing[i][1], 0.5f);

    const Frame one = draw(sceneSplit, std::nextafter(0.2f, 0.0f));
    EXPECT_EQ(textureAt(one, {400, 300}), kLogo);
    EXPECT_EQ(logos(one, crossCentres, 4), 0);
    EXPECT_EQ(logos(one, ringCentres, 6), 0);
    const Frame five = draw(sceneSplit, 0.2f);  // the float nearest 0.2 lies above it
    EXPECT_EQ(textureAt(five, {400, 300}), kLogo);
    EXPECT_EQ(logos(five, crossCentres, 4), 4);
    EXPECT_EQ(logos(five, ringOnly, 4), 0);
    const Frame seven = draw(sceneSplit, 0.5f);
    EXPECT_EQ(textureAt(seven, {400, 300}), kLogo);
    EXPECT_EQ(logos(seven, ringCentres, 6), 6);
    EXPECT_EQ(logos(seven, ringOnly, 4), 4);
    EXPECT_EQ(logos(seven, crossOnly, 2), 0);
}

TEST_F(Scenes, GreetingsAppearStageByStage)
{
    struct Case {
        float x;
        int stage;
    };
    const Case cases[] = {{0.0f, 0}, {0.15f, 1}, {0.3f, 2}, {0.45f, 2},       {0.4500001f, 3},
                          {0.6f, 4}, {0.75f, 5}, {0.9f, 5}, {0.90000004f, 6}, {1.0f, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        const Frame f = draw(sceneGreetings, c.x);
        const int centre = c.stage == 6 ? kLogo : kGreet[c.stage];
        EXPECT_EQ(textureAt(f, {400, 300}), centre);
        for (int j = 0; j < 6; ++j) {
            const int expected = c.stage >= j ? kGreet[j] : kLogo;
            EXPECT_EQ(textureAt(f, spotOf(kRing[j][0], kRing[j][1], 0.5f)), expected)
                << "slot " << j + 1;
        }
    }
}

TEST_F(Scenes, EveryScenePreservesTheMatrixStackAndAllocatesNothing)
{
    const SceneFunction scenes[] = {sceneStill,   sceneZoomOut, sceneSpin,     sceneParticles,
                                    sceneCredits, sceneSplit,   sceneGreetings};
    for (SceneFunction scene : scenes) {
        for (float x : {0.0f, 0.3f, 0.6f, 1.0f}) {
            const GLint depth = modelviewDepth();
            gRenderer.clear();
            countAllocations(true);
            scene(x);
            EXPECT_EQ(countAllocations(false), 0);
            EXPECT_EQ(modelviewDepth(), depth);
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        }
    }
}

TEST_F(Scenes, FogAndCullingStayOnAndTheLastStillIsGreyAndFogged)
{
    const SceneFunction scenes[] = {sceneZoomOut, sceneSpin,  sceneParticles,
                                    sceneCredits, sceneSplit, sceneGreetings};
    for (SceneFunction scene : scenes) {
        glDisable(GL_FOG);
        glDisable(GL_CULL_FACE);
        draw(scene, 0.5f);
        draw(sceneStill, 1.0f);
        EXPECT_TRUE(glIsEnabled(GL_FOG));
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    }
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.4f);
    EXPECT_FLOAT_EQ(clear[3], 1.0f);
}

TEST_F(Scenes, FountainFirstStepMovesTheEmitterAndTogglesBlending)
{
    gParticles.particles[5].life = 0.0f;  // one dead particle: one respawn
    gRenderer.clear();
    const long before = randCalls();
    stepFountain(0.2f, 0.1f, 0.15f, 0.075f);
    EXPECT_EQ(randCalls() - before, 2 + 4);
    EXPECT_NEAR(gParticles.emitter.x, 0.14701, 5e-6);
    EXPECT_NEAR(gParticles.emitter.y, -0.19251, 5e-6);
    EXPECT_EQ(gParticles.emitter.z, -4.0f);
    EXPECT_FLOAT_EQ(gEmitterPhaseX, 0.2f);
    EXPECT_FLOAT_EQ(gEmitterPhaseY, 0.1f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ONE);
}

TEST_F(Scenes, ParticleScenesDrawTwoPlusFourPerRespawnOthersNone)
{
    const SceneFunction quiet[] = {sceneStill, sceneZoomOut, sceneSpin};
    const SceneFunction fountains[] = {sceneParticles, sceneCredits, sceneSplit, sceneGreetings};
    for (int frame = 0; frame < 40; ++frame) {
        for (SceneFunction scene : quiet) {
            const long before = randCalls();
            draw(scene, 0.5f);
            EXPECT_EQ(randCalls() - before, 0);
        }
        for (SceneFunction scene : fountains) {
            int dead = 0;
            for (const Particle& p : gParticles.particles) dead += !(p.life > 0.0f);
            const long before = randCalls();
            draw(scene, frame / 40.0f);
            EXPECT_EQ(randCalls() - before, 2 + 4 * dead);
        }
    }
}

Uint32 gSpinTicks = 0;
Uint32 spinTicks(void*) { return gSpinTicks += 21; }  // each pass is due a frame

// The spin scene in the frame loop: it draws at the angle it finds, adds its step after the
// cube, and the loop brings an angle of 360 or more back into [0, 360) before the next frame.
TEST_F(Scenes, RotationWrapsIntoZeroTo360)
{
    resetTimeline();
    Timeline* spin = new Timeline();
    spin->addTrack(0)->addClip(1, 85500, sceneSpin, Constant, 1.0f);
    LoopHooks hooks;
    hooks.ticks = spinTicks;
    const float before[] = {358.0f, 359.0f, 357.0f};
    const float after[] = {0.0f, 1.0f, 359.0f};
    for (int i = 0; i < 3; ++i) {
        FrameLoop loop(*spin, hooks);
        loop.start();
        gRotation = before[i];
        ASSERT_TRUE(loop.pass());
        EXPECT_EQ(gRotation, after[i]) << "from " << before[i];
    }
}

}  // namespace
