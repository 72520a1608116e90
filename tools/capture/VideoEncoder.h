// Encodes frames and the soundtrack with Debian's ffmpeg: raw RGB frames go down a pipe,
// the music is read, looped and cut by ffmpeg itself. A thread of its own feeds the pipe
// from a few frame buffers, so the next frame renders while ffmpeg takes the last.
#pragma once

#include "ChildProcess.h"
#include "RgbImage.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class VideoFormat {
    Upload,  // H.264 yuv420p and AAC in MP4: small, for video sites
    Master,  // FFV1 holding the RGB frames exactly and FLAC, in Matroska: for archives
};

class VideoEncoder {
public:
    VideoEncoder() = default;
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;
    ~VideoEncoder();  // an unfinished file is removed

    // Where the frames go in the encoded picture: centred on black in a larger one, or as
    // they are (width and height 0).
    struct Padding {
        int width = 0;  // the encoded frame's, at least the frames' own
        int height = 0;
    };

    // Starts ffmpeg writing `path` (through a temporary name beside it) in `format` from
    // frames of width x height at `framesPerSecond`, padded as `padding` says, with
    // `musicPath` looped as the soundtrack and everything cut at `seconds`. Returns false
    // with the reason in *error.
    bool start(const std::string& path, VideoFormat format, int width, int height, Padding padding,
               int framesPerSecond, const std::string& musicPath, double seconds,
               std::string* error);

    // A buffer to draw the next frame into; waits while every buffer is still queued.
    RgbImage* nextFrame();

    // Queues the buffer nextFrame gave for ffmpeg; false with the reason in *error once
    // ffmpeg no longer takes frames.
    bool queueFrame(std::string* error);

    // Sends what is queued, waits for ffmpeg to finish the file and gives it its name.
    bool finish(std::string* error);

    // Stops ffmpeg and removes the unfinished file.
    void abandon();

private:
    void sendFrames();  // the writer thread
    void stopWriter();

    ChildProcess encoder;
    std::string finalPath;
    std::string partialPath;

    std::thread writer;
    std::mutex lock;                   // guards the fields below
    std::condition_variable changed;   // a frame was queued or sent, or the writer stopped
    std::vector<RgbImage> buffers;     // the frames in flight, reused
    std::deque<RgbImage*> freeFrames;  // buffers nextFrame may hand out
    std::deque<RgbImage*> queued;      // frames for the writer, oldest first
    RgbImage* filling = nullptr;       // handed out by nextFrame, not yet queued
    bool closing = false;              // no more frames: the writer ends when the queue is empty
    std::string writeError;            // why the writer stopped early; empty while it runs
};
