// Textures, the cube, the terrain and the fountain drawn into a real GL context, and the
// music played through SDL's disk audio driver.
#include "TestSupport.h"
#include "assets/Music.h"
#include "assets/Texture.h"
#include "effects/Cube.h"
#include "effects/ParticleSystem.h"
#include "effects/Terrain.h"
#include "shell/Renderer.h"
#include "shell/Window.h"

#include <gtest/gtest.h>
#include <SDL_mixer.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

std::vector<unsigned char> texels(const Texture& texture, int* width, int* height)
{
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
    std::vector<unsigned char> out(size_t(*width) * *height * 3 + 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, out.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return out;
}

// Writes a BMP whose file channels are exactly (red, green, blue) as a paint program
// would store them.
void writeFileColourBmp(const std::string& path, int w, int h, int bits, Uint8 r, Uint8 g, Uint8 b)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, r, g, b));
    if (bits == 24) {
        SDL_SaveBMP(s, path.c_str());
    } else {
        SDL_PixelFormat format = *s->format;
        if (bits == 32) {
            format.BitsPerPixel = 32;
            format.BytesPerPixel = 4;
        } else {
            format.BitsPerPixel = 16;
            format.BytesPerPixel = 2;
            format.Rmask = 0xF800;
            format.Gmask = 0x07E0;
            format.Bmask = 0x001F;
            format.Rshift = 11;
            format.Gshift = 5;
            format.Bshift = 0;
            format.Rloss = 3;
            format.Gloss = 2;
            format.Bloss = 3;
        }
        SDL_Surface* c = SDL_ConvertSurface(s, &format, SDL_SWSURFACE);
        SDL_SaveBMP(c, path.c_str());
        SDL_FreeSurface(c);
    }
    SDL_FreeSurface(s);
}

class Textures : public ::testing::Test {
protected:
    std::string dir = makeTempDir();
};

TEST_F(Textures, RedAndBlueSwapGreenStaysAndFiltersAreLinear)
{
    const std::string red = dir + "/red.bmp", blue = dir + "/blue.bmp", green = dir + "/green.bmp";
    writeFileColourBmp(red, 8, 4, 24, 255, 0, 0);
    writeFileColourBmp(blue, 8, 4, 24, 0, 0, 255);
    writeFileColourBmp(green, 8, 4, 24, 0, 255, 0);
    Texture t[3];
    ASSERT_TRUE(t[0].load(red.c_str()));
    ASSERT_TRUE(t[1].load(blue.c_str()));
    ASSERT_TRUE(t[2].load(green.c_str()));
    const unsigned char expected[3][3] = {{0, 0, 255}, {255, 0, 0}, {0, 255, 0}};
    for (int i = 0; i < 3; ++i) {
        int w = 0, h = 0;
        const auto px = texels(t[i], &w, &h);
        EXPECT_EQ(w, 8);
        EXPECT_EQ(h, 4);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(px[k], expected[i][k]) << i << "," << k;
        GLint minFilter = 0, magFilter = 0, wrap = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
        EXPECT_EQ(minFilter, GL_LINEAR);
        EXPECT_EQ(magFilter, GL_LINEAR);
        EXPECT_EQ(wrap, GL_REPEAT);
    }
    EXPECT_NE(t[0].id, t[1].id);
    t[0].release();
    EXPECT_EQ(t[0].id, 0u);
}

TEST_F(Textures, OtherDepthsGetTheSameColourTreatment)
{
    for (int bits : {16, 32}) {
        const std::string path = dir + "/deep" + std::to_string(bits) + ".bmp";
        writeFileColourBmp(path, 6, 3, bits, 255, 0, 0);
        Texture t;
        ASSERT_TRUE(t.load(path.c_str())) << bits;
        int w = 0, h = 0;
        const auto px = texels(t, &w, &h);
        EXPECT_EQ(w, 6);
        EXPECT_EQ(h, 3);
        // The last texel too: a wrong row length would read past the pixels.
        const size_t last = (size_t(w) * h - 1) * 3;
        EXPECT_GE(px[last + 2], 248) << bits;
        EXPECT_EQ(px[last + 0], 0) << bits;
    }
    // An 8-bit palette image whose only colour is the file's green.
    const std::string palette = dir + "/palette.bmp";
    SDL_Surface* p8 = SDL_CreateRGBSurface(SDL_SWSURFACE, 5, 3, 8, 0, 0, 0, 0);
    SDL_Color green = {0, 255, 0, 0};
    SDL_SetColors(p8, &green, 0, 1);
    SDL_FillRect(p8, nullptr, 0);
    ASSERT_EQ(SDL_SaveBMP(p8, palette.c_str()), 0);
    SDL_FreeSurface(p8);
    Texture t;
    ASSERT_TRUE(t.load(palette.c_str()));
    int w = 0, h = 0;
    const auto px = texels(t, &w, &h);
    EXPECT_EQ(w * h, 15);
    EXPECT_EQ(px[14 * 3 + 1], 255);
    EXPECT_EQ(px[14 * 3 + 0], 0);
}

TEST_F(Textures, MissingAndTruncatedFilesFailButLeaveANamedTexture)
{
    Texture missing;
    EXPECT_FALSE(missing.load((dir + "/nothing.bmp").c_str()));
    EXPECT_NE(missing.id, 0u);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);

    const std::string whole = dir + "/whole.bmp", cut = dir + "/cut.bmp";
    writeFileColourBmp(whole, 64, 64, 24, 1, 2, 3);
    std::ifstream in(whole, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::ofstream(cut, std::ios::binary).write(bytes.data(), 40);
    Texture truncated;
    EXPECT_FALSE(truncated.load(cut.c_str()));
    std::ofstream(cut, std::ios::binary).write("not an image at all", 19);
    EXPECT_FALSE(truncated.load(cut.c_str()));
}

TEST_F(Textures, NonPowerOfTwoImagesUploadWhole)
{
    const std::string path = dir + "/odd.bmp";
    writeFileColourBmp(path, 3, 5, 24, 0, 0, 255);
    Texture t;
    ASSERT_TRUE(t.load(path.c_str()));
    int w = 0, h = 0;
    const auto px = texels(t, &w, &h);
    EXPECT_EQ(w * h, 15);
    EXPECT_EQ(px[(15 - 1) * 3 + 0], 255);  // shown red, to the last texel
}

// A cube drawn in a bare frame: camera at rest, projection as the driver sets it.
class CubeDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        gRenderer.setViewport(0, 0, 800, 600);
        gRenderer.setPerspective(45.0f, 800, 600, 1.0f, 400.0f);
        glClearColor(0, 0, 0, 0);
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        const std::string path = makeTempDir() + "/white.bmp";
        writeSolidBmp(path, 4, 4, {1, 1, 1});
        ASSERT_TRUE(white.load(path.c_str()));
    }
    void TearDown() override { glDisable(GL_CULL_FACE); }
    Texture white;
};

int countLit(const Frame& f)
{
    int n = 0;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) n += f.at(x, y)[0] > 128;
    return n;
}

TEST_F(CubeDrawing, AxisAlignedCubeCoversItsProjectedSquare)
{
    gRenderer.clear();
    drawCube(white, 0, 0, -10, 0, 1);
    const Frame f = readFrame();
    // Front face at distance 9: half side 300 / (9 tan 22.5 deg) = 80.5 pixels.
    EXPECT_EQ(f.at(400, 300)[0], 255);
    EXPECT_EQ(f.at(400 + 78, 300 - 78)[0], 255);
    EXPECT_EQ(f.at(400 - 78, 300 + 78)[0], 255);
    EXPECT_EQ(f.at(400 + 84, 300)[0], 0);
    EXPECT_EQ(f.at(400, 300 - 84)[0], 0);
    EXPECT_NEAR(countLit(f), 161 * 161, 161 * 4);
}

TEST_F(CubeDrawing, EveryFaceSurvivesBackFaceCulling)
{
    glEnable(GL_CULL_FACE);
    const float turns[6][4] = {{0, 1, 0, 0},  {90, 1, 0, 0},  {-90, 1, 0, 0},
                               {90, 0, 1, 0}, {-90, 0, 1, 0}, {180, 0, 1, 0}};
    for (const auto& turn : turns) {
        gRenderer.clear();
        glTranslatef(0, 0, -10);
        glRotatef(turn[0], turn[1], turn[2], turn[3]);
        drawCube(white, 0, 0, 0, 0, 1);
        EXPECT_NEAR(countLit(readFrame()), 161 * 161, 161 * 4) << turn[0] << " " << turn[1];
    }
}

TEST_F(CubeDrawing, TwoCubesWithoutPushShareTheFrame)
{
    gRenderer.clear();
    drawCube(white, 0, 0, -10, 0, 1);
    drawCube(white, 0, 2.5f, 0, 0, 1);  // relative to the first cube's centre
    const Frame f = readFrame();
    EXPECT_EQ(f.at(400, 300 - 180)[0], 255);  // 2.5 units above at depth 10
}

TEST(TerrainGL, DrawEmitsTwoTrianglesPerCellAndLeavesItsTextureBound)
{
    static Terrain terrain;
    terrain.generate(92, 128, 16);
    Texture floor;
    const std::string path = makeTempDir() + "/floor.bmp";
    writeSolidBmp(path, 4, 4, {1, 1, 1});
    ASSERT_TRUE(floor.load(path.c_str()));
    terrain.texture = &floor;

    // An orthographic box around the whole grid, so feedback reports every triangle.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1000, 1000, -1000, 1000, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    std::vector<GLfloat> buffer(92 * 128 * 2 * 12);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    const GLint depth = modelviewDepth();
    glBindTexture(GL_TEXTURE_2D, 0);
    terrain.draw(-48, -32, -128);
    const GLint values = glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    int triangles = 0;
    for (GLint i = 0; i < values;) {
        ASSERT_EQ(buffer[i], GL_POLYGON_TOKEN);
        const int corners = int(buffer[i + 1]);
        EXPECT_EQ(corners, 3);
        ++triangles;
        i += 2 + corners * 3;
    }
    EXPECT_EQ(triangles, 91 * 127 * 2);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), floor.id);
    EXPECT_EQ(modelviewDepth(), depth);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    terrain.texture = nullptr;  // no texture: drawn untextured, no crash
    terrain.draw(-48, -32, -128);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}

TEST(FountainGL, NoLiveParticleIssuesOnlyTheBlendFunctionAndTheBind)
{
    static ParticleSystem fountain;  // all dead after construction
    Texture sprite;
    const std::string path = makeTempDir() + "/sprite.bmp";
    writeSolidBmp(path, 4, 4, {1, 1, 1});
    ASSERT_TRUE(sprite.load(path.c_str()));
    fountain.emitter.texture = &sprite;
    glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D, 0);
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    fountain.draw(0, 0, 0);
    EXPECT_EQ(glRenderMode(GL_RENDER), 0);
    GLint src = 0, dst = 0, bound = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ONE);
    EXPECT_EQ(GLuint(bound), sprite.id);
}

// The disk audio driver's output from its first non-silent sample on, once `frames`
// stereo frames of it exist; empty when that never happens. The driver writes silence
// from the moment the device opens, so the music starts somewhere inside the file.
std::vector<Sint16> soundOnceWritten(const std::string& path, size_t frames)
{
    for (int attempt = 0; attempt < 2000; ++attempt) {
        std::ifstream in(path, std::ios::binary);
        std::vector<Sint16> samples;
        Sint16 buffer[4096];
        while (in.read(reinterpret_cast<char*>(buffer), sizeof buffer) || in.gcount() > 0) {
            samples.insert(samples.end(), buffer, buffer + in.gcount() / 2);
        }
        size_t first = 0;
        while (first < samples.size() && samples[first] == 0) ++first;
        first -= first % 2;  // start on a left sample
        if (samples.size() >= first + frames * 2) {
            return std::vector<Sint16>(samples.begin() + long(first),
                                       samples.begin() + long(first + frames * 2));
        }
        SDL_Delay(5);  // waiting for the audio thread, not measuring time
    }
    return {};
}

class MusicAudio : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = makeTempDir();
        output = dir + "/out.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "1", 1);
        ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
    }
    void TearDown() override
    {
        Mix_CloseAudio();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    std::string dir, output;
};

TEST_F(MusicAudio, TheMusicReallyPlaysFromItsStart)
{
    const std::string wav = dir + "/tone.wav";
    writeSquareWav(wav, 22050);
    Music music(wav);
    ASSERT_TRUE(music.load());
    music.play(0, -1, 2000);
    const auto samples = soundOnceWritten(output, 4096);
    ASSERT_EQ(samples.size(), 4096u * 2) << "only silence came out";
    // The file's own start: +8000 for 25 frames, then -8000 for 25, right channel silent.
    for (size_t i = 0; i < 4096; ++i) {
        EXPECT_NEAR(samples[i * 2], (i / 25) % 2 ? -8000 : 8000, 8) << i;
        EXPECT_EQ(samples[i * 2 + 1], 0) << i;
    }
    music.release();
    EXPECT_EQ(music.handle, nullptr);
}

TEST_F(MusicAudio, AnMp3DecodedAfterTheDeviceOpenedPlaysSound)
{
    const std::string wav = dir + "/tone.wav", mp3 = dir + "/tone.mp3";
    writeSquareWav(wav, 22050);
    ASSERT_EQ(std::system(("lame --quiet -b 128 " + wav + " " + mp3).c_str()), 0)
        << "lame is needed to make the test's MP3";
    Music music(mp3);
    ASSERT_TRUE(music.load()) << Mix_GetError();
    music.play(0, 0, 0);
    const auto samples = soundOnceWritten(output, 11025);
    long loud = 0;
    for (size_t i = 0; i < samples.size(); i += 2) loud += std::abs(samples[i]) > 2000;
    EXPECT_GT(loud, 9000);  // the square wave, after the encoder's short lead-in
}

TEST_F(MusicAudio, MusicThatIsNotAudioFailsToLoadAndPlayIsHarmless)
{
    const std::string bad = dir + "/bad.mp3";
    std::ofstream(bad) << "this is not music";
    Music music(bad);
    EXPECT_FALSE(music.load());
    EXPECT_EQ(music.handle, nullptr);
    music.play(0, -1, 2000);
    Music missing(dir + "/none.mp3");
    EXPECT_FALSE(missing.load());
}

}  // namespace
