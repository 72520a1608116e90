// Checks of the committed images as the demo will load and show them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "BmpImage.h"
#include "assets/ImageFiles.h"

namespace {

const std::string kDataDir = ART_DATA_DIR;
constexpr uint16_t kBmpSignature = 0x4d42;  // "BM"
constexpr size_t kHeadersSize = 54;

BmpImage load(const std::string& name)
{
    BmpImage image = readBmp(kDataDir + "/" + name);
    EXPECT_EQ(image.error, "") << name;
    return image;
}

bool isTextureSide(int32_t side) { return side == 256 || side == 512; }

// Share of pixels in the box whose on-screen brightness passes the test.
template <typename Test>
double share(const BmpImage& image, int left, int top, int right, int bottom, Test test)
{
    int hits = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            hits += test(image.luma(x, y)) ? 1 : 0;
        }
    }
    return static_cast<double>(hits) / ((right - left) * (bottom - top));
}

}  // namespace

TEST(ArtFiles, EveryImageIsAnUncompressed24BitBottomUpBmpWithPowerOfTwoSides)
{
    for (const char* name : kImageNames) {
        SCOPED_TRACE(name);
        const BmpImage image = load(name);
        ASSERT_GE(image.bytes.size(), kHeadersSize);
        EXPECT_EQ(image.signature, kBmpSignature);
        EXPECT_EQ(image.infoSize, 40u) << "BITMAPINFOHEADER";
        EXPECT_EQ(image.pixelOffset, kHeadersSize) << "no palette or extra header";
        EXPECT_EQ(image.planes, 1);
        EXPECT_EQ(image.bitsPerPixel, 24);
        EXPECT_EQ(image.compression, 0u) << "BI_RGB";
        EXPECT_TRUE(isTextureSide(image.width)) << image.width;
        EXPECT_TRUE(isTextureSide(image.height)) << image.height;
        EXPECT_EQ(image.fileSizeField, image.bytes.size());
        EXPECT_EQ(image.bytes.size(),
                  kHeadersSize + static_cast<size_t>(image.rowBytes()) * image.height);
    }
}

TEST(ArtFiles, SpriteIsBlackAllRoundAndBrightInTheCentre)
{
    const BmpImage sprite = load(kImageNames[kSpriteImage]);
    ASSERT_EQ(sprite.width, 256);
    ASSERT_EQ(sprite.height, 256);
    const int size = sprite.width;
    constexpr int kBorder =
        8;  // additive blending shows any non-black texel here as the quad's edge
    int lit = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool inBorder =
                x < kBorder || y < kBorder || x >= size - kBorder || y >= size - kBorder;
            for (int channel = 0; channel < 3 && inBorder; ++channel) {
                lit += sprite.stored(x, y, channel) != 0 ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(lit, 0) << "non-black bytes in the sprite's border";
    EXPECT_GT(sprite.luma(size / 2, size / 2), 200.0);

    // The glow fades smoothly: never brighter further out, along all four directions.
    const int centre = size / 2;
    const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& step : steps) {
        double previous = sprite.luma(centre, centre);
        for (int d = 1; d < centre; ++d) {
            const double here = sprite.luma(centre + step[0] * d, centre + step[1] * d);
            EXPECT_LE(here, previous + 1.0) << "ring at distance " << d;
            previous = here;
        }
    }
}

TEST(ArtFiles, LogoHasBoldLetteringAcrossItsMiddle)
{
    const BmpImage logo = load(kImageNames[kLogoImage]);
    ASSERT_EQ(logo.width, 512);
    // The word runs across the middle band; its fill is bright, its outline dark.
    const double bright = share(logo, 40, 190, 472, 322, [](double l) { return l > 180.0; });
    const double dark = share(logo, 40, 190, 472, 322, [](double l) { return l < 40.0; });
    EXPECT_GT(bright, 0.1);
    EXPECT_GT(dark, 0.1);
    // Above and below the band, only backdrop: no bright lettering.
    EXPECT_LT(share(logo, 40, 40, 472, 140, [](double l) { return l > 180.0; }), 0.02);
    EXPECT_LT(share(logo, 40, 372, 472, 472, [](double l) { return l > 180.0; }), 0.02);
    // Eight letters side by side: bright columns come in at least eight runs.
    int runs = 0;
    bool inRun = false;
    for (int x = 40; x < 472; ++x) {
        bool any = false;
        for (int y = 200; y < 312 && !any; ++y) {
            any = logo.luma(x, y) > 180.0;
        }
        runs += any && !inRun ? 1 : 0;
        inRun = any;
    }
    EXPECT_GE(runs, 8);
}

TEST(ArtFiles, CardsCarryLightLetteringOnDarkerGround)
{
    for (size_t index = kFirstCreditsImage; index < kImageCount; ++index) {
        const char* name = kImageNames[index];
        SCOPED_TRACE(name);
        const BmpImage card = load(name);
        ASSERT_EQ(card.width, 256);
        const int inset = 24;  // inside the frame
        const int far = card.width - inset;
        const double bright =
            share(card, inset, inset, far, far, [](double l) { return l > 200.0; });
        const double ground =
            share(card, inset, inset, far, far, [](double l) { return l < 110.0; });
        EXPECT_GT(bright, 0.08) << "too little lettering";
        EXPECT_GT(ground, 0.35) << "too little dark ground for the lettering to stand out";
        // Text on at least two separate rows (caption and name, or two blocks).
        int bands = 0;
        bool inBand = false;
        for (int y = inset; y < far; ++y) {
            bool any = false;
            for (int x = inset; x < far && !any; ++x) {
                any = card.luma(x, y) > 200.0;
            }
            bands += any && !inBand ? 1 : 0;
            inBand = any;
        }
        EXPECT_GE(bands, 2);
    }
}

TEST(ArtFiles, ChannelsAreStoredSwappedForTheUpload)
{
    // The logo's frame is meant warm orange on screen; the upload takes the
    // stored blue as red, so the file must hold more blue than red there.
    const BmpImage logo = load(kImageNames[kLogoImage]);
    for (const auto& [x, y] : {std::pair{8, 256}, {256, 8}, {503, 256}, {256, 503}}) {
        const int storedBlue = logo.stored(x, y, 0);
        const int storedRed = logo.stored(x, y, 2);
        EXPECT_GT(storedBlue, 180) << x << "," << y;
        EXPECT_GT(storedBlue - storedRed, 120) << x << "," << y;
    }
    // The floor's lakes are meant blue: there the stored red exceeds the stored blue.
    const BmpImage floor = load(kImageNames[kFloorImage]);
    int blueOnScreen = 0;
    for (int y = 0; y < floor.height; ++y) {
        for (int x = 0; x < floor.width; ++x) {
            blueOnScreen += floor.stored(x, y, 2) > floor.stored(x, y, 0) + 60 ? 1 : 0;
        }
    }
    EXPECT_GT(blueOnScreen, floor.width * floor.height / 50) << "no lakes seen";
}

TEST(ArtFiles, FloorVariesOnLargeAndFineScales)
{
    const BmpImage floor = load(kImageNames[kFloorImage]);
    ASSERT_EQ(floor.width, 512);
    ASSERT_EQ(floor.height, 512);
    // Large scale: the mean colour of 64-pixel blocks differs between blocks.
    constexpr int kBlock = 64;
    double lowest = 255.0, highest = 0.0;
    double fineSum = 0.0;
    int fineCount = 0;
    for (int by = 0; by < floor.height; by += kBlock) {
        for (int bx = 0; bx < floor.width; bx += kBlock) {
            double sum = 0.0;
            for (int y = by; y < by + kBlock; ++y) {
                for (int x = bx; x < bx + kBlock; ++x) {
                    sum += floor.luma(x, y);
                    if (x + 1 < bx + kBlock) {
                        fineSum += std::abs(floor.luma(x + 1, y) - floor.luma(x, y));
                        ++fineCount;
                    }
                }
            }
            const double mean = sum / (kBlock * kBlock);
            lowest = std::min(lowest, mean);
            highest = std::max(highest, mean);
        }
    }
    EXPECT_GT(highest - lowest, 40.0) << "no large-scale variation";
    // Fine scale: neighbouring texels differ noticeably on average.
    EXPECT_GT(fineSum / fineCount, 3.0) << "no fine detail";
    // Not a repeated tile: the left and right halves differ.
    double halfDifference = 0.0;
    for (int y = 0; y < floor.height; ++y) {
        for (int x = 0; x < floor.width / 2; ++x) {
            halfDifference += std::abs(floor.luma(x, y) - floor.luma(x + floor.width / 2, y));
        }
    }
    EXPECT_GT(halfDifference / (floor.width / 2 * floor.height), 20.0);
}
