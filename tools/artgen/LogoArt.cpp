#include "LogoArt.h"

#include "Decor.h"
#include "ValueNoise.h"

namespace {
constexpr char kWord[] = "Quorvane";
constexpr float kStretch = 1.3f;  // taller letters stay legible when the cube is small
constexpr int kTracking = 2;
constexpr int kPadding = 16;
constexpr int kMaxEm = 160;
constexpr uint32_t kStarSeed = 0x51a7;
constexpr int kStarCell = 24;  // one chance of a star per cell
constexpr float kStarChance = 0.35f;
constexpr int kRuleInset = 88;
constexpr int kRuleTop = 146;
constexpr int kRuleThickness = 7;
constexpr int kFrameLineWidth = 7;

void paintStars(Canvas& canvas)
{
    // Small pale sparkles scattered over the backdrop, one per lucky cell.
    const ValueNoise chance(kStarSeed);
    for (int cy = 0; cy < canvas.height() / kStarCell; ++cy) {
        for (int cx = 0; cx < canvas.width() / kStarCell; ++cx) {
            if (chance.lattice(cx, cy) > kStarChance) {
                continue;
            }
            const int x = cx * kStarCell +
                          static_cast<int>(chance.lattice(cx + 101, cy) * (kStarCell - 4)) + 2;
            const int y = cy * kStarCell +
                          static_cast<int>(chance.lattice(cx, cy + 101) * (kStarCell - 4)) + 2;
            const float brightness = 0.35f + 0.5f * chance.lattice(cx + 7, cy + 13);
            const Rgb star = hexRgb(0xcfd8ff);
            canvas.blend(x, y, star, brightness);
            canvas.blend(x - 1, y, star, brightness * 0.4f);
            canvas.blend(x + 1, y, star, brightness * 0.4f);
            canvas.blend(x, y - 1, star, brightness * 0.4f);
            canvas.blend(x, y + 1, star, brightness * 0.4f);
        }
    }
}
}  // namespace

Canvas makeLogo(const Lettering& bold)
{
    Canvas canvas(kLogoSize, kLogoSize);
    const float centre = kLogoSize * 0.5f;
    paintBackdrop(canvas, hexRgb(0x3a2a9a), hexRgb(0x120c3a), 0.35f);
    paintStripes(canvas, 12, hexRgb(0x5a48c8), 0.12f);
    paintStars(canvas);
    paintGlow(canvas, centre, centre, kLogoSize * 0.48f, hexRgb(0x6c5cff), 0.45f);

    // Gold rules above and below the word, as on a title card; thick enough
    // to stay unbroken when the face is a sixth of this size on screen.
    const Rgb rule = hexRgb(0xffd36b);
    for (int x = kRuleInset; x < kLogoSize - kRuleInset; ++x) {
        for (int t = 0; t < kRuleThickness; ++t) {
            canvas.set(x, kRuleTop + t, rule);
            canvas.set(x, kLogoSize - kRuleTop - kRuleThickness + t, rule);
        }
    }

    const TextMask word =
        bold.fit(kWord, kLogoTextWidth, kLogoTextHeight, kMaxEm, kStretch, kTracking, kPadding);
    const LetterStyle style{
        hexRgb(0xfffad0), hexRgb(0xffb030), hexRgb(0x0a0620), 6.0f, 6.0f, 4, 0.7f};
    paintLettering(canvas, word, centre, centre, style);

    paintFrame(canvas, kLogoFrameWidth, hexRgb(kLogoFrameColour), hexRgb(0xffe08a),
               kFrameLineWidth);
    return canvas;
}
