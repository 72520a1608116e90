// Every image variant the hardening inputs hold, loaded through Texture::load on a real GL
// context and read back: undecodable ones fail with a reason, decodable ones end up as a
// texture of the expected size whose every texel has the image's colour.
// Usage: hardening_image_test IMAGE_DIR [pow2]   (pow2: the GL is made to lack NPOT support)
#include "assets/Texture.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string gImageDir;
bool gPowerOfTwoOnly = false;

// The colour every decodable variant is filled with (red 200, green 48, blue 8). A texel
// shows the image's blue as red and its red as blue, as every 24-bit BMP does in the demo.
constexpr GLubyte kExpectedTexel[3] = {8, 48, 200};

struct Variant {
    std::string name;
    std::string expected;  // "WxH" or "error"
};

void PrintTo(const Variant& variant, std::ostream* out) { *out << variant.name; }

std::vector<Variant> readManifest()
{
    std::vector<Variant> variants;
    std::ifstream manifest(gImageDir + "/manifest.txt");
    std::string name, anySize, pow2Size;
    while (manifest >> name >> anySize >> pow2Size) {
        variants.push_back({name, gPowerOfTwoOnly ? pow2Size : anySize});
    }
    return variants;
}

class DecodedImageTest : public ::testing::TestWithParam<Variant> {};

TEST_P(DecodedImageTest, LoadsAsExpected)
{
    const Variant& variant = GetParam();
    const std::string path = gImageDir + "/" + variant.name + ".bmp";
    Texture texture;
    const bool loaded = texture.load(path.c_str());
    ASSERT_NE(texture.id, 0u) << "the name is generated whatever happens";
    if (variant.expected == "error") {
        EXPECT_FALSE(loaded);
        EXPECT_STRNE(SDL_GetError(), "") << "a failed load says why";
        texture.release();
        return;
    }
    ASSERT_TRUE(loaded) << SDL_GetError();
    int expectedWidth = 0, expectedHeight = 0;
    ASSERT_EQ(std::sscanf(variant.expected.c_str(), "%dx%d", &expectedWidth, &expectedHeight), 2);
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, expectedWidth);
    EXPECT_EQ(height, expectedHeight);
    std::vector<GLubyte> texels(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    size_t wrong = 0, firstWrong = texels.size();
    for (size_t i = 0; i < texels.size(); i += 3) {
        if (std::memcmp(&texels[i], kExpectedTexel, 3) != 0) {
            if (wrong++ == 0) firstWrong = i;
        }
    }
    EXPECT_EQ(wrong, 0u) << "first wrong texel " << firstWrong / 3 << " is ("
                         << int(texels[firstWrong]) << ", " << int(texels[firstWrong + 1]) << ", "
                         << int(texels[firstWrong + 2]) << ")";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    texture.release();
}

INSTANTIATE_TEST_SUITE_P(Variants, DecodedImageTest, ::testing::ValuesIn(readManifest()),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (c == '-') c = '_';
                             }
                             return name;
                         });

}  // namespace

int main(int argc, char** argv)
{
    // The parameters come from the manifest when InitGoogleTest registers the tests, so the
    // folder must be known before.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "pow2") == 0) gPowerOfTwoOnly = true;
        else if (std::strncmp(argv[i], "--", 2) != 0 && gImageDir.empty()) gImageDir = argv[i];
    }
    if (gImageDir.empty()) {
        std::fprintf(stderr, "usage: hardening_image_test IMAGE_DIR [pow2]\n");
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || SDL_SetVideoMode(64, 64, 0, SDL_OPENGL) == nullptr) {
        std::fprintf(stderr, "hardening_image_test: no GL context: %s\n", SDL_GetError());
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    SDL_Quit();
    return result;
}
