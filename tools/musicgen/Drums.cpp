#include "Drums.h"
#include "Filter.h"
#include "Noise.h"
#include "Oscillator.h"
#include "Tempo.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586;
// Square partials at inharmonic ratios: the metallic colour of a cymbal.
constexpr std::array<double, 6> kMetalFrequencies = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
constexpr double kMetalScale = 1.7;

size_t framesFor(double seconds) { return static_cast<size_t>(seconds * kSampleRate); }

double decay(double seconds, double timeConstant) { return std::exp(-seconds / timeConstant); }

void kick(double velocity, uint32_t seed, std::vector<float>& out)
{
    constexpr double length = 0.6, bodyDecay = 0.32, pitchDecay = 0.035;
    constexpr double lowHz = 47.0, sweepHz = 120.0, clickDecay = 0.004, clickLevel = 0.25,
                     drive = 1.8;
    out.assign(framesFor(length), 0.0f);
    Noise noise(seed);
    Filter click(FilterMode::HighPass);
    click.setCutoff(2500.0, 0.7);
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kSampleRate;
        phase += (lowHz + sweepHz * decay(t, pitchDecay)) / kSampleRate;
        const double body = std::sin(kTwoPi * phase) * decay(t, bodyDecay);
        const double snap = click.process(noise.next()) * decay(t, clickDecay) * clickLevel;
        out[i] = static_cast<float>(std::tanh(drive * (body + snap)) / std::tanh(drive) * velocity);
    }
}

void snare(double velocity, uint32_t seed, std::vector<float>& out)
{
    constexpr double length = 0.35, toneDecay = 0.07, noiseDecay = 0.12;
    constexpr double lowHz = 185.0, highHz = 330.0, toneLevel = 0.45, noiseLevel = 0.75;
    out.assign(framesFor(length), 0.0f);
    Noise noise(seed);
    Filter bright(FilterMode::HighPass), body(FilterMode::LowPass);
    bright.setCutoff(1200.0, 0.7);
    body.setCutoff(7000.0, 0.7);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kSampleRate;
        const double tone = (std::sin(kTwoPi * lowHz * t) + 0.6 * std::sin(kTwoPi * highHz * t)) *
                            decay(t, toneDecay);
        const double rattle = body.process(bright.process(noise.next())) * decay(t, noiseDecay);
        out[i] = static_cast<float>((toneLevel * tone + noiseLevel * rattle) * velocity);
    }
}

void clap(double velocity, uint32_t seed, std::vector<float>& out)
{
    constexpr double length = 0.4, burstGap = 0.011, burstDecay = 0.006, tailDecay = 0.11,
                     level = 1.4;
    constexpr int bursts = 3;
    out.assign(framesFor(length), 0.0f);
    Noise noise(seed);
    Filter band(FilterMode::BandPass);
    band.setCutoff(1300.0, 1.2);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kSampleRate;
        double envelope = 0.0;
        for (int b = 0; b < bursts; ++b) {
            const double since = t - b * burstGap;
            if (since >= 0.0 && since < burstGap)
                envelope = std::max(envelope, decay(since, burstDecay));
        }
        const double tailStart = bursts * burstGap;
        if (t >= tailStart) envelope = std::max(envelope, decay(t - tailStart, tailDecay));
        out[i] = static_cast<float>(band.process(noise.next()) * envelope * level * velocity);
    }
}

void metal(double velocity, uint32_t seed, double decayTime, double length, std::vector<float>& out)
{
    constexpr double noiseMix = 0.5, level = 0.5;
    out.assign(framesFor(length), 0.0f);
    Noise noise(seed);
    std::vector<Oscillator> partials;
    for (size_t p = 0; p < kMetalFrequencies.size(); ++p)
        partials.emplace_back(Waveform::Square, 0.13 * double(p));
    Filter high(FilterMode::HighPass), band(FilterMode::BandPass);
    high.setCutoff(7000.0, 0.7);
    band.setCutoff(10000.0, 0.8);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kSampleRate;
        double sum = 0.0;
        for (size_t p = 0; p < partials.size(); ++p)
            sum += partials[p].next(kMetalFrequencies[p] * kMetalScale);
        const double raw = sum / partials.size() * (1.0 - noiseMix) + noise.next() * noiseMix;
        const double shaped = high.process(raw) + 0.3 * band.process(raw);
        out[i] = static_cast<float>(shaped * decay(t, decayTime) * level * velocity);
    }
}

void shaker(double velocity, uint32_t seed, std::vector<float>& out)
{
    constexpr double length = 0.12, attack = 0.012, decayTime = 0.03, level = 0.45;
    out.assign(framesFor(length), 0.0f);
    Noise noise(seed);
    Filter band(FilterMode::BandPass);
    band.setCutoff(6500.0, 1.5);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kSampleRate;
        const double envelope = t < attack ? t / attack : decay(t - attack, decayTime);
        out[i] = static_cast<float>(band.process(noise.next()) * envelope * level * velocity);
    }
}

// Rising filtered noise that swells into the beat it ends on.
void riser(double velocity, double lengthSeconds, uint32_t seed, std::vector<float>& out)
{
    constexpr double fromHz = 300.0, toHz = 9000.0, level = 0.35;
    out.assign(framesFor(lengthSeconds), 0.0f);
    Noise noise(seed);
    Filter band(FilterMode::BandPass);
    for (size_t i = 0; i < out.size(); ++i) {
        const double progress = double(i) / out.size();
        if (i % 16 == 0) band.setCutoff(fromHz * std::pow(toHz / fromHz, progress), 2.0);
        out[i] =
            static_cast<float>(band.process(noise.next()) * progress * progress * level * velocity);
    }
}

// A deep falling boom under a scene change.
void impact(double velocity, uint32_t seed, std::vector<float>& out)
{
    constexpr double length = 1.6, bodyDecay = 0.45, fromHz = 75.0, toHz = 32.0, sweepTime = 0.5;
    constexpr double rumbleDecay = 0.25, rumbleLevel = 0.4, level = 0.8;
    out.assign(framesFor(length), 0.0f);
    Noise noise(seed);
    Filter low(FilterMode::LowPass);
    low.setCutoff(180.0, 0.7);
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kSampleRate;
        phase += (toHz + (fromHz - toHz) * decay(t, sweepTime)) / kSampleRate;
        const double body = std::sin(kTwoPi * phase) * decay(t, bodyDecay);
        const double rumble = low.process(noise.next()) * decay(t, rumbleDecay) * rumbleLevel;
        out[i] = static_cast<float>((body + rumble) * level * velocity);
    }
}
}

void renderDrum(Instrument instrument, double velocity, double lengthSeconds, uint32_t seed,
                std::vector<float>& left, std::vector<float>& right)
{
    constexpr double closedDecay = 0.03, closedLength = 0.15, openDecay = 0.2, openLength = 0.8;
    constexpr double crashDecay = 1.1, crashLength = 3.5;
    constexpr uint32_t rightSeedOffset = 0x5bd1e995u;
    bool stereo = false;
    switch (instrument) {
    case Instrument::Kick: kick(velocity, seed, left); break;
    case Instrument::Snare: snare(velocity, seed, left); break;
    case Instrument::Clap: clap(velocity, seed, left); break;
    case Instrument::ClosedHat: metal(velocity, seed, closedDecay, closedLength, left); break;
    case Instrument::OpenHat: metal(velocity, seed, openDecay, openLength, left); break;
    case Instrument::Shaker: shaker(velocity, seed, left); break;
    // Wide sounds: the two sides get different noise.
    case Instrument::Crash:
        metal(velocity, seed, crashDecay, crashLength, left);
        metal(velocity, seed + rightSeedOffset, crashDecay, crashLength, right);
        stereo = true;
        break;
    case Instrument::Riser:
        riser(velocity, lengthSeconds, seed, left);
        riser(velocity, lengthSeconds, seed + rightSeedOffset, right);
        stereo = true;
        break;
    case Instrument::Impact: impact(velocity, seed, left); break;
    default: left.clear(); break;
    }
    if (!stereo) right = left;
}
