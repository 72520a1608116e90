// The spinning cubes with the particle fountain: logo, credits, split, greetings.
#include "scenes/SceneFrame.h"

#include "assets/Texture.h"
#include "effects/Cube.h"

#include <GL/gl.h>

namespace {

constexpr float kCubeDepth = -10.0f;
constexpr float kRotationStep = 2.0f;

// How each scene's emitter wanders: phase steps per frame and amplitudes.
struct Wander {
    float phaseStepX, phaseStepY, amplitudeX, amplitudeY;
};
constexpr Wander kParticlesWander = {0.2f, 0.1f, 0.15f, 0.075f};
constexpr Wander kCreditsWander = {0.15f, 0.1f, 0.1f, 0.15f};
constexpr Wander kSplitWander = {0.15f, 0.1f, 0.15f, 0.1f};
constexpr Wander kGreetingsWander = {0.2f, 0.25f, 0.1f, 0.15f};

// A cube's place in the turned frame; (x, y) shows at (y, -x) on screen.
struct Slot {
    float x, y, halfSize;
};

constexpr Slot kCentre = {0.0f, 0.0f, 1.0f};
// The split's middle stage: below, right of, above and left of the centre.
constexpr Slot kCross[4] = {
    {2.2f, 0.0f, 0.7f}, {0.0f, 2.2f, 0.7f}, {-2.2f, 0.0f, 0.7f}, {0.0f, -2.2f, 0.7f}};
// The ring of six: lower right, lower left, right, upper right, upper left, left.
constexpr Slot kRing[6] = {{2.0f, 0.7f, 0.5f},  {2.0f, -0.7f, 0.5f},  {0.0f, 2.0f, 0.5f},
                           {-2.0f, 0.7f, 0.5f}, {-2.0f, -0.7f, 0.5f}, {0.0f, -2.0f, 0.5f}};

// Thresholds are compared in double precision: the floats nearest 0.45 and 0.9 lie below
// those decimals and stay in the lower stage.
constexpr double kSplitFive = 0.2;
constexpr double kSplitSeven = 0.5;
constexpr double kCreditsSwitch = 0.5;
constexpr double kGreetingStages[6] = {0.15, 0.3, 0.45, 0.6, 0.75, 0.9};
constexpr int kLogoStage = 6;  // the last stage puts the logo back on the centre

void drawSpinningCube(const Texture& texture, const Slot& slot)
{
    drawCube(texture, slot.x, slot.y, kCubeDepth, gRotation, slot.halfSize);
}

// Each cube in its own matrix bracket, so it spins about its own centre.
void drawIsolated(const Texture& texture, const Slot& slot)
{
    glPushMatrix();
    drawSpinningCube(texture, slot);
    glPopMatrix();
}

// Closes the turned frame, advances the spin and runs the fountain.
void endScene(const Wander& wander)
{
    glPopMatrix();
    gRotation = gRotation + kRotationStep;
    stepFountain(wander.phaseStepX, wander.phaseStepY, wander.amplitudeX, wander.amplitudeY);
}

int greetingStage(double x)
{
    int stage = 0;
    for (double threshold : kGreetingStages) {
        if (x >= threshold) ++stage;
    }
    return stage;
}

}  // namespace

void sceneParticles(float /*x*/)
{
    beginScene();
    drawSpinningCube(gLogoTexture, kCentre);
    endScene(kParticlesWander);
}

void sceneCredits(float x)
{
    beginScene();
    drawSpinningCube(gCreditsTextures[double(x) > kCreditsSwitch ? 1 : 0], kCentre);
    endScene(kCreditsWander);
}

void sceneSplit(float x)
{
    beginScene();
    const double progress = x;
    if (progress < kSplitFive) {
        drawSpinningCube(gLogoTexture, kCentre);
    } else if (progress < kSplitSeven) {
        drawIsolated(gLogoTexture, kCentre);
        for (const Slot& slot : kCross) drawIsolated(gLogoTexture, slot);
    } else {
        drawIsolated(gLogoTexture, kCentre);
        for (const Slot& slot : kRing) drawIsolated(gLogoTexture, slot);
    }
    endScene(kSplitWander);
}

void sceneGreetings(float x)
{
    beginScene();
    const int stage = greetingStage(x);
    drawIsolated(stage == kLogoStage ? gLogoTexture : gGreetingTextures[stage], kCentre);
    // Slot j shows greeting j - 1 once that greeting has had its turn on the centre.
    for (int j = 0; j < kGreetingCount; ++j) {
        drawIsolated(stage >= j ? gGreetingTextures[j] : gLogoTexture, kRing[j]);
    }
    endScene(kGreetingsWander);
}
