#include "scenes/SceneFrame.h"

#include "effects/Camera.h"
#include "effects/ParticleSystem.h"
#include "effects/Terrain.h"
// The render state is the shell's: the driver and the scenes share its one gRenderer.
#include "shell/Renderer.h"
#include "shell/Stage.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdlib>

namespace {
constexpr float kFogDensity = 0.02f;
constexpr float kParticleDamping = 0.6f;
}  // namespace

void beginScene()
{
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    // The modelview is current: this only enables the depth test and resets the matrix.
    gRenderer.setPerspective(45.0f, kStageWidth, kStageHeight, 1.0f, 500.0f);
    glClearColor(gClearColor[0], gClearColor[1], gClearColor[2], 1.0f);
    setFog(kFogDensity, gClearColor[0], gClearColor[1], gClearColor[2]);
    // Set at identity: the light's direction is fixed to the viewer.
    gRenderer.setLight(gLightAmbient, gLightDiffuse, gLightPosition);
    gRenderer.setLighting(1);
    gRenderer.clear();
    gCamera.apply();
    gTerrain.draw(kTerrainOrigin[0], kTerrainOrigin[1], kTerrainOrigin[2]);
    glPushMatrix();
    glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
}

void stepFountain(float phaseStepX, float phaseStepY, float amplitudeX, float amplitudeY)
{
    gEmitterPhaseX = gEmitterPhaseX + phaseStepX;
    gEmitterPhaseY = gEmitterPhaseY + phaseStepY;
    Emitter& emitter = gParticles.emitter;
    emitter.x = static_cast<float>(emitter.x + std::cos(double(gEmitterPhaseX)) * amplitudeX);
    emitter.y = static_cast<float>(emitter.y + std::sin(double(gEmitterPhaseY)) * amplitudeY);
    gRenderer.setBlending(1);
    gParticles.draw(-gCamera.pitch, -gCamera.yaw, 0.0f);
    // These two draws reach no particle (each respawn draws its own), but they advance
    // the sequence the respawns draw from.
    emitter.angle = static_cast<float>(std::rand() % 360);
    emitter.speed = static_cast<float>(std::rand() % 25);
    gParticles.update(kParticleDamping);
    gRenderer.setBlending(0);
}
