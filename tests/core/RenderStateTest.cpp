// GL state read back from a real context after the window, render-state and camera calls.
#include "TestSupport.h"
#include "assets/Texture.h"
#include "effects/Camera.h"
#include "effects/Renderer.h"
#include "shell/Keyboard.h"
#include "shell/Window.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

std::array<float, 16> matrix(GLenum which)
{
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

void expectIdentity(const std::array<float, 16>& m)
{
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
}

bool enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

TEST(WindowGL, DefaultsAfterInit)
{
    gWindow.initGL(0, 0, 0, 0);
    GLint shade = 0, depthFunc = 0, hint = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
    GLfloat clearDepth = 0, clearColour[4] = {1, 1, 1, 1};
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    EXPECT_EQ(shade, GL_SMOOTH);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    EXPECT_EQ(hint, GL_NICEST);
    EXPECT_EQ(clearDepth, 1.0f);
    for (float c : clearColour) EXPECT_EQ(c, 0.0f);
    for (GLenum cap : {GL_DEPTH_TEST, GL_TEXTURE_2D, GL_NORMALIZE, GL_LINE_SMOOTH}) {
        EXPECT_TRUE(enabled(cap)) << cap;
    }
    EXPECT_FALSE(enabled(GL_FOG));
    EXPECT_FALSE(enabled(GL_LIGHTING));
    gRenderer.clear();
    EXPECT_EQ(readFrame().at(5, 5), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(gWindow.width, 800);
    EXPECT_EQ(gWindow.height, 600);
    EXPECT_EQ(gWindow.caption, "Quorvane test");
    EXPECT_TRUE(hasGlContext());
}

TEST(RendererGL, ViewportAndPerspectiveBuildTheProjection)
{
    gRenderer.setViewport(0, 0, 800, 600);
    gRenderer.setPerspective(45.0f, 800, 600, 1.0f, 400.0f);
    GLint mode = 0, viewport[4];
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    const auto p = matrix(GL_PROJECTION_MATRIX);
    const double f = 1.0 / std::tan(45.0 * M_PI / 360.0);
    EXPECT_NEAR(p[0], f / (800.0 / 600.0), 1e-5);  // aspect 1.3333, not the integer 1
    EXPECT_NEAR(p[5], f, 1e-5);
    EXPECT_NEAR(p[10], (400.0 + 1.0) / (1.0 - 400.0), 1e-5);
    EXPECT_NEAR(p[14], 2 * 400.0 * 1.0 / (1.0 - 400.0), 1e-5);
    EXPECT_FLOAT_EQ(p[11], -1.0f);
    expectIdentity(matrix(GL_MODELVIEW_MATRIX));

    // Called again with the modelview current: the projection stays, the modelview resets.
    glTranslatef(1, 2, 3);
    glDisable(GL_DEPTH_TEST);
    gRenderer.setPerspective(45.0f, 800, 600, 1.0f, 500.0f);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), p);
    expectIdentity(matrix(GL_MODELVIEW_MATRIX));
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
}

TEST(RendererGL, ZeroHeightPerspectiveStaysFinite)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gRenderer.setPerspective(45.0f, 800, 0, 1.0f, 400.0f);  // leaves the modelview current
    glMatrixMode(GL_PROJECTION);
    const auto p = matrix(GL_PROJECTION_MATRIX);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    for (float v : p) EXPECT_TRUE(std::isfinite(v));
}

TEST(RendererGL, BlendingAndDepthTestAlwaysOpposite)
{
    for (bool blendBefore : {false, true}) {
        for (bool depthBefore : {false, true}) {
            blendBefore ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
            depthBefore ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
            gRenderer.setBlending(1);
            EXPECT_TRUE(enabled(GL_BLEND));
            EXPECT_FALSE(enabled(GL_DEPTH_TEST));
            gRenderer.setBlending(0);
            EXPECT_FALSE(enabled(GL_BLEND));
            EXPECT_TRUE(enabled(GL_DEPTH_TEST));
        }
    }
}

TEST(RendererGL, LightAndLighting)
{
    glLoadIdentity();
    gRenderer.setLight(gLightAmbient, gLightDiffuse, gLightPosition);
    GLfloat ambient[4], diffuse[4], position[4], specular[4];
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT1, GL_POSITION, position);
    glGetLightfv(GL_LIGHT1, GL_SPECULAR, specular);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(ambient[i], i < 3 ? 0.5f : 1.0f);
        EXPECT_FLOAT_EQ(diffuse[i], i < 3 ? 0.5f : 1.0f);
        EXPECT_FLOAT_EQ(specular[i], i < 3 ? 0.0f : 1.0f);  // black: no highlights
    }
    EXPECT_FLOAT_EQ(position[0], -5.0f);
    EXPECT_FLOAT_EQ(position[1], 5.0f);
    EXPECT_FLOAT_EQ(position[2], 10.0f);
    EXPECT_FLOAT_EQ(position[3], 0.0f);
    EXPECT_TRUE(enabled(GL_LIGHT1));
    EXPECT_FALSE(enabled(GL_LIGHT0));
    gRenderer.setLighting(7);
    EXPECT_TRUE(enabled(GL_LIGHTING));
    gRenderer.setLighting(0);
    EXPECT_FALSE(enabled(GL_LIGHTING));
}

TEST(RendererGL, FogColourDensityAndMode)
{
    setFog(0.02f, 0.4f, 0.4f, 0.4f);
    GLfloat colour[4], density = 0;
    GLint mode = 0;
    glGetFloatv(GL_FOG_COLOR, colour);
    glGetFloatv(GL_FOG_DENSITY, &density);
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_TRUE(enabled(GL_FOG));
    EXPECT_FLOAT_EQ(colour[0], 0.4f);
    EXPECT_FLOAT_EQ(colour[1], 0.4f);
    EXPECT_FLOAT_EQ(colour[2], 0.4f);
    EXPECT_FLOAT_EQ(density, 0.02f);
    EXPECT_EQ(mode, GL_EXP);
    glDisable(GL_FOG);
}

TEST(CameraGL, ApplyMultipliesTheViewTransform)
{
    Camera camera;
    glLoadIdentity();
    camera.apply();
    expectIdentity(matrix(GL_MODELVIEW_MATRIX));

    camera.pitch = 90.0f;
    glLoadIdentity();
    camera.apply();
    auto m = matrix(GL_MODELVIEW_MATRIX);  // column-major: y goes to z, z to -y
    EXPECT_NEAR(m[5], 0.0f, 1e-6);
    EXPECT_NEAR(m[6], 1.0f, 1e-6);
    EXPECT_NEAR(m[9], -1.0f, 1e-6);

    camera = Camera();
    camera.x = 1.0f;
    glLoadIdentity();
    camera.apply();
    m = matrix(GL_MODELVIEW_MATRIX);
    EXPECT_FLOAT_EQ(m[12], -1.0f);
    EXPECT_FLOAT_EQ(m[13], 0.0f);
    glLoadIdentity();
}

TEST(KeyboardGL, EscapeFollowsTheKeyStateAndStrayCodesAreFalse)
{
    int count = 0;
    Uint8* keys = SDL_GetKeyState(&count);
    keys[SDLK_ESCAPE] = 1;
    EXPECT_TRUE(gKeyboard.isKeyDown(27));
    keys[SDLK_ESCAPE] = 0;
    EXPECT_FALSE(gKeyboard.isKeyDown(27));
    EXPECT_FALSE(gKeyboard.isKeyDown(-1));
    EXPECT_FALSE(gKeyboard.isKeyDown(count));
    EXPECT_FALSE(gKeyboard.isKeyDown(1 << 30));
}

}  // namespace
