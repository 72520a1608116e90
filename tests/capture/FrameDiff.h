// How far apart two rendered frames are, and the tolerance a golden frame is held to.
//
// The metric: a pixel differs when any of its channels is more than kPixelThreshold
// levels (of 255) away from the reference. Two frames match when at most
// kMaxDifferingShare of the pixels differ and the mean channel difference over the whole
// frame is at most kMaxMeanDifference. Another Mesa build's rounding moves channels by a
// level or two and shifts a few edge pixels (softpipe against llvmpipe: at most 0.001 % of
// pixels, mean 0.1); a display of 16 bits a pixel rounds every channel to 5 or 6 bits
// (no pixel beyond the threshold, mean up to 2.7). A wrong texture, a missing or moved
// cube changes thousands of pixels by far more (swapped credits images: 1.9 %), and a
// wrong background or fog colour moves the mean.
#pragma once

#include "RgbImage.h"

#include <string>

constexpr int kPixelThreshold = 32;
constexpr double kMaxDifferingShare = 0.002;  // 0.2 %: 960 of 800 x 600 pixels
constexpr double kMaxMeanDifference = 4.0;

struct FrameDifference {
    bool sameSize = false;
    double differingShare = 1.0;    // share of pixels beyond kPixelThreshold
    double meanDifference = 255.0;  // mean absolute channel difference, 0 to 255

    bool withinTolerance() const
    {
        return sameSize && differingShare <= kMaxDifferingShare &&
               meanDifference <= kMaxMeanDifference;
    }
    std::string describe() const;
};

FrameDifference compareFrames(const RgbImage& frame, const RgbImage& reference);

// True when the picture is more than one flat colour: a frame that drew nothing is no
// evidence of anything.
bool hasContent(const RgbImage& frame);
