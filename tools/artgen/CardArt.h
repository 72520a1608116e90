#pragma once

#include <string>
#include <vector>

#include "Canvas.h"
#include "Lettering.h"

constexpr int kCardSize = 256;
constexpr int kCardFrameWidth = 12;

// One block of a card: a small caption over a large name. A name may run to
// two lines; an empty caption leaves the name alone.
struct CardBlock {
    std::string caption;  // in capitals, as drawn
    std::string name;     // as written in text; a '|' marks where the card breaks the line
};

// The lines the card draws a block's name in: split at each '|', the spaces around it dropped.
std::vector<std::string> nameLines(const CardBlock& block);

// The name as written in text: without its line breaks ("Moth|grid" is Mothgrid, "Brass |Otter"
// is Brass Otter).
std::string nameText(const CardBlock& block);

// A credits or greetings card: its colours and its blocks, top to bottom.
struct CardDesign {
    unsigned backgroundTop;  // 0xRRGGBB, as meant on screen
    unsigned backgroundBottom;
    unsigned accent;  // frame and captions
    std::vector<CardBlock> blocks;
};

// The faces for the cards: a heavy one for names, a condensed one for captions.
struct CardFonts {
    const Lettering& heavy;
    const Lettering& condensed;
};

Canvas makeCard(const CardDesign& design, const CardFonts& fonts);

// The eight cards the demo shows, in the order of assets/ImageFiles.h: credits 0 and 1,
// then greetings 0 to 5.
const std::vector<CardDesign>& cardDesigns();

// What the cards say, for texts that name the same people (the release's .nfo): one line per
// block, "FILE<tab>CAPTION<tab>NAME", in the order of cardDesigns().
std::string cardText();
