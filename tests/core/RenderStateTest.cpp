// GL state read back from a real context after the window, render-state and camera calls.
#include "TestSupport.h"
#include "assets/Texture.h"
#include "effects/Camera.h"
#include "shell/Keyboard.h"
#include "shell/Renderer.h"
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

constexpr int kCentreX = 400, kCentreY = 300;  // the middle of the 800 x 600 window
constexpr int kTolerance = 4;  // a channel's rounding in the fixed function and the buffer

// The show's projection (45 degrees, 4:3, near 1, far 400), the modelview at identity.
void showProjection()
{
    gRenderer.setViewport(0, 0, 800, 600);
    gRenderer.setPerspective(45.0f, 800, 600, 1.0f, 400.0f);
}

// A square facing the viewer at eye depth `z`, filling the middle of the picture, its left
// edge in `left` and its right edge in `right`, texture coordinates 0..1 across it, and
// `normalLength` times the unit normal towards the viewer.
void drawSquare(float z, Rgb left, Rgb right, float normalLength = 1.0f)
{
    const float half = -z * 0.3f;
    glNormal3f(0.0f, 0.0f, normalLength);
    glBegin(GL_QUADS);
    glColor3f(left.r, left.g, left.b);
    glTexCoord2f(0, 0);
    glVertex3f(-half, -half, z);
    glColor3f(right.r, right.g, right.b);
    glTexCoord2f(1, 0);
    glVertex3f(half, -half, z);
    glTexCoord2f(1, 1);
    glVertex3f(half, half, z);
    glColor3f(left.r, left.g, left.b);
    glTexCoord2f(0, 1);
    glVertex3f(-half, half, z);
    glEnd();
}
void drawSquare(float z, Rgb colour) { drawSquare(z, colour, colour); }

// The middle pixel's channels, each within kTolerance of the 0..1 value expected.
void expectCentre(std::array<double, 3> expected, const char* what)
{
    const auto pixel = readFrame().at(kCentreX, kCentreY);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(pixel[c], expected[c] * 255.0, kTolerance) << what << ", channel " << c;
    }
}
void expectCentre(double grey, const char* what) { expectCentre({grey, grey, grey}, what); }

// What initGL sets, seen in what the fixed function draws after it: every switch is first
// turned the other way, so that one initGL leaves alone shows.
TEST(WindowGL, DefaultsAfterInitShowInTheDrawing)
{
    for (GLenum cap : {GL_FOG, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1}) glDisable(cap);
    glShadeModel(GL_FLAT);
    glDepthFunc(GL_LESS);
    glClearDepth(0.5);
    glClearColor(1, 1, 1, 1);
    for (GLenum cap : {GL_DEPTH_TEST, GL_TEXTURE_2D, GL_NORMALIZE, GL_LINE_SMOOTH}) {
        glDisable(cap);
    }
    gWindow.initGL(0, 0, 0, 0);
    showProjection();

    // Cleared to black and to the farthest depth; a square drawn twice at one depth shows
    // the second colour (less-or-equal), and one drawn behind it is hidden (depth test).
    gRenderer.clear();
    EXPECT_EQ(readFrame().at(5, 5), (std::array<int, 3>{0, 0, 0}));
    glDisable(GL_TEXTURE_2D);
    drawSquare(-10.0f, {1, 0, 0});
    drawSquare(-10.0f, {0, 1, 0});
    drawSquare(-20.0f, {0, 0, 1});
    expectCentre({0, 1, 0}, "the square drawn last at the same depth");

    // Smooth shading: from black at the left edge to white at the right, grey between.
    gRenderer.clear();
    drawSquare(-10.0f, {0, 0, 0}, {1, 1, 1});
    const Frame shaded = readFrame();
    const int quarter = shaded.at(kCentreX - 100, kCentreY)[0];
    const int middle = shaded.at(kCentreX, kCentreY)[0];
    const int threeQuarters = shaded.at(kCentreX + 100, kCentreY)[0];
    EXPECT_NEAR(middle, 128, 2 * kTolerance);
    EXPECT_LT(quarter + 30, middle);
    EXPECT_LT(middle + 30, threeQuarters);
    glEnable(GL_TEXTURE_2D);

    // Texturing on: a white square shows the bound texture's colour.
    GLuint green = 0;
    const unsigned char texels[2 * 2 * 3] = {0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0};
    glGenTextures(1, &green);
    glBindTexture(GL_TEXTURE_2D, green);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gRenderer.clear();
    drawSquare(-10.0f, {1, 1, 1});
    expectCentre({0, 1, 0}, "a white square under the green texture");
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &green);

    // Normals made unit length: one four times too short lights as fully as a unit one.
    // GL's light 0 shines along the view axis with diffuse 1; the default material's
    // diffuse is 0.8 and its ambient 0.2 under the scene's ambient 0.2.
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    gRenderer.clear();
    drawSquare(-10.0f, {1, 1, 1}, {1, 1, 1}, 0.25f);
    expectCentre(0.8 + 0.2 * 0.2, "a lit square with a short normal");
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);

    // Neither shows in a picture of filled squares.
    EXPECT_TRUE(enabled(GL_LINE_SMOOTH));
    GLint hint = 0;
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
    EXPECT_EQ(hint, GL_NICEST);
    EXPECT_FALSE(enabled(GL_FOG));
    EXPECT_FALSE(enabled(GL_LIGHTING));
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

// The show's light on an untextured square facing the viewer, against GL's lighting sum:
// the scene's ambient 0.2 and the light's ambient 0.5, each times the default material's
// ambient 0.2, and the light's diffuse 0.5 times the material's 0.8 times the cosine between
// the normal and the direction the light comes from. Its specular colour is black.
TEST(RendererGL, LightShadesAsTheFixedFunctionSays)
{
    showProjection();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    const double ambient = 0.2 * 0.2 + 0.5 * 0.2;
    const double towardsLight[3] = {-5 / std::sqrt(150.0), 5 / std::sqrt(150.0),
                                    10 / std::sqrt(150.0)};
    gRenderer.setLight(gLightAmbient, gLightDiffuse, gLightPosition);
    gRenderer.setLighting(7);
    gRenderer.clear();
    drawSquare(-10.0f, {1, 1, 1});
    expectCentre(ambient + 0.5 * 0.8 * towardsLight[2], "lit, facing the viewer");

    // Set at identity, the light stays with the viewer when the world turns: a square
    // turned 30 degrees about y faces away from the light's sideways x component.
    gRenderer.clear();
    glTranslatef(0.0f, 0.0f, -10.0f);
    glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, 10.0f);
    drawSquare(-10.0f, {1, 1, 1});
    glLoadIdentity();
    const double turn = 30.0 * M_PI / 180.0;
    const double cosine = std::sin(turn) * towardsLight[0] + std::cos(turn) * towardsLight[2];
    expectCentre(ambient + 0.5 * 0.8 * cosine, "lit, turned");
    EXPECT_TRUE(enabled(GL_LIGHT1));
    EXPECT_FALSE(enabled(GL_LIGHT0));

    // Lighting off: the square shows its own colour.
    gRenderer.setLighting(0);
    gRenderer.clear();
    drawSquare(-10.0f, {1, 0.5f, 0.25f});
    expectCentre({1, 0.5, 0.25}, "unlit");
    glEnable(GL_TEXTURE_2D);
}

// The show's fog on a white unlit square: exponential, so at eye distance d it keeps
// e^(-0.02 d) of its own colour and takes the rest from the grey fog colour.
TEST(RendererGL, FogBlendsIntoGreyByDistanceAsTheFixedFunctionSays)
{
    showProjection();
    glDisable(GL_TEXTURE_2D);
    setFog(0.02f, 0.4f, 0.4f, 0.4f);
    for (float distance : {10.0f, 25.0f, 60.0f}) {
        gRenderer.clear();
        drawSquare(-distance, {1, 1, 1});
        const double kept = std::exp(-0.02 * distance);
        expectCentre(kept + (1.0 - kept) * 0.4, "fogged");
    }
    EXPECT_TRUE(enabled(GL_FOG));
    glDisable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
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
