// The driver's start-up and shutdown in a process of their own, so the random sequence
// is counted from the very first draw of the program.
#include "TestSupport.h"
#include "assets/Music.h"
#include "assets/Texture.h"
#include "effects/Camera.h"
#include "effects/ParticleSystem.h"
#include "effects/Terrain.h"
#include "scenes/SceneFrame.h"
#include "shell/Demo.h"
#include "shell/FrameLoop.h"
#include "shell/Schedule.h"
#include "shell/Window.h"
#include "timeline/Timeline.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <memory>
#include <cstdlib>
#include <set>
#include <unistd.h>
#include <vector>

namespace {

long gDrawsBeforeMain = -1;

// Each image of the test's data folder in a grey of its own: a texture's texels tell
// which file it was loaded from.
int greyOfImage(size_t index) { return int(20 * (index + 1)); }

void writeGreyData(const std::string& root)
{
    writeStandInData(root);
    for (size_t i = 0; i < kImageCount; ++i) {
        const float grey = greyOfImage(i) / 255.0f;
        writeSolidBmp(root + "/data/" + kImageNames[i], 64, 64, {grey, grey, grey});
    }
}

// The grey of a texture's first texel, read back from GL.
int greyOf(const Texture& texture)
{
    glBindTexture(GL_TEXTURE_2D, texture.id);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    if (width <= 0 || height <= 0) return -1;
    std::vector<unsigned char> texels(size_t(width) * size_t(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels[0];
}

// The grey of the image file `name` (one of kImageNames).
int greyOfFile(const std::string& name)
{
    for (size_t i = 0; i < kImageCount; ++i) {
        if (name == kImageNames[i]) return greyOfImage(i);
    }
    return -1;
}

Uint32 gVirtualNow = 0;
Uint32 virtualTicks(void*) { return gVirtualNow++; }

int throwOverlap() { throw static_cast<int>(ClipOverlaps); }
int succeed() { return 0; }
void succeedScene(float) {}

TEST(StartUp, ConsumesTheRandomSequenceInOrderAndShutsDownCleanly)
{
    EXPECT_EQ(gDrawsBeforeMain, 400);  // gParticles' construction
    const std::string root = makeTempDir();
    writeGreyData(root);
    ASSERT_EQ(chdir(root.c_str()), 0);
    const long before = randCalls();
    testing::internal::CaptureStderr();
    Timeline* timeline = startUp();
    const std::string warnings = testing::internal::GetCapturedStderr();
    ASSERT_NE(timeline, nullptr);
    const ParticleSystem startParticles = gParticles;
    const auto startTerrain = std::make_unique<Terrain>(gTerrain);
    EXPECT_EQ(randCalls(), 17187);
    EXPECT_EQ(randCalls() - before, 3 + 400 + 16384);
    // Missing music: one warning line, and the show goes on silent.
    EXPECT_EQ(warnings, std::string("quorvane: cannot load data/quorvane.mp3: Couldn't open "
                                    "'data/quorvane.mp3'; playing without sound\n"));
    EXPECT_EQ(gMusic.handle, nullptr);

    // Replay the generator (never seeded = seeded with 1) to check who drew what.
    srand(1);
    std::vector<int> draws(17187 + 3);
    for (int& d : draws) d = rand();
    const int emitter = 400, reset = 403, lattice = 803;
    EXPECT_EQ(gParticles.emitter.fade, float((draws[emitter] % 100) * 0.001 + 0.05));
    for (int i : {0, 57, 99}) {
        const Particle& p = gParticles.particles[i];
        EXPECT_EQ(p.fade, float((draws[reset + 4 * i] % 100) * 0.001 + 0.05)) << i;
        const double speed = draws[reset + 4 * i + 1] % 25, angle = draws[reset + 4 * i + 2] % 360;
        EXPECT_EQ(p.vx, float(std::sin(angle) * speed)) << i;
        EXPECT_EQ(p.life, 0.7f);
        EXPECT_EQ(p.y, -0.2f);
    }
    EXPECT_EQ(gTerrain.lattice[0][0], (draws[lattice] % 32768) / 32768.0);
    EXPECT_EQ(gTerrain.lattice[127][127], (draws[17186] % 32768) / 32768.0);

    // The rest of the start-up state.
    // Each image in its texture: the list start-up loads from, and the globals by name.
    std::set<GLuint> ids;
    for (size_t i = 0; i < kImageCount; ++i) {
        ids.insert(imageTexture(i)->id);
        EXPECT_EQ(greyOf(*imageTexture(i)), greyOfImage(i)) << kImageNames[i];
    }
    EXPECT_EQ(ids.size(), kImageCount);
    EXPECT_EQ(ids.count(0), 0u);
    EXPECT_EQ(greyOf(gParticleTexture), greyOfFile("t.bmp"));
    EXPECT_EQ(greyOf(gLogoTexture), greyOfFile("logo.bmp"));
    EXPECT_EQ(greyOf(gFloorTexture), greyOfFile("floor1.bmp"));
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(greyOf(gCreditsTextures[k]), greyOfFile("credits" + std::to_string(k) + ".bmp"));
    }
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(greyOf(gGreetingTextures[k]), greyOfFile("greet" + std::to_string(k) + ".bmp"));
    }
    EXPECT_EQ(gTerrain.texture, &gFloorTexture);
    EXPECT_EQ(gTerrain.rows, 92);
    EXPECT_EQ(gParticles.emitter.texture, &gParticleTexture);
    EXPECT_EQ(timeline->getLength(), 85500);
    EXPECT_EQ(gEmitterPhaseX, 0.0f);

    // The first frames fall in the first clip: black, fog-free, no culling.
    LoopHooks hooks;
    hooks.ticks = virtualTicks;
    hooks.frameDrawn = [](Uint32 elapsed, void*) { gQuit = elapsed >= 101; };
    runFrameLoop(*timeline, hooks);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(randCalls(), 17187 + 17187 + 3);  // the opening still draws nothing

    // Scenes that draw from the sequence, spin, move the camera and fog; then the rewind.
    for (int i = 0; i < 3; ++i) sceneParticles(0.5f);
    sceneCredits(0.5f);
    gQuit = true;
    const long beforeRewind = randCalls();
    rewindShow();
    EXPECT_EQ(randCalls() - beforeRewind, 400 + 3 + 400 + 16384);
    EXPECT_EQ(std::memcmp(gParticles.particles, startParticles.particles,
                          sizeof startParticles.particles),
              0);
    const Emitter &now = gParticles.emitter, &then = startParticles.emitter;
    EXPECT_EQ(std::vector<float>(
                  {now.x, now.y, now.z, now.r, now.speed, now.angle, now.life, now.fade}),
              std::vector<float>(
                  {then.x, then.y, then.z, then.r, then.speed, then.angle, then.life, then.fade}));
    EXPECT_EQ(std::memcmp(gTerrain.lattice, startTerrain->lattice, sizeof gTerrain.lattice), 0);
    EXPECT_EQ(std::memcmp(gTerrain.heights, startTerrain->heights, sizeof gTerrain.heights), 0);
    EXPECT_EQ(std::vector<float>({gRotation, gCamera.x, gCamera.y, gCamera.z, gCamera.pitch,
                                  gCamera.yaw, gEmitterPhaseX, gEmitterPhaseY}),
              std::vector<float>(8, 0.0f));
    EXPECT_FALSE(gQuit);
    const int next[3] = {rand(), rand(), rand()};
    EXPECT_EQ(std::vector<int>(next, next + 3), std::vector<int>(draws.end() - 3, draws.end()));
    // The second pass's opening still finds the GL as the first did.
    gVirtualNow = 0;
    runFrameLoop(*timeline, hooks);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));

    shutDown();
    for (size_t i = 0; i < kImageCount; ++i) EXPECT_EQ(imageTexture(i)->id, 0u);
    EXPECT_FALSE(hasGlContext());
}

TEST(StartUp, ScheduleIsValidAndACodeBecomesAnErrorLine)
{
    resetTimeline();
    Timeline* timeline = nullptr;
    EXPECT_NO_THROW(timeline = buildSchedule());
    EXPECT_EQ(timeline->getLength(), 85500);
    // The clips as the reports list them: abutting from 1 ms, each named; an extra one
    // added after the schedule has no name.
    timeline->addTrack(1)->addClip(0, 10, succeedScene, Constant, 1.0f);
    const std::vector<ScheduledClip> clips = scheduledClips();
    ASSERT_EQ(clips.size(), 9u);
    EXPECT_EQ(clips[0].start, 1);
    EXPECT_STREQ(clips[0].name, "opening still");
    for (size_t i = 1; i < 8; ++i) {
        EXPECT_EQ(clips[i].index, i);
        EXPECT_EQ(clips[i].start, clips[i - 1].end) << i;
        EXPECT_NE(clips[i].name, nullptr) << i;
    }
    EXPECT_STREQ(clips[6].name, "greetings");
    EXPECT_EQ(clips[7].end, 85500);
    EXPECT_EQ(clips[8].name, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(runGuarded(throwOverlap), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "quorvane: the show's schedule was rejected (timeline code -4)\n");
    EXPECT_EQ(runGuarded(succeed), 0);
}

}  // namespace

int main(int argc, char** argv)
{
    gDrawsBeforeMain = randCalls();
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return RUN_ALL_TESTS();
}
