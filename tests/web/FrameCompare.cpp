// web_frame_compare FRAME REFERENCE [MAX_SHARE MAX_MEAN]: the golden frames' metric applied
// to two PNG files. Prints the share of differing pixels and the mean difference; exits 0
// when they are within the golden bounds (or the bounds given), 1 when not, 2 when a file
// cannot be read.
#include "FrameDiff.h"
#include "PngFile.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: web_frame_compare FRAME REFERENCE [MAX_SHARE MAX_MEAN]\n");
        return 2;
    }
    RgbImage images[2];
    for (int i = 0; i < 2; ++i) {
        std::string error;
        if (!readPng(argv[1 + i], &images[i], &error)) {
            std::fprintf(stderr, "web_frame_compare: %s: %s\n", argv[1 + i], error.c_str());
            return 2;
        }
    }
    const double maxShare = argc == 5 ? std::atof(argv[3]) : kMaxDifferingShare;
    const double maxMean = argc == 5 ? std::atof(argv[4]) : kMaxMeanDifference;
    const FrameDifference difference = compareFrames(images[0], images[1]);
    const bool within = difference.sameSize && difference.differingShare <= maxShare &&
                        difference.meanDifference <= maxMean && hasContent(images[0]);
    std::printf("%s: %.3f%% of pixels beyond %d levels, mean difference %.3f%s\n",
                within ? "within" : "beyond", difference.differingShare * 100.0, kPixelThreshold,
                difference.meanDifference,
                hasContent(images[0]) ? "" : " (the frame is one flat colour)");
    return within ? 0 : 1;
}
