// Encodes frames and the soundtrack into an MP4 file with Debian's ffmpeg: raw RGB
// frames go down a pipe, the music is read, looped and cut by ffmpeg itself.
#pragma once

#include "ChildProcess.h"
#include "RgbImage.h"

#include <string>

class VideoEncoder {
public:
    VideoEncoder() = default;
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;
    ~VideoEncoder();  // an unfinished file is removed

    // Starts ffmpeg writing `path` (through a temporary name beside it) from frames of
    // width x height at `framesPerSecond`, with `musicPath` looped as the soundtrack and
    // everything cut at `seconds`. Returns false with the reason in *error.
    bool start(const std::string& path, int width, int height, int framesPerSecond,
               const std::string& musicPath, double seconds, std::string* error);

    // Sends one frame; false with the reason in *error when ffmpeg no longer takes any.
    bool write(const RgbImage& frame, std::string* error);

    // Waits for ffmpeg to finish the file and gives it its final name.
    bool finish(std::string* error);

    // Stops ffmpeg and removes the unfinished file.
    void abandon();

private:
    ChildProcess encoder;
    std::string finalPath;
    std::string partialPath;
};
