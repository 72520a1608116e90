#include "FrameDiff.h"

#include <cstdio>
#include <cstdlib>

std::string FrameDifference::describe() const
{
    if (!sameSize) return "frames differ in size";
    char text[160];
    std::snprintf(text, sizeof text,
                  "%.3f%% of pixels differ by more than %d (allowed %.3f%%), mean difference "
                  "%.3f (allowed %.3f)",
                  differingShare * 100.0, kPixelThreshold, kMaxDifferingShare * 100.0,
                  meanDifference, kMaxMeanDifference);
    return text;
}

FrameDifference compareFrames(const RgbImage& frame, const RgbImage& reference)
{
    FrameDifference result;
    if (frame.width != reference.width || frame.height != reference.height ||
        frame.pixels.size() != reference.pixels.size() || frame.pixels.empty()) {
        return result;
    }
    result.sameSize = true;
    long long differing = 0, total = 0;
    const size_t count = frame.pixels.size();
    for (size_t i = 0; i < count; i += RgbImage::kChannels) {
        int largest = 0;
        for (int c = 0; c < RgbImage::kChannels; ++c) {
            const int d = std::abs(int(frame.pixels[i + c]) - int(reference.pixels[i + c]));
            total += d;
            if (d > largest) largest = d;
        }
        if (largest > kPixelThreshold) ++differing;
    }
    result.differingShare = double(differing) / double(count / RgbImage::kChannels);
    result.meanDifference = double(total) / double(count);
    return result;
}

bool hasContent(const RgbImage& frame)
{
    for (size_t i = RgbImage::kChannels; i < frame.pixels.size(); ++i) {
        if (frame.pixels[i] != frame.pixels[i % RgbImage::kChannels]) return true;
    }
    return false;
}
