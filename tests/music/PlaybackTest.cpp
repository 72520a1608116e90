// Plays the committed MP3 the way the demo does (SDL_mixer, 22050 Hz
// stereo S16, repeating) into SDL's disk audio driver, and compares what
// came out with the file decoded by ffmpeg.
#include "AudioAnalysis.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kDemoRate = 22050;
constexpr int kDemoChunk = 1024;
constexpr int kBytesPerFrame = 4;
constexpr double kSongSeconds = 85.5;
// Enough output for the whole song, its repeat and a few seconds after it.
constexpr double kCaptureSeconds = 92.0;
constexpr Uint32 kCaptureBoundMs = 60000;
constexpr Uint32 kPollMs = 5;
// Longest near-silence allowed where the song meets its own start.
constexpr double kLongestSeamQuiet = 0.12;

struct Capture {
    std::vector<float> left, right;
};

long fileSize(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

class Playback : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string rawPath = "/tmp/quorvane-playback-" + std::to_string(getpid()) + ".raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", rawPath.c_str(), 1);
        // No pacing: the driver writes as fast as the mixer fills its buffers.
        setenv("SDL_DISKAUDIODELAY", "0", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        // Open the device before loading: Debian's mixer crashes playing an MP3
        // that was loaded with no device open.
        ASSERT_EQ(Mix_OpenAudio(kDemoRate, AUDIO_S16SYS, 2, kDemoChunk), 0) << Mix_GetError();
        Mix_Music* music = Mix_LoadMUS(MUSIC_DATA_DIR "/quorvane.mp3");
        ASSERT_NE(music, nullptr) << Mix_GetError();
        // The device has been writing silence since it opened; note how much,
        // with the mixer held, to know where the music begins in the file.
        SDL_LockAudio();
        ASSERT_EQ(Mix_PlayMusic(music, -1), 0) << Mix_GetError();
        playStart = fileSize(rawPath) / kBytesPerFrame;
        SDL_UnlockAudio();
        const long wanted = static_cast<long>(kCaptureSeconds * kDemoRate) * kBytesPerFrame;
        const Uint32 start = SDL_GetTicks();
        while (fileSize(rawPath) < wanted && SDL_GetTicks() - start < kCaptureBoundMs)
            SDL_Delay(kPollMs);
        Mix_HaltMusic();
        Mix_CloseAudio();
        Mix_FreeMusic(music);
        SDL_Quit();

        std::ifstream file(rawPath, std::ios::binary);
        std::vector<char> raw((std::istreambuf_iterator<char>(file)),
                              std::istreambuf_iterator<char>());
        std::remove(rawPath.c_str());
        std::vector<short> samples(raw.size() / 2);
        std::memcpy(samples.data(), raw.data(), samples.size() * 2);
        deinterleave(samples, output.left, output.right);
        deinterleave(decodeWithFfmpeg(MUSIC_DATA_DIR "/quorvane.mp3", kDemoRate), decoded.left,
                     decoded.right);
    }
    static Capture output, decoded;
    static long playStart;
};
Capture Playback::output, Playback::decoded;
long Playback::playStart = 0;

TEST_F(Playback, DeliversTheSongAndItsRepeat)
{
    ASSERT_GE(output.left.size(), static_cast<size_t>(kCaptureSeconds * kDemoRate));
    ASSERT_GE(decoded.left.size(), static_cast<size_t>(kSongSeconds * kDemoRate));
}

TEST_F(Playback, StartsTheFileWhenPlayIsCalled)
{
    // The mixer may have one buffer of silence filled before it saw the call.
    const size_t from = 2 * kDemoRate, to = 4 * kDemoRate;
    const long lag = bestLag(decoded.left, output.left, playStart - kDemoChunk,
                             playStart + 2 * kDemoChunk, from, to);
    std::printf("play called at output frame %ld, file frame 0 heard at output frame %ld\n",
                playStart, lag);
    EXPECT_GE(lag, playStart - kDemoChunk / 4);
    EXPECT_LE(lag, playStart + kDemoChunk + kDemoChunk / 4);
    EXPECT_GT(correlation(decoded.left, output.left, lag, from, to), 0.95);
}

TEST_F(Playback, MatchesTheDecodedFileInLevel)
{
    const size_t from = 10 * kDemoRate, to = 80 * kDemoRate;
    const long lag = bestLag(decoded.left, output.left, playStart - kDemoChunk,
                             playStart + 2 * kDemoChunk, from, from + kDemoRate);
    const double match = correlation(decoded.left, output.left, lag, from, to);
    const double matchRight = correlation(decoded.right, output.right, lag, from, to);
    const double levelPlayed = rmsDb(output.left, output.right, from + lag, to + lag);
    const double levelFile = rmsDb(decoded.left, decoded.right, from, to);
    std::printf("correlation %.4f / %.4f, level played %.2f dBFS, file %.2f dBFS\n", match,
                matchRight, levelPlayed, levelFile);
    EXPECT_GT(match, 0.95);
    EXPECT_GT(matchRight, 0.95);
    EXPECT_NEAR(levelPlayed, levelFile, 0.5);
}

TEST_F(Playback, RepeatsFromTheStartWithoutAGap)
{
    const long period = static_cast<long>(decoded.left.size());
    const long lag = bestLag(decoded.left, output.left, playStart + period - 2 * kDemoChunk,
                             playStart + period + 2 * kDemoChunk, 2 * kDemoRate, 4 * kDemoRate);
    const long first = bestLag(decoded.left, output.left, playStart - kDemoChunk,
                               playStart + 2 * kDemoChunk, 2 * kDemoRate, 4 * kDemoRate);
    std::printf("second pass starts %ld frames after the first; the file decodes to %ld\n",
                lag - first, period);
    EXPECT_EQ(lag - first, period);
    EXPECT_GT(correlation(decoded.left, output.left, lag, 2 * kDemoRate, 4 * kDemoRate), 0.95);

    // Across the seam nothing is quieter than -60 dBFS for long: the song
    // fades into its own quiet opening, and the decoder adds only its delay.
    const double quiet = std::pow(10.0, -60.0 / 20.0);
    size_t run = 0, longest = 0;
    const size_t seam = static_cast<size_t>(first + period);
    for (size_t i = seam - kDemoRate; i < seam + kDemoRate; ++i) {
        const bool silent = std::fabs(output.left[i]) < quiet && std::fabs(output.right[i]) < quiet;
        run = silent ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    std::printf("longest stretch below -60 dBFS at the seam: %.1f ms\n",
                1000.0 * longest / kDemoRate);
    EXPECT_LT(longest, static_cast<size_t>(kLongestSeamQuiet * kDemoRate));
}
}
