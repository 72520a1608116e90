// The capture program's command line.
#pragma once

#include "shell/Stage.h"

#include <cstdint>
#include <string>
#include <vector>

enum class CaptureMode { None, Stills, Video, Bench };

// --size enlarges the picture of the demo's stage (shell/Stage.h), keeping its 4:3.

struct CaptureOptions {
    CaptureMode mode = CaptureMode::None;
    std::vector<int32_t> stillTimes;  // --at, in the order given
    std::string videoPath;            // --video
    std::string outDir = ".";         // --out: where stills go
    std::string rootDir;              // --root: the folder holding data/; empty: stay here
    int32_t until = 0;                // --until: stop the show early; 0: its whole length
    bool fastForward = true;          // --full turns it off
    bool cacheTerrain = true;         // --no-cache turns it off
    bool lossless = false;            // --lossless: FFV1 and FLAC in Matroska
    int width = kStageWidth;          // --size: the frames' size in pixels
    int height = kStageHeight;
    int samples = 1;    // --samples: per pixel; 1 is no anti-aliasing
    int padWidth = 0;   // --pad: the video's frame, the picture centred on black
    int padHeight = 0;  //   in it; 0: the picture's own size
    bool loop = false;  // --loop: --at past the show's end means a later pass
    bool help = false;
};

// The name the program's messages start with.
constexpr const char* kCaptureProgram = "quorvane-capture";
// The soundtrack the video is muxed with, relative to the folder holding data/.
constexpr const char* kSoundtrackPath = "data/quorvane.mp3";

// Parses argv with CLI11. On a bad argument returns false with a one-line reason in *error;
// the program then ends with kUsageStatus (CommandLine.h).
bool parseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error);

// The --help text.
const char* captureUsage();
