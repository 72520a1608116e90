#include "CaptureOptions.h"

#include "offline/ShowFrames.h"

#include "CommandLine.h"

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
    "      --loop         play the show again and again, as quorvane --loop does: an --at\n"
    "                     time past its end (85500) is that moment of a later pass\n"
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
    if (width * kStageHeight != height * kStageWidth) {
        *error = "--size " + text +
                 " is not 4:3 like the show and would stretch it; for 1080p "
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

}  // namespace

const char* captureUsage() { return kUsage; }

bool parseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error)
{
    CLI::App app(kUsage, kCaptureProgram);
    app.set_help_flag();  // our own text, printed by main
    std::vector<std::string> stillLists;
    std::string until, size, samples, pad;
    bool bench = false, full = false, noCache = false;
    app.add_flag("-h,--help", options->help)->disable_flag_override();
    app.add_option("--at", stillLists);
    app.add_option("--video", options->videoPath);
    app.add_flag("--bench", bench)->disable_flag_override();
    app.add_option("-o,--out", options->outDir);
    app.add_option("-C,--root", options->rootDir);
    app.add_option("--until", until);
    app.add_option("--size", size);
    app.add_option("--samples", samples);
    app.add_option("--pad", pad);
    app.add_flag("--lossless", options->lossless)->disable_flag_override();
    app.add_flag("--no-cache", noCache)->disable_flag_override();
    app.add_flag("--full", full)->disable_flag_override();
    app.add_flag("--loop", options->loop)->disable_flag_override();
    if (!parseArguments(app, argc, argv, error)) {
        *error += " (see --help)";
        return false;
    }
    if (options->help) return true;
    options->fastForward = !full;
    options->cacheTerrain = !noCache;

    const bool stills = !stillLists.empty(), video = app.count("--video") > 0;
    if (int(stills) + int(video) + int(bench) > 1) {
        *error = "give only one of --at, --video and --bench";
        return false;
    }
    options->mode = stills  ? CaptureMode::Stills
                    : video ? CaptureMode::Video
                    : bench ? CaptureMode::Bench
                            : CaptureMode::None;
    for (const std::string& list : stillLists) {
        if (!parseTimes(list, &options->stillTimes, error)) return false;
    }
    if (video && options->videoPath.empty()) {
        *error = "--video needs a file name";
        return false;
    }
    if (app.count("--until") > 0 &&
        (!parseMs(until.c_str(), &options->until) || options->until <= kFirstFrameMs)) {
        *error = "--until takes an elapsed time in ms above " + std::to_string(kFirstFrameMs) +
                 ", not '" + until + "'";
        return false;
    }
    if (app.count("--size") > 0 && !parseSize(size, options, error)) return false;
    if (app.count("--samples") > 0 && !parseSamples(samples, options, error)) return false;
    if (app.count("--pad") > 0 && !parsePad(pad, options, error)) return false;
    if (options->mode == CaptureMode::None) {
        *error = "give one of --at, --video and --bench (see --help)";
        return false;
    }
    if (options->until != 0 && options->mode == CaptureMode::Stills) {
        *error = "--until applies to --video and --bench, not to --at";
        return false;
    }
    if (options->loop && options->mode != CaptureMode::Stills) {
        *error = "--loop applies to --at only";
        return false;
    }
    if (options->lossless && options->mode != CaptureMode::Video) {
        *error = "--lossless applies to --video only";
        return false;
    }
    const std::string picture =
        std::to_string(options->width) + "x" + std::to_string(options->height);
    if (options->padWidth != 0) {
        if (options->mode != CaptureMode::Video) {
            *error = "--pad applies to --video only";
            return false;
        }
        if (options->padWidth < options->width || options->padHeight < options->height) {
            *error = "--pad " + std::to_string(options->padWidth) + "x" +
                     std::to_string(options->padHeight) + " is smaller than the picture, " +
                     picture;
            return false;
        }
    }
    // The upload's 4:2:0 colour covers 2 x 2 pixels; the master keeps every pixel's own.
    if (options->mode == CaptureMode::Video && !options->lossless) {
        if (options->width % 2 != 0 || options->height % 2 != 0) {
            *error = "--size " + picture +
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
