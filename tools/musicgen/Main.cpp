// quorvane-musicgen: renders the Quorvane soundtrack to a 16-bit stereo
// 22.05 kHz WAV file. tools/musicgen/render.sh turns it into the MP3.
//
//   quorvane-musicgen [--advance FRAMES] OUTPUT.wav
//
// --advance starts the file FRAMES into the song and moves the skipped
// opening to the end. The encoder input is advanced by the MP3 decoder's
// start-up delay plus one device buffer, so that the demo hears each beat
// when its picture is shown; the opening is near silence, and looped it
// still comes just before the song starts again.
#include "Loudness.h"
#include "Song.h"
#include "SongRenderer.h"
#include "WavFile.h"

#include "CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace {
const char* const kToolName = "quorvane-musicgen";
const char* const kUsage = "usage: quorvane-musicgen [--advance FRAMES] OUTPUT.wav";

int fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kToolName, message.c_str());
    return 1;
}

void advanceChannel(std::vector<float>& channel, size_t frames)
{
    std::rotate(channel.begin(), channel.begin() + frames, channel.end());
}
}

int main(int argc, char** argv)
{
    long advanceFrames = 0;
    std::string path;
    CLI::App app(kUsage, kToolName);
    app.set_help_flag();
    app.add_option("--advance", advanceFrames)
        ->check(textCheck("FRAMES", [](const std::string& text) {
            char* end = nullptr;
            const long frames = std::strtol(text.c_str(), &end, 10);
            return text.empty() || *end != '\0' || frames < 0
                       ? "needs a frame count, not \"" + text + "\""
                       : std::string();
        }));
    app.add_option("OUTPUT.wav", path)->required();
    std::string error;
    if (!parseArguments(app, argc, argv, &error)) {
        std::fprintf(stderr, "%s: %s (%s)\n", kToolName, error.c_str(), kUsage);
        return kUsageStatus;
    }
    try {
        StereoSamples mix = renderSong(quorvaneSong());
        if (static_cast<size_t>(advanceFrames) >= mix.left.size())
            return fail("--advance is longer than the song");
        advanceChannel(mix.left, advanceFrames);
        advanceChannel(mix.right, advanceFrames);
        if (!writeWav(path, mix)) return fail("cannot write " + path);
        std::printf("%s: wrote %s, %.3f s at %d Hz, %.2f LUFS\n", kToolName, path.c_str(),
                    double(mix.left.size()) / mix.sampleRate, mix.sampleRate,
                    integratedLoudness(mix.left, mix.right, mix.sampleRate));
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    return 0;
}
