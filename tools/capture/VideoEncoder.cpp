#include "VideoEncoder.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// x264 at a quality where the terrain's texture survives; "fast" keeps pace with a
// software GL on the other core.
constexpr const char* kVideoQuality = "18";
constexpr const char* kVideoPreset = "fast";
constexpr const char* kAudioBitrate = "192k";
constexpr const char* kPartialSuffix = ".partial";

}  // namespace

VideoEncoder::~VideoEncoder() { abandon(); }

bool VideoEncoder::start(const std::string& path, int width, int height, int framesPerSecond,
                         const std::string& musicPath, double seconds, std::string* error)
{
    finalPath = path;
    partialPath = path + kPartialSuffix;
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", seconds);
    const std::vector<std::string> argv = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
        // The frames, as glReadPixels gives them once turned upright.
        "-f", "rawvideo", "-pixel_format", "rgb24", "-video_size",
        std::to_string(width) + "x" + std::to_string(height), "-framerate",
        std::to_string(framesPerSecond), "-i", "pipe:0",
        // The soundtrack from its first sample, repeated for as long as the show lasts.
        "-stream_loop", "-1", "-i", musicPath,
        "-map", "0:v:0", "-map", "1:a:0",
        "-c:v", "libx264", "-preset", kVideoPreset, "-crf", kVideoQuality,
        "-pix_fmt", "yuv420p", "-r", std::to_string(framesPerSecond),
        "-c:a", "aac", "-b:a", kAudioBitrate,
        "-t", duration, "-movflags", "+faststart", "-f", "mp4", partialPath};
    ChildProcess::Options options;
    options.pipeStdin = true;
    // A Ctrl-C is ours to handle: ffmpeg is stopped by closing its input.
    options.ownProcessGroup = true;
    options.diesWithParent = true;
    return encoder.start(argv, options, error);
}

bool VideoEncoder::write(const RgbImage& frame, std::string* error)
{
    const uint8_t* data = frame.pixels.data();
    size_t left = frame.pixels.size();
    while (left > 0) {
        const ssize_t sent = ::write(encoder.stdinFd, data, left);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) {
            *error = std::string("ffmpeg stopped taking frames: ") + std::strerror(errno);
            return false;
        }
        data += sent;
        left -= static_cast<size_t>(sent);
    }
    return true;
}

bool VideoEncoder::finish(std::string* error)
{
    encoder.closeStdin();
    const int status = encoder.wait();
    if (status != 0) {
        *error = "ffmpeg failed with status " + std::to_string(status);
        std::remove(partialPath.c_str());
        return false;
    }
    if (std::rename(partialPath.c_str(), finalPath.c_str()) != 0) {
        *error = "cannot name the video " + finalPath + ": " + std::strerror(errno);
        std::remove(partialPath.c_str());
        return false;
    }
    partialPath.clear();
    return true;
}

void VideoEncoder::abandon()
{
    if (encoder.running()) {
        encoder.sendSignal(SIGKILL);
        encoder.wait();
    }
    encoder.closeStdin();
    if (!partialPath.empty()) std::remove(partialPath.c_str());
    partialPath.clear();
}
