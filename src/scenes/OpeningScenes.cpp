// The logo cube alone above the terrain: at rest, receding, spinning.
#include "scenes/SceneFrame.h"

#include "assets/Texture.h"
#include "effects/Camera.h"
#include "effects/Cube.h"
#include "effects/Terrain.h"
// The render state is the shell's: the driver and the scenes share its one gRenderer.
#include "shell/Renderer.h"
#include "shell/Stage.h"

#include <GL/gl.h>

namespace {
constexpr float kStillDepth = -2.8f;
constexpr double kZoomStart = -2.8;    // the zoom recedes from the still's depth...
constexpr double kZoomDistance = 6.0;  // ...to -8.8
constexpr float kSpinDepth = -10.0f;
constexpr float kRotationStep = 2.0f;
}  // namespace

// Draws with whatever clear colour, fog and culling the frame before it left: black and
// clear at the start of the show, grey and fogged at its end.
void sceneStill(float /*x*/)
{
    gRenderer.setPerspective(45.0f, kStageWidth, kStageHeight, 1.0f, 500.0f);
    gRenderer.clear();
    gCamera.apply();
    gRenderer.setLight(gLightAmbient, gLightDiffuse, gLightPosition);
    gRenderer.setLighting(1);
    gTerrain.draw(kTerrainOrigin[0], kTerrainOrigin[1], kTerrainOrigin[2]);
    glPushMatrix();
    glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    drawCube(gLogoTexture, 0.0f, 0.0f, kStillDepth, 0.0f, 1.0f);
    glPopMatrix();
}

void sceneZoomOut(float x)
{
    beginScene();
    const float z = static_cast<float>(kZoomStart - double(x) * kZoomDistance);
    drawCube(gLogoTexture, 0.0f, 0.0f, z, 0.0f, 1.0f);
    glPopMatrix();
}

void sceneSpin(float /*x*/)
{
    beginScene();
    drawCube(gLogoTexture, 0.0f, 0.0f, kSpinDepth, gRotation, 1.0f);
    glPopMatrix();
    gRotation = gRotation + kRotationStep;
}
