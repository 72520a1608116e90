// The video and benchmark modes, on bounded stretches of the show: the full video takes
// minutes on a software GL and is made by hand (see docs/CAPTURE.md).
#include "CaptureHarness.h"
#include "FrameDiff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>

namespace {

constexpr double kFrameSeconds = 0.02;

// ffprobe's answer as key=value pairs, one section per stream ("video."/"audio.") and
// the container ("format.").
std::map<std::string, std::string> probe(const std::string& path)
{
    ChildProcess child;
    ChildProcess::Options options;
    options.pipeStdout = true;
    std::string error;
    std::map<std::string, std::string> fields;
    if (!child.start({"ffprobe", "-v", "error", "-show_entries",
                      "stream=codec_type,codec_name,profile,level,channels,pix_fmt,width,"
                      "height,r_frame_rate,"
                      "start_time,duration,nb_frames:format=duration",
                      "-of", "flat", path},
                     options, &error)) {
        ADD_FAILURE() << error;
        return fields;
    }
    std::istringstream lines(readAll(child.stdoutFd));
    EXPECT_EQ(child.wait(), 0);
    // streams.stream.0.codec_type="video"
    std::map<std::string, std::string> typeOfIndex;
    std::vector<std::pair<std::string, std::string>> raw;
    const std::regex entry(R"re(^(streams\.stream\.(\d+)|format)\.(\w+)="?([^"]*)"?$)re");
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, entry)) continue;
        const std::string section = m[2].matched ? m[2].str() : "format";
        if (m[3] == "codec_type") typeOfIndex[section] = m[4];
        raw.emplace_back(section + "." + m[3].str(), m[4]);
    }
    for (const auto& field : raw) {
        const std::string section = field.first.substr(0, field.first.find('.'));
        const std::string key = field.first.substr(field.first.find('.') + 1);
        const std::string name = section == "format" ? "format" : typeOfIndex[section];
        fields[name + "." + key] = field.second;
    }
    return fields;
}

double number(const std::map<std::string, std::string>& fields, const std::string& key)
{
    const auto found = fields.find(key);
    return found == fields.end() ? NAN : std::atof(found->second.c_str());
}

// Decodes one frame of a video into an image.
RgbImage videoFrame(const std::string& video, int index, const TempDir& scratch)
{
    const std::string png = scratch.file("frame-" + std::to_string(index) + ".png");
    ChildProcess child;
    ChildProcess::Options options;
    options.silenceOutput = true;
    std::string error;
    EXPECT_TRUE(child.start({"ffmpeg", "-v", "error", "-y", "-i", video, "-vf",
                             "select=eq(n\\," + std::to_string(index) + ")", "-frames:v", "1", png},
                            options, &error))
        << error;
    EXPECT_EQ(child.wait(), 0);
    return loadFrame(png);
}

TEST(Video, ShortRunHasBothStreamsInStepAndTheStillsPictures)
{
    TempDir out, music;
    // A soundtrack of half a second, looped to fill the two seconds of video.
    makeDataRoot(music, {});
    std::remove(music.file("data/quorvane.mp3").c_str());
    ChildProcess tone;
    ChildProcess::Options quiet;
    quiet.silenceOutput = true;
    std::string error;
    ASSERT_TRUE(
        tone.start({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=0.5",
                    "-c:a", "libmp3lame", music.file("data/quorvane.mp3")},
                   quiet, &error))
        << error;
    ASSERT_EQ(tone.wait(), 0);

    const std::string video = out.file("short.mp4");
    const RunResult run = runCapture({"--video", video, "--until", "2000", "--root", music.path()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("frame 99/99"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("fps"), std::string::npos) << run.err;

    const auto fields = probe(video);
    EXPECT_EQ(fields.at("video.codec_name"), "h264");
    EXPECT_EQ(fields.at("video.pix_fmt"), "yuv420p");
    EXPECT_EQ(fields.at("video.width"), "800");
    EXPECT_EQ(fields.at("video.height"), "600");
    EXPECT_EQ(fields.at("video.r_frame_rate"), "50/1");
    EXPECT_EQ(fields.at("video.nb_frames"), "100");  // the picture before the first frame, then 99
    EXPECT_EQ(fields.at("audio.codec_name"), "aac");
    EXPECT_NEAR(number(fields, "video.duration"), 2.0, 1e-6);
    EXPECT_NEAR(number(fields, "audio.duration"), 2.0, kFrameSeconds);  // looped four times
    EXPECT_NEAR(number(fields, "audio.start_time") - number(fields, "video.start_time"), 0.0,
                kFrameSeconds / 2);
    EXPECT_NEAR(number(fields, "format.duration"), 2.0, kFrameSeconds);

    // Frame 50 shows the show at 1001 ms: the opening still, upright, like the still's PNG.
    const RunResult still = runCapture({"--at", "1001", "--out", out.path()});
    ASSERT_EQ(still.status, 0) << still.err;
    const RgbImage reference = loadFrame(stillPath(out.path(), 1001));
    const RgbImage decoded = videoFrame(video, 50, out);
    RgbImage flipped = reference;
    for (int y = 0; y < reference.height; ++y) {
        std::copy(reference.row(y), reference.row(y) + reference.width * 3,
                  flipped.row(reference.height - 1 - y));
    }
    // H.264 at 4:2:0 blurs colour edges: only the mean difference says which is which.
    const FrameDifference upright = compareFrames(decoded, reference);
    const FrameDifference upsideDown = compareFrames(decoded, flipped);
    EXPECT_LT(upright.meanDifference, 4.0) << upright.describe();
    EXPECT_GT(upsideDown.meanDifference, 4 * upright.meanDifference) << upsideDown.describe();
    // Frame 0 is the screen before the first frame: the cleared black.
    const RgbImage first = videoFrame(video, 0, out);
    EXPECT_FALSE(hasContent(first));
}

// The 16:9 1080p file of the release: the 4:3 picture drawn at 1440x1080, centred on black
// and not stretched, in H.264 that 1080p50 players take (High profile, level 4.2 at most).
TEST(Video, PaddedTo1080pKeepsThePictureInTheMiddleOnBlack)
{
    TempDir out;
    const std::string video = out.file("padded.mp4");
    const RunResult run = runCapture(
        {"--video", video, "--size", "1440x1080", "--pad", "1920x1080", "--until", "1100"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto fields = probe(video);
    EXPECT_EQ(fields.at("video.width"), "1920");
    EXPECT_EQ(fields.at("video.height"), "1080");
    EXPECT_EQ(fields.at("video.profile"), "High");
    EXPECT_LE(number(fields, "video.level"), 42);
    EXPECT_EQ(fields.at("video.r_frame_rate"), "50/1");
    EXPECT_EQ(fields.at("audio.channels"), "2");

    const RunResult still =
        runCapture({"--at", "1001", "--size", "1440x1080", "--out", out.path()});
    ASSERT_EQ(still.status, 0) << still.err;
    const RgbImage reference = loadFrame(stillPath(out.path(), 1001));
    const RgbImage decoded = videoFrame(video, 50, out);
    ASSERT_EQ(decoded.width, 1920);
    constexpr int kBar = 240;
    // H.264's deblocking may touch the bars' last pixels beside the picture.
    constexpr int kBlack = kBar - 8;
    RgbImage middle, bars, shifted;
    middle.resize(1440, 1080);
    bars.resize(2 * kBlack, 1080);
    shifted.resize(1440, 1080);  // the picture where an uncentred one would be
    for (int y = 0; y < 1080; ++y) {
        const uint8_t* row = decoded.row(y);
        std::copy(row + kBar * 3, row + (kBar + 1440) * 3, middle.row(y));
        std::copy(row, row + kBlack * 3, bars.row(y));
        std::copy(row + (1920 - kBlack) * 3, row + 1920 * 3, bars.row(y) + kBlack * 3);
        std::copy(row + 2 * kBar * 3, row + 1920 * 3, shifted.row(y));
    }
    const FrameDifference centred = compareFrames(middle, reference);
    EXPECT_LT(centred.meanDifference, 4.0) << centred.describe();
    EXPECT_GT(compareFrames(shifted, reference).meanDifference, 4 * centred.meanDifference);
    EXPECT_FALSE(hasContent(bars));
    EXPECT_LE(bars.pixels[0], 2);  // and black
}

// Every decoded frame of a video, as top-down RGB.
std::vector<RgbImage> decodedFrames(const std::string& video, int width, int height)
{
    ChildProcess child;
    ChildProcess::Options options;
    options.pipeStdout = true;
    std::string error;
    std::vector<RgbImage> frames;
    if (!child.start({"ffmpeg", "-v", "error", "-i", video, "-f", "rawvideo", "-pix_fmt", "rgb24",
                      "pipe:1"},
                     options, &error)) {
        ADD_FAILURE() << error;
        return frames;
    }
    const std::string bytes = readAll(child.stdoutFd);
    EXPECT_EQ(child.wait(), 0);
    const size_t frameBytes = static_cast<size_t>(width) * height * RgbImage::kChannels;
    EXPECT_EQ(bytes.size() % frameBytes, 0u);
    for (size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        frames.emplace_back();
        frames.back().resize(width, height);
        std::copy(bytes.begin() + at, bytes.begin() + at + frameBytes,
                  frames.back().pixels.begin());
    }
    return frames;
}

// An odd height, which only the master can hold, drawn offscreen.
TEST(Master, DecodesToTheStillsByteForByte)
{
    TempDir out;
    const std::string video = out.file("master.mkv");
    const RunResult run =
        runCapture({"--video", video, "--lossless", "--size", "804x603", "--until", "400"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto fields = probe(video);
    EXPECT_EQ(fields.at("video.codec_name"), "ffv1");
    EXPECT_EQ(fields.at("video.width"), "804");
    EXPECT_EQ(fields.at("video.height"), "603");
    EXPECT_EQ(fields.at("audio.codec_name"), "flac");
    EXPECT_NEAR(number(fields, "format.duration"), 0.4, kFrameSeconds);

    // Video frame n shows the show at n * 20 + 1 ms.
    const RunResult stills =
        runCapture({"--at", "21,201,381", "--size", "804x603", "--out", out.path()});
    ASSERT_EQ(stills.status, 0) << stills.err;
    const std::vector<RgbImage> frames = decodedFrames(video, 804, 603);
    ASSERT_EQ(frames.size(), 20u);
    for (int index : {1, 10, 19}) {
        SCOPED_TRACE(index);
        const RgbImage still = loadFrame(stillPath(out.path(), index * 20 + 1));
        EXPECT_TRUE(hasContent(still));
        EXPECT_TRUE(frames[index].pixels == still.pixels)
            << compareFrames(frames[index], still).describe();
    }
    EXPECT_FALSE(hasContent(frames[0]));
}

TEST(Bench, CountsEveryFrameOfEachSceneAndPrintsTableAndJson)
{
    const RunResult run = runCapture({"--bench", "--until", "2500"});
    ASSERT_EQ(run.status, 0) << run.err;
    // 21 .. 1981 ms: 99 frames of the opening still; 2001 .. 2481 ms: 25 of the zoom.
    EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(opening still +1 +2000 +99 )")))
        << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(zoom out +2000 +6000 +25 )"))) << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(spin +6000 +12000 +0 )"))) << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(peak memory [1-9][0-9]* KiB)")))
        << run.out;
    const std::string json = run.out.substr(run.out.rfind("\n{") + 1);
    EXPECT_EQ(json.back(), '\n');
    EXPECT_NE(json.find(R"({"scene":"opening still","start_ms":1,"end_ms":2000,"frames":99,)"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find(R"({"scene":"zoom out","start_ms":2000,"end_ms":6000,"frames":25,)"),
              std::string::npos)
        << json;
    std::smatch m;
    const std::regex totals(
        R"re("frames":124,"median_ms":([0-9.]+),"p95_ms":([0-9.]+),"total_ms":([0-9.]+))re");
    ASSERT_TRUE(std::regex_search(json, m, totals)) << json;
    const double medianMs = std::stod(m[1]), p95Ms = std::stod(m[2]), totalMs = std::stod(m[3]);
    EXPECT_GT(medianMs, 0.0);
    EXPECT_GE(p95Ms, medianMs);
    EXPECT_GE(totalMs, 124 * medianMs / 2);  // half the frames cost at least the median
}

}  // namespace
