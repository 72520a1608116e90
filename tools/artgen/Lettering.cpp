#include "Lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <vector>

namespace {
constexpr float kFixedOne = 65536.0f;  // 16.16 fixed point
constexpr int kSubPixel = 64;          // 26.6 fixed point
constexpr float kCoverageMax = 255.0f;

struct PlacedGlyph {
    int left;
    int top;
    int width;
    int rows;
    std::vector<float> coverage;
};
}  // namespace

struct Lettering::Handles {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

Lettering::Lettering() : handles(new Handles) {}

Lettering::~Lettering()
{
    if (handles->face) {
        FT_Done_Face(handles->face);
    }
    if (handles->library) {
        FT_Done_FreeType(handles->library);
    }
    delete handles;
}

std::string Lettering::open(const std::string& fontPath)
{
    if (FT_Init_FreeType(&handles->library) != 0) {
        return "cannot start FreeType";
    }
    if (FT_New_Face(handles->library, fontPath.c_str(), 0, &handles->face) != 0) {
        return "cannot load font " + fontPath;
    }
    return {};
}

TextMask Lettering::render(const std::string& text, int pixelSize, float stretch, int tracking,
                           int padding) const
{
    FT_Face face = handles->face;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
    FT_Matrix matrix{static_cast<FT_Fixed>(kFixedOne), 0, 0,
                     static_cast<FT_Fixed>(stretch * kFixedOne)};
    FT_Set_Transform(face, &matrix, nullptr);

    std::vector<PlacedGlyph> glyphs;
    long penX = 0;  // 26.6
    FT_UInt previous = 0;
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    for (unsigned char character : text) {
        const FT_UInt glyphIndex = FT_Get_Char_Index(face, character);
        if (previous != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kerning{};
            FT_Get_Kerning(face, previous, glyphIndex, FT_KERNING_UNFITTED, &kerning);
            penX += kerning.x;
        }
        if (FT_Load_Glyph(face, glyphIndex, FT_LOAD_NO_HINTING | FT_LOAD_RENDER) == 0) {
            const FT_GlyphSlot slot = face->glyph;
            const FT_Bitmap& bitmap = slot->bitmap;
            PlacedGlyph glyph{static_cast<int>(penX / kSubPixel) + slot->bitmap_left,
                              -slot->bitmap_top,
                              static_cast<int>(bitmap.width),
                              static_cast<int>(bitmap.rows),
                              {}};
            glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.rows);
            for (int y = 0; y < glyph.rows; ++y) {
                for (int x = 0; x < glyph.width; ++x) {
                    glyph.coverage[static_cast<size_t>(y) * glyph.width + x] =
                        bitmap.buffer[y * bitmap.pitch + x] / kCoverageMax;
                }
            }
            if (glyph.width > 0 && glyph.rows > 0) {
                minX = std::min(minX, glyph.left);
                minY = std::min(minY, glyph.top);
                maxX = std::max(maxX, glyph.left + glyph.width);
                maxY = std::max(maxY, glyph.top + glyph.rows);
                glyphs.push_back(std::move(glyph));
            }
            penX += slot->advance.x + tracking * kSubPixel;
        }
        previous = glyphIndex;
    }
    FT_Set_Transform(face, nullptr, nullptr);

    TextMask result;
    if (glyphs.empty()) {
        result.mask = Mask(2 * padding, 2 * padding);
        return result;
    }
    result.inkLeft = padding;
    result.inkTop = padding;
    result.inkWidth = maxX - minX;
    result.inkHeight = maxY - minY;
    result.mask = Mask(result.inkWidth + 2 * padding, result.inkHeight + 2 * padding);
    for (const PlacedGlyph& glyph : glyphs) {
        for (int y = 0; y < glyph.rows; ++y) {
            for (int x = 0; x < glyph.width; ++x) {
                const int maskX = glyph.left - minX + padding + x;
                const int maskY = glyph.top - minY + padding + y;
                const float sum = result.mask.at(maskX, maskY) +
                                  glyph.coverage[static_cast<size_t>(y) * glyph.width + x];
                result.mask.set(maskX, maskY, std::min(sum, 1.0f));
            }
        }
    }
    return result;
}

TextMask Lettering::fit(const std::string& text, int maxWidth, int maxHeight, int maxSize,
                        float stretch, int tracking, int padding) const
{
    int size = maxSize;
    TextMask result = render(text, size, stretch, tracking, padding);
    // Ink grows almost linearly with the size, so two corrections settle it.
    for (int attempt = 0;
         attempt < 4 && (result.inkWidth > maxWidth || result.inkHeight > maxHeight); ++attempt) {
        const float scale = std::min(static_cast<float>(maxWidth) / std::max(result.inkWidth, 1),
                                     static_cast<float>(maxHeight) / std::max(result.inkHeight, 1));
        size = std::max(1, static_cast<int>(size * scale) - (attempt > 0 ? 1 : 0));
        result = render(text, size, stretch, tracking, padding);
    }
    return result;
}
