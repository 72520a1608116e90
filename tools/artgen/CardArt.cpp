#include "CardArt.h"

#include <algorithm>

#include "Decor.h"
#include "assets/ImageFiles.h"

namespace {

constexpr int kTextWidth = 210;  // inside the frame with a margin
constexpr int kCaptionEm = 26;
constexpr int kCaptionTracking = 3;  // spaced capitals read better small
constexpr int kNameMaxEm = 64;
constexpr float kNameStretch = 1.15f;
constexpr int kPadding = 8;
constexpr int kCaptionGap = 8;    // between a caption and its name
constexpr int kLineGap = 6;       // between the lines of a name
constexpr int kBlockGap = 22;     // between blocks
constexpr char kLineBreak = '|';  // in a block's name: where the card breaks the line

struct PlacedText {
    TextMask text;
    bool isCaption;
};

}  // namespace

std::vector<std::string> nameLines(const CardBlock& block)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    for (;;) {
        const size_t bar = block.name.find(kLineBreak, begin);
        std::string line = block.name.substr(begin, bar - begin);
        line.erase(0, line.find_first_not_of(' '));
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
        if (bar == std::string::npos) return lines;
        begin = bar + 1;
    }
}

std::string nameText(const CardBlock& block)
{
    std::string text = block.name;
    text.erase(std::remove(text.begin(), text.end(), kLineBreak), text.end());
    return text;
}

std::string cardText()
{
    std::string text;
    const std::vector<CardDesign>& designs = cardDesigns();
    for (size_t card = 0; card < designs.size(); ++card) {
        const std::string file = kImageNames[kFirstCreditsImage + card];
        for (const CardBlock& block : designs[card].blocks) {
            text += file + "\t" + block.caption + "\t" + nameText(block) + "\n";
        }
    }
    return text;
}

const std::vector<CardDesign>& cardDesigns()
{
    // Handles and group names are our own inventions. In the order of the cards in
    // assets/ImageNames.inc: credits 0 and 1, then greetings 0 to 5.
    static const std::vector<CardDesign> designs = {
        {0x2a8aa0, 0x0a2a3a, 0x6ff7d4, {{"CODE", "Korvex"}, {"GRAPHICS", "Pixelwren"}}},
        {0x7a34a8, 0x200a38, 0xffb347, {{"MUSIC", "Lumenhaze"}, {"PRESENTED BY", "Quorvane"}}},
        {0xb82a44, 0x3a0812, 0xffd166, {{"GREETINGS TO", "Moth|grid"}}},
        {0x2a62c8, 0x0a1840, 0x8ae8ff, {{"GREETINGS TO", "Fjord|light"}}},
        {0xc07420, 0x401e04, 0xfff07a, {{"GREETINGS TO", "Brass |Otter"}}},
        {0x2a98b8, 0x0a2c3e, 0xe0f8ff, {{"GREETINGS TO", "Null|frost"}}},
        {0x30a850, 0x0a3418, 0xd0ff70, {{"GREETINGS TO", "Tide|pixel"}}},
        {0xb82c90, 0x3a0830, 0xffa0d8, {{"GREETINGS TO", "Cinder |Owls"}}},
    };
    return designs;
}

Canvas makeCard(const CardDesign& design, const CardFonts& fonts)
{
    Canvas canvas(kCardSize, kCardSize);
    const Rgb top = hexRgb(design.backgroundTop);
    const Rgb bottom = hexRgb(design.backgroundBottom);
    const Rgb accent = hexRgb(design.accent);
    paintBackdrop(canvas, top, bottom, 0.3f);
    paintStripes(canvas, 16, mixRgb(top, hexRgb(0xffffff), 0.3f), 0.08f);
    paintGlow(canvas, kCardSize * 0.5f, kCardSize * 0.42f, kCardSize * 0.55f,
              mixRgb(top, hexRgb(0xffffff), 0.25f), 0.35f);

    // Names share one size per card (the widest line decides), so two-line
    // names look like one word broken, not two different sizes.
    int nameEm = kNameMaxEm;
    const int nameLinesTotal = [&] {
        int lines = 0;
        for (const CardBlock& block : design.blocks) {
            lines += static_cast<int>(nameLines(block).size());
        }
        return lines;
    }();
    const int nameMaxHeight = nameLinesTotal > 2 ? 50 : 64;
    for (const CardBlock& block : design.blocks) {
        for (const std::string& line : nameLines(block)) {
            const TextMask fitted = fonts.heavy.fit(line, kTextWidth, nameMaxHeight, kNameMaxEm,
                                                    kNameStretch, 0, kPadding);
            const TextMask atMax = fonts.heavy.render(line, kNameMaxEm, kNameStretch, 0, kPadding);
            const int em =
                atMax.inkWidth > 0 ? kNameMaxEm * fitted.inkWidth / atMax.inkWidth : kNameMaxEm;
            nameEm = std::min(nameEm, std::max(em, 1));
        }
    }

    std::vector<PlacedText> pieces;
    std::vector<int> gapsBefore;
    int totalHeight = 0;
    for (size_t b = 0; b < design.blocks.size(); ++b) {
        const CardBlock& block = design.blocks[b];
        if (!block.caption.empty()) {
            gapsBefore.push_back(b == 0 ? 0 : kBlockGap);
            pieces.push_back({fonts.condensed.fit(block.caption, kTextWidth, kCaptionEm, kCaptionEm,
                                                  1.0f, kCaptionTracking, kPadding),
                              true});
        }
        const std::vector<std::string> lines = nameLines(block);
        for (size_t l = 0; l < lines.size(); ++l) {
            gapsBefore.push_back(
                pieces.empty()
                    ? 0
                    : (l == 0 ? (block.caption.empty() ? kBlockGap : kCaptionGap) : kLineGap));
            pieces.push_back(
                {fonts.heavy.render(lines[l], nameEm, kNameStretch, 0, kPadding), false});
        }
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
        totalHeight += gapsBefore[i] + pieces[i].text.inkHeight;
    }

    const LetterStyle nameStyle{hexRgb(0xffffff),
                                mixRgb(accent, hexRgb(0xffffff), 0.7f),
                                hexRgb(0x06040c),
                                3.5f,
                                3.0f,
                                2,
                                0.6f};
    const Rgb captionFill = mixRgb(accent, hexRgb(0xffffff), 0.35f);
    const LetterStyle captionStyle{captionFill, captionFill, hexRgb(0x06040c), 2.5f, 2.0f, 1, 0.5f};
    float y = (kCardSize - totalHeight) * 0.5f;
    for (size_t i = 0; i < pieces.size(); ++i) {
        y += gapsBefore[i];
        const TextMask& text = pieces[i].text;
        paintLettering(canvas, text, kCardSize * 0.5f, y + text.inkHeight * 0.5f,
                       pieces[i].isCaption ? captionStyle : nameStyle);
        y += text.inkHeight;
    }

    paintFrame(canvas, kCardFrameWidth, accent, mixRgb(accent, hexRgb(0xffffff), 0.5f), 4);
    return canvas;
}
