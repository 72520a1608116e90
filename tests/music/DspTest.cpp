// The synthesiser's building blocks, measured on their own output.
#include "Decimator.h"
#include "Envelope.h"
#include "Filter.h"
#include "Limiter.h"
#include "Loudness.h"
#include "Noise.h"
#include "Oscillator.h"
#include "PingPongDelay.h"
#include "Tempo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr double kTwoPi = 6.283185307179586;

// Amplitude of a filter's steady response to a sine, in dB.
double gainDb(FilterMode mode, double cutoff, double frequency)
{
    Filter filter(mode);
    filter.setCutoff(cutoff, 0.7071);
    double peak = 0.0;
    for (int i = 0; i < kSampleRate; ++i) {
        const double out = filter.process(std::sin(kTwoPi * frequency * i / kSampleRate));
        if (i > kSampleRate / 2) peak = std::max(peak, std::fabs(out));
    }
    return 20.0 * std::log10(peak);
}

std::vector<float> sine(double frequency, double amplitude, double seconds, int rate)
{
    std::vector<float> out(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<float>(amplitude * std::sin(kTwoPi * frequency * i / rate));
    return out;
}
}

TEST(Oscillator, SineFollowsItsPhase)
{
    Oscillator sine(Waveform::Sine, 0.0);
    for (int i = 0; i < 100; ++i)
        EXPECT_NEAR(sine.next(1000.0), std::sin(kTwoPi * 1000.0 * i / kSampleRate), 1e-9) << i;
}

TEST(Oscillator, SawRampsOnceAPeriodWithoutDc)
{
    Oscillator saw(Waveform::Saw, 0.0);
    const double frequency = 441.0;  // exactly 100 frames a period
    double sum = 0.0, low = 1.0, high = -1.0;
    for (int i = 0; i < 100 * 100; ++i) {
        const double v = saw.next(frequency);
        sum += v;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_NEAR(sum / 10000.0, 0.0, 1e-3);
    EXPECT_LT(high, 1.0);
    EXPECT_GT(low, -1.0);
    EXPECT_GT(high, 0.9);
    EXPECT_NEAR(saw.phase(), 0.0, 1e-6);
}

TEST(Oscillator, PolyBlepOnlyActsNextToTheStep)
{
    EXPECT_DOUBLE_EQ(polyBlep(0.5, 0.01), 0.0);
    EXPECT_DOUBLE_EQ(polyBlep(0.0, 0.01), -1.0);
    EXPECT_NEAR(polyBlep(0.999999, 0.01), 1.0, 1e-3);
}

TEST(Filter, PassesAndStopsWhereItShould)
{
    EXPECT_NEAR(gainDb(FilterMode::LowPass, 1000.0, 100.0), 0.0, 0.1);
    EXPECT_NEAR(gainDb(FilterMode::LowPass, 1000.0, 1000.0), -3.01, 0.1);
    EXPECT_LT(gainDb(FilterMode::LowPass, 1000.0, 8000.0), -35.0);
    EXPECT_NEAR(gainDb(FilterMode::HighPass, 1000.0, 1000.0), -3.01, 0.1);
    EXPECT_LT(gainDb(FilterMode::HighPass, 1000.0, 100.0), -39.0);
}

TEST(Filter, HighPassRemovesAConstantOffset)
{
    Filter filter(FilterMode::HighPass);
    filter.setCutoff(22.0, 0.7071);
    double out = 1.0;
    for (int i = 0; i < kSampleRate; ++i) out = filter.process(0.5);
    EXPECT_NEAR(out, 0.0, 1e-6);
}

TEST(Envelope, RisesDecaysAndReleases)
{
    Envelope envelope({0.01, 0.05, 0.5, 0.02});
    const int attackFrames = static_cast<int>(0.01 * kSampleRate);
    for (int i = 0; i < attackFrames - 1; ++i) envelope.next();
    EXPECT_LT(envelope.level(), 1.0);
    envelope.next();
    EXPECT_NEAR(envelope.level(), 1.0, 1e-9);
    for (int i = 0; i < kSampleRate; ++i) envelope.next();
    EXPECT_NEAR(envelope.level(), 0.5, 1e-6);
    EXPECT_FALSE(envelope.finished());
    envelope.release();
    // One time constant later the level is down to 1/e.
    for (int i = 0; i < static_cast<int>(0.02 * kSampleRate); ++i) envelope.next();
    EXPECT_NEAR(envelope.level(), 0.5 / std::exp(1.0), 1e-3);
    for (int i = 0; i < kSampleRate; ++i) envelope.next();
    EXPECT_TRUE(envelope.finished());
}

TEST(Noise, RepeatsForASeedAndSpreadsEvenly)
{
    Noise a(7), b(7), c(8);
    double sum = 0.0, squares = 0.0;
    bool differs = false;
    for (int i = 0; i < 100000; ++i) {
        const double v = a.next();
        EXPECT_EQ(v, b.next());
        differs = differs || v != c.next();
        ASSERT_GE(v, -1.0);
        ASSERT_LT(v, 1.0);
        sum += v;
        squares += v * v;
    }
    EXPECT_TRUE(differs);
    EXPECT_NEAR(sum / 100000.0, 0.0, 0.01);
    EXPECT_NEAR(squares / 100000.0, 1.0 / 3.0, 0.01);  // variance of a uniform -1..1
}

TEST(Limiter, HoldsPeaksAtTheCeilingAndLeavesQuietPartsAlone)
{
    std::vector<float> left = sine(100.0, 0.3, 1.0, kSampleRate), right = left;
    for (size_t i = 20000; i < 20100; ++i) left[i] = 1.5f;  // a burst far over the ceiling
    const std::vector<float> original = left;
    Limiter(0.5, 0.002, 0.01, kSampleRate).process(left, right);
    float peak = 0.0f;
    for (float v : left) peak = std::max(peak, std::fabs(v));
    EXPECT_LE(peak, 0.5f + 1e-6f);
    EXPECT_GT(peak, 0.49f);
    // Well away from the burst nothing changes.
    for (size_t i = 0; i < 10000; ++i) ASSERT_EQ(left[i], original[i]) << i;
    for (size_t i = 30000; i < left.size(); ++i) ASSERT_NEAR(left[i], original[i], 1e-6) << i;
}

TEST(PingPongDelay, EchoesCrossFromSideToSide)
{
    constexpr int delayFrames = 100;
    PingPongDelay delay(delayFrames, 0.5, 0.0);
    std::vector<double> left, right;
    for (int i = 0; i < 4 * delayFrames; ++i) {
        double l, r;
        delay.process(i == 0 ? 1.0 : 0.0, i == 0 ? 1.0 : 0.0, l, r);
        left.push_back(l);
        right.push_back(r);
    }
    EXPECT_DOUBLE_EQ(left[delayFrames], 1.0);
    EXPECT_DOUBLE_EQ(right[delayFrames], 0.0);
    EXPECT_DOUBLE_EQ(right[2 * delayFrames], 0.5);
    EXPECT_DOUBLE_EQ(left[2 * delayFrames], 0.0);
    EXPECT_DOUBLE_EQ(left[3 * delayFrames], 0.25);
}

TEST(Decimator, KeepsTheBandAndRejectsWhatWouldFoldBack)
{
    auto levelAfter = [](double frequency) {
        const std::vector<float> out = decimateByTwo(sine(frequency, 0.5, 0.5, 44100));
        double peak = 0.0;
        for (size_t i = out.size() / 4; i < out.size() * 3 / 4; ++i)
            peak = std::max(peak, std::fabs(double(out[i])));
        return 20.0 * std::log10(peak / 0.5);
    };
    EXPECT_NEAR(levelAfter(1000.0), 0.0, 0.05);
    EXPECT_NEAR(levelAfter(8000.0), 0.0, 0.1);
    EXPECT_LT(levelAfter(13000.0), -60.0);
    EXPECT_LT(levelAfter(18000.0), -60.0);
    EXPECT_EQ(decimateByTwo(std::vector<float>(1001)).size(), 500u);
}

// Reference levels of ITU-R BS.1770: a full-scale 1 kHz sine in one channel
// reads -3.01 LUFS, in both 0 LUFS; silence between the blocks is gated away.
TEST(Loudness, MatchesTheReferenceLevels)
{
    for (int rate : {22050, 44100}) {
        const std::vector<float> tone = sine(1000.0, std::pow(10.0, -20.0 / 20.0), 5.0, rate);
        const std::vector<float> silence(tone.size(), 0.0f);
        EXPECT_NEAR(integratedLoudness(tone, tone, rate), -20.0, 0.1) << rate;
        EXPECT_NEAR(integratedLoudness(tone, silence, rate), -23.01, 0.1) << rate;
        std::vector<float> gapped = tone;
        gapped.insert(gapped.end(), silence.begin(), silence.end());
        EXPECT_NEAR(integratedLoudness(gapped, gapped, rate), -20.0, 0.15) << rate;
        EXPECT_TRUE(std::isinf(integratedLoudness(silence, silence, rate)));
    }
}

TEST(Loudness, WeightsLowFrequenciesDown)
{
    const std::vector<float> low = sine(40.0, 0.1, 5.0, 44100), mid = sine(1000.0, 0.1, 5.0, 44100);
    EXPECT_LT(integratedLoudness(low, low, 44100), integratedLoudness(mid, mid, 44100) - 1.0);
}

TEST(Tempo, BeatsLandOnWholeFrames)
{
    EXPECT_EQ(kFramesPerBeat, 22050);
    EXPECT_EQ(beatToFrame(12), 6 * 44100);
    EXPECT_EQ(beatToFrame(171), 3770550);
    EXPECT_EQ(beatToFrame(0.25), 5513);  // a sixteenth: 5512.5 rounds up
    EXPECT_DOUBLE_EQ(frameToSeconds(beatToFrame(86)), 43.0);
}
