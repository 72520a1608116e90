#include "CaptureOptions.h"

#include "ShowFrames.h"

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
    "  --video FILE.mp4   render every frame and encode the show with its soundtrack\n"
    "                     (H.264 yuv420p, 50 fps, AAC from data/quorvane.mp3, 85.5 s)\n"
    "  --bench            render every frame without writing and print each scene's\n"
    "                     median and 95th-percentile frame cost, as a table and as JSON\n"
    "\n"
    "Options:\n"
    "  -o, --out DIR      folder for the stills (default: the current folder)\n"
    "  -C, --root DIR     folder that holds data/ (default: the current folder)\n"
    "      --until MS     end the show at MS instead of 85500 (video and bench)\n"
    "      --full         draw every frame before a still in full instead of\n"
    "                     skipping the rasterisation of frames not written\n"
    "  -h, --help         show this help and exit\n"
    "\n"
    "Without DISPLAY it starts its own Xvfb and stops it on exit. Exit status: 0 done,\n"
    "1 failure, 2 bad arguments, 130 interrupted.\n";

// Far beyond any show; keeps the value in an int32_t.
constexpr long kLargestMs = 1000000000L;

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
                                arg == "--until";
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
    return true;
}
