#include "CaptureOptions.h"

#include "offline/ShowFrames.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: quorvane-capture [OPTION]... MODE\n"
    "Plays the Quorvane show offline at exactly 50 frames per second, as an ideal machine\n"
    "would, and writes what it renders.\n"
    "\n"
    "Modes (exactly one):\n"
    "  --at MS[,MS...]    write the frame on screen at each elapsed time MS (21 to 85499)\n"
    "                     as OUT/quorvane-MMMMM.png (MS with five digits)\n"
    "  --video FILE       render every frame and encode the show with its soundtrack:\n"
    "                     FILE.mp4 in H.264 yuv420p with AAC for uploading, or with\n"
    "                     --lossless FILE.mkv in FFV1 and FLAC (50 fps, 85.5 s)\n"
    "  --bench            render every frame without writing and print each scene's\n"
    "                     median and 95th-percentile frame cost, as a table and as JSON\n"
    "\n"
    "Options:\n"
    "  -o, --out DIR      folder for the stills (default: the current folder)\n"
    "  -C, --root DIR     folder that holds data/ (default: the current folder)\n"
    "      --until MS     end the show at MS instead of 85500 (video and bench)\n"
    "      --size WxH     frames of W x H pixels, 4:3 like the show (default 800x600);\n"
    "                     drawn offscreen with the same picture; 1440x1080 for 1080p,\n"
    "                     2880x2160 for 4K (video sites add the side bars); up to 5760x4320\n"
    "      --samples N    multisample anti-aliasing with N samples a pixel (2, 4, 8, 16,\n"
    "                     as far as the OpenGL goes; default 1: none)\n"
    "      --pad WxH      encode the video in frames of W x H with the picture centred\n"
    "                     on black: 1920x1080 around 1440x1080 for a 16:9 1080p file\n"
    "      --lossless     write the video as a master that decodes to exactly the frames\n"
    "                     rendered: FFV1 (RGB) and the soundtrack in FLAC, in Matroska\n"
    "      --no-cache     send the landscape to the GL every frame, as the live demo\n"
    "                     does, instead of replaying it from a display list\n"
    "      --full         draw every frame before a still in full instead of\n"
    "                     skipping the rasterisation of frames not written\n"
    "  -h, --help         show this help and exit\n"
    "\n"
    "A 1080p upload:  quorvane-capture --size 1440x1080 --samples 4 --video show.mp4\n"
    "16:9 1080p:      quorvane-capture --size 1440x1080 --pad 1920x1080 --video show.mp4\n"
    "A 4K master:     quorvane-capture --size 2880x2160 --samples 4 --lossless --video show.mkv\n"
    "\n"
    "Without DISPLAY it starts its own Xvfb and stops it on exit. Exit status: 0 done,\n"
    "1 failure, 2 bad arguments, 130 interrupted.\n";

// Far beyond any show; keeps the value in an int32_t.
constexpr long kLargestMs = 1000000000L;
// 8K for a 4:3 picture; beyond it a frame alone needs 100 MB and more.
constexpr long kLargestWidth = 5760;
constexpr long kLargestSamples = 16;
// 8K at 16:9.
constexpr long kLargestPad = 7680;

bool parseMs(const char* text, int32_t* ms)
{
    if (*text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > kLargestMs) return false;
    *ms = static_cast<int32_t>(value);
    return true;
}

bool parseTimes(const std::string& list, std::vector<int32_t>* times, std::string* error)
{
    size_t begin = 0;
    for (;;) {
        const size_t comma = list.find(',', begin);
        const std::string item = list.substr(begin, comma - begin);
        int32_t ms = 0;
        if (!parseMs(item.c_str(), &ms) || ms < kFirstFrameMs) {
            *error = "--at takes elapsed times in ms from " + std::to_string(kFirstFrameMs) +
                     " (the first frame) on, not '" + item + "'";
            return false;
        }
        times->push_back(ms);
        if (comma == std::string::npos) return true;
        begin = comma + 1;
    }
}

bool parseCount(const std::string& text, long largest, long* value)
{
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    *value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && *value >= 1 && *value <= largest;
}

// WxH, 4:3 like the projection the demo computes from its window: any other shape would
// stretch the picture.
bool parseSize(const std::string& text, CaptureOptions* options, std::string* error)
{
    const size_t cross = text.find('x');
    long width = 0, height = 0;
    if (cross == std::string::npos || !parseCount(text.substr(0, cross), kLargestWidth, &width) ||
        !parseCount(text.substr(cross + 1), kLargestWidth, &height)) {
        *error = "--size takes WIDTHxHEIGHT in pixels up to " + std::to_string(kLargestWidth) +
                 " wide, like 1440x1080, not '" + text + "'";
        return false;
    }
    if (width * kWindowHeight != height * kWindowWidth) {
        *error = "--size " + text + " is not 4:3 like the show and would stretch it; for 1080p "
                 "give 1440x1080, for 4K 2880x2160";
        return false;
    }
    options->width = static_cast<int>(width);
    options->height = static_cast<int>(height);
    return true;
}

// WxH at least the picture's size; checked against it once every option is read.
bool parsePad(const std::string& text, CaptureOptions* options, std::string* error)
{
    const size_t cross = text.find('x');
    long width = 0, height = 0;
    if (cross == std::string::npos || !parseCount(text.substr(0, cross), kLargestPad, &width) ||
        !parseCount(text.substr(cross + 1), kLargestPad, &height)) {
        *error = "--pad takes WIDTHxHEIGHT in pixels up to " + std::to_string(kLargestPad) +
                 " wide, like 1920x1080, not '" + text + "'";
        return false;
    }
    options->padWidth = static_cast<int>(width);
    options->padHeight = static_cast<int>(height);
    return true;
}

bool parseSamples(const std::string& text, CaptureOptions* options, std::string* error)
{
    long samples = 0;
    if (!parseCount(text, kLargestSamples, &samples) || (samples & (samples - 1)) != 0) {
        *error = "--samples takes 1, 2, 4, 8 or 16 samples a pixel, not '" + text + "'";
        return false;
    }
    options->samples = static_cast<int>(samples);
    return true;
}

bool setMode(CaptureOptions* options, CaptureMode mode, std::string* error)
{
    if (options->mode != CaptureMode::None && options->mode != mode) {
        *error = "give only one of --at, --video and --bench";
        return false;
    }
    options->mode = mode;
    return true;
}

}  // namespace

const char* captureUsage() { return kUsage; }

bool parseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasInlineValue = false;
        if (arg.compare(0, 2, "--") == 0 && arg.find('=') != std::string::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            hasInlineValue = true;
        }
        const bool takesValue = arg == "--at" || arg == "--video" || arg == "--out" ||
                                arg == "-o" || arg == "--root" || arg == "-C" ||
                                arg == "--until" || arg == "--size" || arg == "--samples" ||
                                arg == "--pad";
        if (takesValue && !hasInlineValue) {
            if (i + 1 >= argc) {
                *error = "option " + arg + " needs a value";
                return false;
            }
            value = argv[++i];
        } else if (!takesValue && hasInlineValue) {
            *error = "option " + arg + " takes no value";
            return false;
        }
        if (arg == "-h" || arg == "--help") {
            options->help = true;
        } else if (arg == "--at") {
            if (!setMode(options, CaptureMode::Stills, error)) return false;
            if (!parseTimes(value, &options->stillTimes, error)) return false;
        } else if (arg == "--video") {
            if (!setMode(options, CaptureMode::Video, error)) return false;
            if (value.empty()) {
                *error = "--video needs a file name";
                return false;
            }
            options->videoPath = value;
        } else if (arg == "--bench") {
            if (!setMode(options, CaptureMode::Bench, error)) return false;
        } else if (arg == "-o" || arg == "--out") {
            options->outDir = value;
        } else if (arg == "-C" || arg == "--root") {
            options->rootDir = value;
        } else if (arg == "--until") {
            if (!parseMs(value.c_str(), &options->until) || options->until <= kFirstFrameMs) {
                *error = "--until takes an elapsed time in ms above " +
                         std::to_string(kFirstFrameMs) + ", not '" + value + "'";
                return false;
            }
        } else if (arg == "--size") {
            if (!parseSize(value, options, error)) return false;
        } else if (arg == "--samples") {
            if (!parseSamples(value, options, error)) return false;
        } else if (arg == "--pad") {
            if (!parsePad(value, options, error)) return false;
        } else if (arg == "--lossless") {
            options->lossless = true;
        } else if (arg == "--no-cache") {
            options->cacheTerrain = false;
        } else if (arg == "--full") {
            options->fastForward = false;
        } else {
            *error = "unknown argument '" + arg + "' (see --help)";
            return false;
        }
    }
    if (options->help) return true;
    if (options->mode == CaptureMode::None) {
        *error = "give one of --at, --video and --bench (see --help)";
        return false;
    }
    if (options->until != 0 && options->mode == CaptureMode::Stills) {
        *error = "--until applies to --video and --bench, not to --at";
        return false;
    }
    if (options->lossless && options->mode != CaptureMode::Video) {
        *error = "--lossless applies to --video only";
        return false;
    }
    const std::string size = std::to_string(options->width) + "x" + std::to_string(options->height);
    if (options->padWidth != 0) {
        if (options->mode != CaptureMode::Video) {
            *error = "--pad applies to --video only";
            return false;
        }
        if (options->padWidth < options->width || options->padHeight < options->height) {
            *error = "--pad " + std::to_string(options->padWidth) + "x" +
                     std::to_string(options->padHeight) + " is smaller than the picture, " + size;
            return false;
        }
    }
    // The upload's 4:2:0 colour covers 2 x 2 pixels; the master keeps every pixel's own.
    if (options->mode == CaptureMode::Video && !options->lossless) {
        if (options->width % 2 != 0 || options->height % 2 != 0) {
            *error = "--size " + size +
                     " is odd, which H.264 in yuv420p cannot hold; give an even size or --lossless";
            return false;
        }
        if (options->padWidth % 2 != 0 || options->padHeight % 2 != 0) {
            *error = "--pad " + std::to_string(options->padWidth) + "x" +
                     std::to_string(options->padHeight) +
                     " is odd, which H.264 in yuv420p cannot hold; give an even size or --lossless";
            return false;
        }
    }
    return true;
}
