#include "VideoEncoder.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// x264 at a quality where the terrain's texture survives. The encoder shares the cores
// with a software GL: "veryfast" costs about half the CPU of "fast" for a file of about the
// same size at this quality (the whole show: 60 s against 68 s here); the master is the
// file to keep.
constexpr const char* kVideoQuality = "18";
constexpr const char* kVideoPreset = "veryfast";
constexpr const char* kAudioBitrate = "192k";
constexpr const char* kPartialSuffix = ".partial";
// FFV1 version 3 with checksummed slices, every frame a key frame: the archival form,
// each frame decodable and checkable on its own. bgr0 holds the RGB bytes unchanged.
constexpr const char* kMasterSlices = "4";
constexpr const char* kMasterPixelFormat = "bgr0";
// One frame drawing, two waiting for the pipe: rendering never waits for ffmpeg unless
// ffmpeg is slower overall.
constexpr int kFramesInFlight = 3;

std::vector<std::string> formatArguments(VideoFormat format, int framesPerSecond)
{
    if (format == VideoFormat::Master) {
        return {"-c:v",    "ffv1",        "-level",    "3",       "-g",       "1",
                "-slices", kMasterSlices, "-slicecrc", "1",       "-pix_fmt", kMasterPixelFormat,
                "-c:a",    "flac",        "-f",        "matroska"};
    }
    return {"-c:v",        "libx264",  "-preset", kVideoPreset,  "-crf",
            kVideoQuality, "-pix_fmt", "yuv420p", "-r",          std::to_string(framesPerSecond),
            "-c:a",        "aac",      "-b:a",    kAudioBitrate, "-movflags",
            "+faststart",  "-f",       "mp4"};
}

bool writeAll(int fd, const RgbImage& frame, std::string* error)
{
    const uint8_t* data = frame.pixels.data();
    size_t left = frame.pixels.size();
    while (left > 0) {
        const ssize_t sent = ::write(fd, data, left);
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

}  // namespace

VideoEncoder::~VideoEncoder() { abandon(); }

bool VideoEncoder::start(const std::string& path, VideoFormat format, int width, int height,
                         Padding padding, int framesPerSecond, const std::string& musicPath,
                         double seconds, std::string* error)
{
    finalPath = path;
    partialPath = path + kPartialSuffix;
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", seconds);
    std::vector<std::string> argv = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
        // The frames, as glReadPixels gives them once turned upright.
        "-f", "rawvideo", "-pixel_format", "rgb24", "-video_size",
        std::to_string(width) + "x" + std::to_string(height), "-framerate",
        std::to_string(framesPerSecond), "-i", "pipe:0",
        // The soundtrack from its first sample, repeated for as long as the show lasts.
        "-stream_loop", "-1", "-i", musicPath, "-map", "0:v:0", "-map", "1:a:0", "-t", duration};
    if (padding.width > width || padding.height > height) {
        // Centred on even offsets, where 4:2:0 colour starts a block, so nothing bleeds.
        const int left = (padding.width - width) / 4 * 2;
        const int top = (padding.height - height) / 4 * 2;
        argv.insert(argv.end(),
                    {"-vf", "pad=" + std::to_string(padding.width) + ":" +
                                std::to_string(padding.height) + ":" + std::to_string(left) + ":" +
                                std::to_string(top) + ":color=black"});
    }
    const std::vector<std::string> encoding = formatArguments(format, framesPerSecond);
    argv.insert(argv.end(), encoding.begin(), encoding.end());
    argv.push_back(partialPath);
    ChildProcess::Options options;
    options.pipeStdin = true;
    // A Ctrl-C is ours to handle: ffmpeg is stopped by closing its input.
    options.ownProcessGroup = true;
    options.diesWithParent = true;
    if (!encoder.start(argv, options, error)) return false;
    buffers.resize(kFramesInFlight);
    for (RgbImage& buffer : buffers) {
        buffer.resize(width, height);
        freeFrames.push_back(&buffer);
    }
    closing = false;
    writeError.clear();
    writer = std::thread(&VideoEncoder::sendFrames, this);
    return true;
}

RgbImage* VideoEncoder::nextFrame()
{
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return !freeFrames.empty(); });
    filling = freeFrames.front();
    freeFrames.pop_front();
    return filling;
}

bool VideoEncoder::queueFrame(std::string* error)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!writeError.empty()) {
        *error = writeError;
        freeFrames.push_back(filling);
        filling = nullptr;
        return false;
    }
    queued.push_back(filling);
    filling = nullptr;
    changed.notify_all();
    return true;
}

void VideoEncoder::sendFrames()
{
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        changed.wait(guard, [this] { return closing || !queued.empty(); });
        if (queued.empty()) return;  // closing, and all sent
        RgbImage* frame = queued.front();
        queued.pop_front();
        guard.unlock();
        std::string error;
        const bool sent = writeAll(encoder.stdinFd, *frame, &error);
        guard.lock();
        freeFrames.push_back(frame);
        if (!sent) {
            // Nothing more gets through: the renderer hears of it at its next frame.
            writeError = error;
            for (RgbImage* left : queued) freeFrames.push_back(left);
            queued.clear();
            changed.notify_all();
            return;
        }
        changed.notify_all();
    }
}

void VideoEncoder::stopWriter()
{
    if (!writer.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(lock);
        closing = true;
        changed.notify_all();
    }
    writer.join();
}

bool VideoEncoder::finish(std::string* error)
{
    stopWriter();
    if (!writeError.empty()) {
        *error = writeError;
        abandon();
        return false;
    }
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
        // Killed first, so a writer blocked on a full pipe gets EPIPE and ends.
        encoder.kill();
        encoder.wait();
    }
    stopWriter();
    encoder.closeStdin();
    if (!partialPath.empty()) std::remove(partialPath.c_str());
    partialPath.clear();
}
