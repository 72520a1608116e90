#include "ArtSet.h"

#include "assets/ImageFiles.h"

#include "BmpFile.h"
#include "CardArt.h"
#include "FloorArt.h"
#include "IconArt.h"
#include "Lettering.h"
#include "LogoArt.h"
#include "PngFile.h"
#include "SpriteArt.h"
#include "TerrainHeights.h"

namespace {
constexpr char kHeavyFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr char kCondensedFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";

// Unlike the BMPs, no channels are exchanged: the icons are shown by the desktop, not
// uploaded by the demo.
RgbImage toRgbImage(const Canvas& canvas)
{
    RgbImage image;
    image.resize(canvas.width(), canvas.height());
    for (int y = 0; y < canvas.height(); ++y) {
        uint8_t* out = image.row(y);
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgb pixel = canvas.at(x, y);
            *out++ = toByte(pixel.r);
            *out++ = toByte(pixel.g);
            *out++ = toByte(pixel.b);
        }
    }
    return image;
}

std::string openFont(Lettering* lettering, const char* path)
{
    const std::string error = lettering->open(path);
    return error.empty() ? error : error + " (Debian package fonts-dejavu-core)";
}

}  // namespace

std::string writeAllArt(const std::string& directory)
{
    Lettering heavy;
    Lettering condensed;
    for (const auto& [lettering, path] :
         {std::pair<Lettering*, const char*>{&heavy, kHeavyFont}, {&condensed, kCondensedFont}}) {
        const std::string error = openFont(lettering, path);
        if (!error.empty()) {
            return error;
        }
    }
    const std::string prefix = directory + "/";
    const TerrainHeights terrain;

    std::string error = writeBmp(prefix + kImageNames[kSpriteImage], makeSprite());
    if (error.empty()) {
        error = writeBmp(prefix + kImageNames[kLogoImage], makeLogo(heavy));
    }
    if (error.empty()) {
        error = writeBmp(prefix + kImageNames[kFloorImage], makeFloor(terrain));
    }
    const CardFonts fonts{heavy, condensed};
    const std::vector<CardDesign>& designs = cardDesigns();
    if (designs.size() != kImageCount - kFirstCreditsImage) {
        return "the card designs do not match the cards of assets/ImageNames.inc";
    }
    for (size_t card = 0; card < designs.size() && error.empty(); ++card) {
        error = writeBmp(prefix + kImageNames[kFirstCreditsImage + card],
                         makeCard(designs[card], fonts));
    }
    return error;
}

std::string writeAllIcons(const std::string& directory)
{
    Lettering heavy;
    std::string error = openFont(&heavy, kHeavyFont);
    if (!error.empty()) {
        return error;
    }
    const Canvas logo = makeLogo(heavy);
    for (int size : kIconSizes) {
        if (!error.empty()) {
            break;
        }
        const std::string path = directory + "/quorvane-" + std::to_string(size) + ".png";
        if (!writePng(path, toRgbImage(makeIcon(logo, size)), {}, &error)) {
            error = "cannot write " + path + ": " + error;
        }
    }
    return error;
}
