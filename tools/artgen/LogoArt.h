#pragma once

#include "Canvas.h"
#include "Lettering.h"

// Where the logo's pieces lie, shared with the checks of the committed image.
constexpr int kLogoSize = 512;
constexpr int kLogoFrameWidth = 20;
constexpr int kLogoTextWidth = 440;  // the word's ink spans this much of the face
constexpr int kLogoTextHeight = 150;
// The warm orange of the frame, as it should look on screen.
constexpr unsigned kLogoFrameColour = 0xff8a1e;

// The "Quorvane" logotype: gold-to-orange heavy lettering with a dark outline
// on a deep indigo face, framed in orange. bold is a heavy sans face.
Canvas makeLogo(const Lettering& bold);
