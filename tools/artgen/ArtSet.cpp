#include "ArtSet.h"

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

std::string openFont(Lettering* lettering, const char* path)
{
    const std::string error = lettering->open(path);
    return error.empty() ? error : error + " (Debian package fonts-dejavu-core)";
}

} // namespace

std::string writeAllArt(const std::string& directory)
{
    Lettering heavy;
    Lettering condensed;
    for (const auto& [lettering, path] : {std::pair<Lettering*, const char*>{&heavy, kHeavyFont}, {&condensed, kCondensedFont}}) {
        const std::string error = openFont(lettering, path);
        if (!error.empty()) {
            return error;
        }
    }
    const std::string prefix = directory + "/";
    const TerrainHeights terrain;

    std::string error = writeBmp(prefix + "t.bmp", makeSprite());
    if (error.empty()) {
        error = writeBmp(prefix + "logo.bmp", makeLogo(heavy));
    }
    if (error.empty()) {
        error = writeBmp(prefix + "floor1.bmp", makeFloor(terrain));
    }
    const CardFonts fonts{heavy, condensed};
    for (const CardDesign& design : cardDesigns()) {
        if (!error.empty()) {
            break;
        }
        error = writeBmp(prefix + design.fileName, makeCard(design, fonts));
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
        error = writePng(directory + "/quorvane-" + std::to_string(size) + ".png", makeIcon(logo, size));
    }
    return error;
}
