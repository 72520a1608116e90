#pragma once

#include "Canvas.h"
#include "Lettering.h"

// Backgrounds, frames and lettering styles shared by the logo and the cards.

// Vertical gradient from top to bottom, with a soft vignette toward the edges.
void paintBackdrop(Canvas& canvas, Rgb top, Rgb bottom, float vignette);
// A soft round glow of colour centred at (cx, cy) fading out at radius.
void paintGlow(Canvas& canvas, float cx, float cy, float radius, Rgb colour, float strength);
// Faint diagonal stripes that keep flat areas from looking empty up close.
void paintStripes(Canvas& canvas, int period, Rgb colour, float strength);
// A band of width pixels all round the edge, then a thin line inset inside it,
// so that a cube's edges read while it spins.
void paintFrame(Canvas& canvas, int width, Rgb band, Rgb line, int lineWidth);

// How one piece of lettering is dressed.
struct LetterStyle {
    Rgb fillTop;
    Rgb fillBottom;
    Rgb outline;
    float outlineRadius;
    float shadowOffset;
    int shadowBlur;
    float shadowOpacity;
};

// Paints text with its ink box centred at (cx, cy): shadow, outline, then a
// fill graded from top to bottom of the ink.
void paintLettering(Canvas& canvas, const TextMask& text, float cx, float cy,
                    const LetterStyle& style);
