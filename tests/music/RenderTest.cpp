// Runs the generator as the regenerate command does and checks the mix it
// writes, then checks the committed MP3 against the same mix.
#include "AudioAnalysis.h"
#include "Filter.h"
#include "Loudness.h"
#include "WavFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {
constexpr int kRate = 22050;
constexpr double kSongSeconds = 85.5;
constexpr double kLimiterCeilingDb = -2.0;
constexpr double kLoudestLufs = -12.0, kQuietestLufs = -16.0;
constexpr double kTruePeakLimit = -1.0;
// The encoder input starts this far into the song (decoder delay plus
// one device buffer) and an MP3 decoder adds back the delay.
constexpr long kDecoderDelay = 1105;
constexpr long kAdvance = 2129;
constexpr double kQuietDb = -60.0;
// The opening pad rises from nothing; this is as long as the mix may stay
// below -60 dBFS anywhere, counting across the loop from end to start.
constexpr double kLongestQuietSeconds = 0.06;

const std::string kMp3 = MUSIC_DATA_DIR "/quorvane.mp3";
const std::string kNote = MUSIC_NOTE;

std::string readText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

double seconds(size_t frame) { return double(frame) / kRate; }
size_t frameAt(double seconds) { return static_cast<size_t>(seconds * kRate); }

// Ratio of the side (L-R) to the mid (L+R) level over a stretch.
double sideToMid(const StereoSamples& mix, size_t from, size_t to)
{
    double side = 0.0, mid = 0.0;
    for (size_t i = from; i < to; ++i) {
        const double s = mix.left[i] - mix.right[i], m = mix.left[i] + mix.right[i];
        side += s * s;
        mid += m * m;
    }
    return std::sqrt(side / mid);
}

// Level in dBFS of one band of the mix over a stretch.
double bandDb(const StereoSamples& mix, FilterMode mode, double cutoff, double from, double to)
{
    // The filters run at 44.1 kHz constants; at 22.05 kHz the cutoff is halved,
    // so ask for twice the wanted frequency.
    Filter filter(mode);
    filter.setCutoff(2.0 * cutoff, 0.7071);
    double sum = 0.0;
    size_t count = 0;
    for (size_t i = frameAt(from) > kRate / 10 ? frameAt(from) - kRate / 10 : 0; i < frameAt(to);
         ++i) {
        const double y = filter.process(0.5 * (mix.left[i] + mix.right[i]));
        if (i >= frameAt(from)) {
            sum += y * y;
            ++count;
        }
    }
    return 10.0 * std::log10(sum / count + 1e-20);
}

class Render : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/quorvane-music-XXXXXX";
        directory = mkdtemp(pattern);
        // Two renders side by side: the second proves the first is repeatable.
        const std::string gen = MUSICGEN_EXECUTABLE;
        const CommandResult both = runCommand(
            "( '" + gen + "' " + directory + "/a.wav >" + directory + "/a.log & '" + gen + "' " +
            directory + "/b.wav >" + directory + "/b.log; s=$?; wait $!" + " && exit $s )");
        status = both.status;
        ASSERT_TRUE(readWav(directory + "/a.wav", mix));
        deinterleave(decodeWithFfmpeg(kMp3, kRate), decoded.left, decoded.right);
        decoded.sampleRate = kRate;
    }
    static void TearDownTestSuite() { runCommand("rm -rf '" + directory + "'"); }

    static std::string directory;
    static int status;
    static StereoSamples mix, decoded;
};
std::string Render::directory;
int Render::status = -1;
StereoSamples Render::mix, Render::decoded;

TEST_F(Render, WritesTheSameBytesEveryTimeAsRecordedInTheNote)
{
    ASSERT_EQ(status, 0);
    EXPECT_EQ(readText(directory + "/a.wav"), readText(directory + "/b.wav"));
    const CommandResult sum = runCommand("sha256sum '" + directory + "/a.wav'");
    ASSERT_EQ(sum.status, 0);
    const std::string hash = sum.output.substr(0, 64);
    std::smatch recorded;
    const std::string note = readText(kNote);
    ASSERT_TRUE(std::regex_search(note, recorded, std::regex("WAV SHA-256: ([0-9a-f]{64})")))
        << "docs/MUSIC.md records no WAV SHA-256";
    EXPECT_EQ(hash, recorded[1].str())
        << "the song changed: run tools/musicgen/render.sh and update docs/MUSIC.md";
}

TEST_F(Render, ReportsBadUseOnOneLine)
{
    const std::string gen = MUSICGEN_EXECUTABLE;
    const CommandResult none = runCommand("'" + gen + "'");
    const std::string usage = " (usage: quorvane-musicgen [--advance FRAMES] OUTPUT.wav)\n";
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.output, "quorvane-musicgen: OUTPUT.wav is required" + usage);
    const CommandResult badAdvance = runCommand("'" + gen + "' --advance soon x.wav");
    EXPECT_EQ(badAdvance.status, 2);
    EXPECT_EQ(badAdvance.output,
              "quorvane-musicgen: --advance: needs a frame count, not \"soon\"" + usage);
    const CommandResult unwritable = runCommand("'" + gen + "' /nonexistent-quorvane/x.wav");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.output, "quorvane-musicgen: cannot write /nonexistent-quorvane/x.wav\n");
}

TEST_F(Render, LastsTheWholeShowAtTheDemosRate)
{
    EXPECT_EQ(mix.sampleRate, kRate);
    EXPECT_EQ(mix.left.size(), frameAt(kSongSeconds));
}

TEST_F(Render, NeverClipsAndCarriesNoDcOffset)
{
    const double ceiling = std::pow(10.0, kLimiterCeilingDb / 20.0) + 1.0 / 32768.0;
    float peak = 0.0f;
    for (size_t i = 0; i < mix.left.size(); ++i)
        peak = std::max({peak, std::fabs(mix.left[i]), std::fabs(mix.right[i])});
    std::printf("sample peak %.2f dBFS\n", 20.0 * std::log10(peak));
    EXPECT_LE(peak, ceiling);
    for (size_t from = 0; from + 10 * kRate <= mix.left.size(); from += 10 * kRate) {
        double left = 0.0, right = 0.0;
        for (size_t i = from; i < from + 10 * kRate; ++i) {
            left += mix.left[i];
            right += mix.right[i];
        }
        EXPECT_LT(std::fabs(left / (10 * kRate)), 1e-3) << seconds(from);
        EXPECT_LT(std::fabs(right / (10 * kRate)), 1e-3) << seconds(from);
    }
}

TEST_F(Render, HasAStereoImageInEverySection)
{
    const double bounds[] = {0, 2, 6, 12, 16, 29, 43, 84, 85.5};
    for (size_t s = 0; s + 1 < std::size(bounds); ++s) {
        const double ratio = sideToMid(mix, frameAt(bounds[s]), frameAt(bounds[s + 1]));
        std::printf("%5.1f-%5.1f s: side/mid %.3f\n", bounds[s], bounds[s + 1], ratio);
        EXPECT_GT(ratio, 0.1) << bounds[s];
        EXPECT_LT(ratio, 0.8) << bounds[s];  // still sounds whole in mono
    }
}

TEST_F(Render, IsNeverSilentForLongEvenAcrossTheLoop)
{
    const double quiet = std::pow(10.0, kQuietDb / 20.0);
    const size_t frames = mix.left.size();
    size_t run = 0, longest = 0, longestEnd = 0;
    // Twice round, so a quiet end and a quiet start count as one stretch.
    for (size_t k = 0; k < 2 * frames; ++k) {
        const size_t i = k % frames;
        const bool silent = std::fabs(mix.left[i]) < quiet && std::fabs(mix.right[i]) < quiet;
        run = silent ? std::min(run + 1, frames) : 0;
        if (run > longest) {
            longest = run;
            longestEnd = i;
        }
    }
    std::printf("longest stretch below %.0f dBFS: %.1f ms ending at %.3f s\n", kQuietDb,
                1000.0 * seconds(longest), seconds(longestEnd));
    EXPECT_LE(seconds(longest), kLongestQuietSeconds);
}

TEST_F(Render, EndsQuietlyWhereItBeginsQuietly)
{
    const size_t n = mix.left.size();
    const size_t edge = frameAt(0.02);
    const double endLevel = rmsDb(mix.left, mix.right, n - edge, n);
    const double startLevel = rmsDb(mix.left, mix.right, 0, edge);
    std::printf("last 20 ms %.1f dBFS, first 20 ms %.1f dBFS\n", endLevel, startLevel);
    EXPECT_LT(endLevel, -50.0);
    EXPECT_LT(startLevel, -50.0);
    EXPECT_LT(std::fabs(mix.left[n - 1] - mix.left[0]), 1e-3);
    EXPECT_LT(std::fabs(mix.right[n - 1] - mix.right[0]), 1e-3);
}

TEST_F(Render, LoudnessIsInRange)
{
    const double lufs = integratedLoudness(mix.left, mix.right, mix.sampleRate);
    std::printf("integrated loudness %.2f LUFS\n", lufs);
    EXPECT_GE(lufs, kQuietestLufs);
    EXPECT_LE(lufs, kLoudestLufs);
}

TEST_F(Render, SectionsFollowTheScenes)
{
    auto level = [&](double from, double to) {
        return rmsDb(mix.left, mix.right, frameAt(from), frameAt(to));
    };
    auto lows = [&](double from, double to) {
        return bandDb(mix, FilterMode::LowPass, 120.0, from, to);
    };
    const double opening = level(0.2, 2.0), build = level(2.0, 6.0), beat = level(6.0, 12.0);
    const double groove = level(16.0, 29.0), breakdown = level(29.0, 33.0),
                 theme = level(43.0, 84.0);
    const double cadence = level(84.5, 85.5);
    std::printf(
        "opening %.1f, build %.1f, beat %.1f, groove %.1f, breakdown %.1f, theme %.1f, cadence %.1f dBFS\n",
        opening, build, beat, groove, breakdown, theme, cadence);
    std::printf("lows before/after 6 s: %.1f / %.1f dBFS\n", lows(5.0, 6.0), lows(6.0, 7.0));
    EXPECT_LT(opening, build - 2.0);  // the logo rests, then recedes as the sound grows
    EXPECT_LT(build, beat - 4.0);     // the beat arrives with the spin
    EXPECT_GT(lows(6.0, 7.0), lows(5.0, 6.0) + 10.0);  // the kick starts at 6 s
    EXPECT_LT(breakdown, groove - 2.0);                // the logo splits over a breakdown
    EXPECT_GE(theme, groove - 0.5);                    // the theme is the fullest part
    EXPECT_LT(cadence, theme - 3.0);                   // and the cadence lets go
}

TEST_F(Render, Mp3HasTheAgreedFormat)
{
    const CommandResult probe =
        runCommand(std::string(FFPROBE_EXECUTABLE) +
                   " -v error -show_entries stream=codec_name,sample_rate,channels,bit_rate"
                   " -show_entries format=duration -of default=noprint_wrappers=1 '" +
                   kMp3 + "'");
    ASSERT_EQ(probe.status, 0) << probe.output;
    std::printf("%s", probe.output.c_str());
    EXPECT_NE(probe.output.find("codec_name=mp3\n"), std::string::npos);
    EXPECT_NE(probe.output.find("sample_rate=22050\n"), std::string::npos);
    EXPECT_NE(probe.output.find("channels=2\n"), std::string::npos);
    std::smatch bitrate, duration;
    ASSERT_TRUE(std::regex_search(probe.output, bitrate, std::regex("bit_rate=([0-9]+)")));
    EXPECT_GE(std::stol(bitrate[1]), 128000);
    EXPECT_LE(std::stol(bitrate[1]), 192000);
    ASSERT_TRUE(std::regex_search(probe.output, duration, std::regex("duration=([0-9.]+)")));
    EXPECT_GE(std::stod(duration[1]), kSongSeconds);
}

TEST_F(Render, Mp3LoudnessAndTruePeak)
{
    const CommandResult meter =
        runCommand(std::string(FFMPEG_EXECUTABLE) + " -hide_banner -nostats -i '" + kMp3 +
                   "' -af ebur128=peak=true:framelog=verbose -f null -");
    ASSERT_EQ(meter.status, 0) << meter.output;
    std::smatch integrated, peak;
    ASSERT_TRUE(std::regex_search(meter.output, integrated, std::regex("I:\\s+(-?[0-9.]+) LUFS")));
    ASSERT_TRUE(std::regex_search(meter.output, peak,
                                  std::regex("True peak:\\s+Peak:\\s+(-?[0-9.]+) dBFS")));
    std::printf("MP3: integrated %s LUFS, true peak %s dBTP\n", integrated[1].str().c_str(),
                peak[1].str().c_str());
    EXPECT_GE(std::stod(integrated[1]), kQuietestLufs);
    EXPECT_LE(std::stod(integrated[1]), kLoudestLufs);
    EXPECT_LE(std::stod(peak[1]), kTruePeakLimit);
}

TEST_F(Render, Mp3IsThisMixAdvancedForTheDemo)
{
    // Decoded frame j holds song frame j - delay + advance.
    ASSERT_GE(decoded.left.size(), mix.left.size());
    const long expected = kAdvance - kDecoderDelay;
    const size_t from = frameAt(10.0), to = frameAt(80.0);
    const long lag =
        bestLag(decoded.left, mix.left, expected - 200, expected + 200, from, from + kRate);
    const double left = correlation(decoded.left, mix.left, lag, from, to);
    const double right = correlation(decoded.right, mix.right, lag, from, to);
    std::printf("MP3 frame j is song frame j + %ld; correlation %.4f / %.4f\n", lag, left, right);
    EXPECT_EQ(lag, expected);
    EXPECT_GT(left, 0.98);
    EXPECT_GT(right, 0.98);
    // lame's output sits about half a decibel below its input.
    EXPECT_NEAR(rmsDb(decoded.left, decoded.right, from - lag, to - lag),
                rmsDb(mix.left, mix.right, from, to), 0.7);
}
}
