// quorvane-capture: plays the show offline at exactly 50 frames per second and writes
// stills, a video with the soundtrack, or frame costs.
#include "CaptureOptions.h"
#include "CaptureRun.h"
#include "CommandLine.h"
#include "CaptureHost.h"
#include "FilePaths.h"
#include "offline/ShowFrames.h"
#include "shell/Demo.h"
#include "shell/FrameLoop.h"
#include "timeline/Timeline.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kFailureStatus = 1;

CaptureOptions gOptions;

int failWith(const std::string& message, int status = kFailureStatus)
{
    std::fprintf(stderr, "%s: %s\n", kCaptureProgram, message.c_str());
    return status;
}

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Paths, folders and the data, checked before anything slow starts.
int checkFiles(CaptureOptions* options)
{
    // Output paths are meant from where the program was started, not from --root.
    options->outDir = absolutePath(options->outDir);
    options->videoPath = absolutePath(options->videoPath);
    if (options->mode == CaptureMode::Stills && !isDirectory(options->outDir)) {
        return failWith("no folder " + options->outDir + " for the stills");
    }
    if (options->mode == CaptureMode::Video && !isDirectory(parentOf(options->videoPath))) {
        return failWith("no folder " + parentOf(options->videoPath) + " for the video");
    }
    if (!options->rootDir.empty() && chdir(options->rootDir.c_str()) != 0) {
        return failWith("cannot enter " + options->rootDir + ": " + std::strerror(errno));
    }
    if (!isDirectory("data")) {
        const std::string here = options->rootDir.empty() ? "the current folder" : options->rootDir;
        return failWith("no data/ folder in " + here +
                        " (give the folder that holds it with --root)");
    }
    if (options->mode == CaptureMode::Video && access(kSoundtrackPath, R_OK) != 0) {
        return failWith(std::string("cannot read the soundtrack ") + kSoundtrackPath + ": " +
                        std::strerror(errno));
    }
    return 0;
}

// Requested times must lie inside the show, which only the timeline knows; with --loop,
// inside a pass, after its first frame.
int checkTimes(const CaptureOptions& options, int32_t length)
{
    const std::string beyond =
        " lies beyond the show, which ends at " + std::to_string(length) + " ms";
    for (int32_t ms : options.stillTimes) {
        if (!options.loop && ms >= length) {
            return failWith("--at " + std::to_string(ms) + beyond + " (a later pass needs --loop)",
                            kUsageStatus);
        }
        if (ms % length < kFirstFrameMs) {
            const int32_t pass = ms / length;
            return failWith("--at " + std::to_string(ms) + " falls before the first frame of " +
                                "pass " + std::to_string(pass + 1) + ", at " +
                                std::to_string(pass * length + kFirstFrameMs) + " ms",
                            kUsageStatus);
        }
    }
    if (options.until > length) {
        return failWith("--until " + std::to_string(options.until) + beyond, kUsageStatus);
    }
    return 0;
}

// One pass of the show (0 is the first) and what the capture does with its frames.
int capturePass(const Timeline& timeline, int32_t pass)
{
    CaptureRun run(gOptions, timeline.getLength(), pass);
    std::string error;
    const int status = run.prepare(&error);
    if (status != 0) return failWith(error, status);
    runFrameLoop(timeline, run.hooks());
    return run.finish();
}

int captureShow()
{
    CaptureHost host;
    std::string hostError;
    if (!host.start(&hostError)) return failWith(hostError);
    Timeline* timeline = startUp();
    if (timeline == nullptr) return kFailureStatus;  // start-up has said why
    const int32_t length = timeline->getLength();
    int status = checkTimes(gOptions, length);
    int32_t passes = 1;
    for (int32_t ms : gOptions.stillTimes) passes = std::max(passes, ms / length + 1);
    for (int32_t pass = 0; status == 0 && pass < passes; ++pass) {
        if (pass > 0) rewindShow();
        status = capturePass(*timeline, pass);
    }
    shutDown();
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    if (!parseCaptureOptions(argc, argv, &gOptions, &error)) return failWith(error, kUsageStatus);
    if (gOptions.help) {
        std::fputs(captureUsage(), stdout);
        return 0;
    }
    if (const int status = checkFiles(&gOptions)) return status;
    return runGuarded(captureShow);
}
