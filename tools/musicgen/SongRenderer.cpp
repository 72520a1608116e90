#include "SongRenderer.h"
#include "Decimator.h"
#include "Drums.h"
#include "Filter.h"
#include "Limiter.h"
#include "PingPongDelay.h"
#include "Reverb.h"
#include "Sequencer.h"
#include "Tempo.h"
#include "ToneVoice.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;

// How loud each instrument sits in the mix, how much of it goes to the
// hall and the echo, and how deeply the kick pushes it down.
struct InstrumentMix {
    Instrument instrument;
    double gain;
    double reverb;
    double delay;
    double duck;
};

const InstrumentMix kMix[] = {
    // instrument             gain  reverb delay duck
    {Instrument::Kick, 0.55, 0.00, 0.00, 0.0},    {Instrument::Snare, 0.30, 0.30, 0.00, 0.0},
    {Instrument::Clap, 0.24, 0.40, 0.00, 0.0},    {Instrument::ClosedHat, 0.20, 0.05, 0.00, 0.0},
    {Instrument::OpenHat, 0.14, 0.10, 0.00, 0.2}, {Instrument::Shaker, 0.12, 0.10, 0.00, 0.0},
    {Instrument::Crash, 0.16, 0.30, 0.00, 0.0},   {Instrument::Riser, 0.30, 0.40, 0.20, 0.0},
    {Instrument::Impact, 0.50, 0.25, 0.00, 0.0},  {Instrument::Bass, 0.42, 0.00, 0.00, 0.5},
    {Instrument::Pad, 0.16, 0.45, 0.00, 0.55},    {Instrument::Arp, 0.32, 0.30, 0.40, 0.4},
    {Instrument::Lead, 0.26, 0.30, 0.30, 0.15},
};

//                      first           second          semis mix   unison cents width
//                      amp {attack decay sustain release}  filter envelope  octaves Q  keys
//                      vibrato depth Hz delay  level
const Patch kBassPatch = {Waveform::Saw,
                          Waveform::Square,
                          -12,
                          0.45,
                          1,
                          0,
                          0.0,
                          {0.003, 0.3, 0.75, 0.04},
                          {0.001, 0.12, 0.0, 0.06},
                          2.3,
                          1.4,
                          0.5,
                          0.0,
                          0.0,
                          0.0,
                          1.0};
const Patch kPadPatch = {
    Waveform::Saw,        Waveform::Saw, 12,  0.25, 6,   22,  0.8, {1.0, 1.5, 0.85, 0.9},
    {0.8, 2.0, 0.6, 1.0}, 0.6,           0.9, 0.3,  0.0, 0.0, 0.0, 1.0};
const Patch kArpPatch = {Waveform::Saw,
                         Waveform::Square,
                         12,
                         0.25,
                         2,
                         10,
                         0.3,
                         {0.002, 0.16, 0.0, 0.08},
                         {0.001, 0.09, 0.0, 0.08},
                         3.0,
                         2.2,
                         0.5,
                         0.0,
                         0.0,
                         0.0,
                         1.0};
const Patch kLeadPatch = {Waveform::Saw,
                          Waveform::Square,
                          0,
                          0.35,
                          2,
                          12,
                          0.25,
                          {0.012, 0.5, 0.8, 0.18},
                          {0.008, 0.25, 0.35, 0.2},
                          1.8,
                          1.6,
                          0.6,
                          0.18,
                          5.2,
                          0.25,
                          1.0};

constexpr double kReverbRoom = 0.82;
constexpr double kReverbDamping = 0.35;
constexpr double kReverbReturn = 1.0;
constexpr double kDelayBeats = 0.75;  // a dotted eighth
constexpr double kDelayFeedback = 0.42;
constexpr double kDelayDamping = 0.3;
constexpr double kDelayReturn = 0.55;
constexpr double kDelayIntoReverb = 0.3;
constexpr double kDuckAttack = 0.004;
constexpr double kDuckRelease = 0.13;
constexpr double kDuckLength = 0.45;
constexpr double kDcBlockHz = 22.0;
constexpr double kDcBlockQ = 0.7071;
constexpr double kMasterGain = 0.6;
constexpr double kLimiterAttack = 0.002;
constexpr double kLimiterRelease = 0.08;
constexpr uint32_t kSeedMultiplier = 2654435761u;

const InstrumentMix& mixOf(Instrument instrument)
{
    for (const InstrumentMix& mix : kMix)
        if (mix.instrument == instrument) return mix;
    return kMix[0];
}

const Patch* patchOf(Instrument instrument)
{
    switch (instrument) {
    case Instrument::Bass: return &kBassPatch;
    case Instrument::Pad: return &kPadPatch;
    case Instrument::Arp: return &kArpPatch;
    case Instrument::Lead: return &kLeadPatch;
    default: return nullptr;
    }
}

const AutomationLane& cutoffOf(const Song& song, Instrument instrument)
{
    switch (instrument) {
    case Instrument::Bass: return song.bassCutoff;
    case Instrument::Arp: return song.arpCutoff;
    case Instrument::Lead: return song.leadCutoff;
    default: return song.padCutoff;
    }
}

// How far the kick pushes the other instruments down at each frame, 0..1.
std::vector<float> kickPressure(const std::vector<NoteEvent>& events, size_t frames)
{
    std::vector<float> pressure(frames, 0.0f);
    const size_t length = static_cast<size_t>(kDuckLength * kSampleRate);
    for (const NoteEvent& event : events) {
        if (event.instrument != Instrument::Kick) continue;
        for (size_t i = 0; i < length && event.startFrame + i < frames; ++i) {
            const double t = double(i) / kSampleRate;
            const double shape = std::min(t / kDuckAttack, 1.0) * std::exp(-t / kDuckRelease);
            float& p = pressure[event.startFrame + i];
            p = std::max(p, static_cast<float>(shape * event.velocity));
        }
    }
    return pressure;
}
}

StereoSamples renderSong(const Song& song)
{
    const Sequencer sequencer(song);
    const size_t frames = static_cast<size_t>(beatToFrame(song.lengthBeats));
    std::vector<float> dryLeft(frames, 0.0f), dryRight(frames, 0.0f), reverbSend(frames, 0.0f);
    std::vector<float> delayLeft(frames, 0.0f), delayRight(frames, 0.0f);
    const std::vector<float> pressure = kickPressure(sequencer.events(), frames);

    std::vector<float> left, right;
    uint32_t index = 0;
    for (const NoteEvent& event : sequencer.events()) {
        ++index;
        const Patch* patch = patchOf(event.instrument);
        if (patch) {
            renderTone(*patch, event.note, event.velocity, event.startFrame, event.lengthFrames,
                       cutoffOf(song, event.instrument), left, right);
        } else {
            renderDrum(event.instrument, event.velocity, frameToSeconds(event.lengthFrames),
                       index * kSeedMultiplier, left, right);
        }
        const InstrumentMix& mix = mixOf(event.instrument);
        // Constant-power pan, unity in the middle.
        const double angle = (event.pan + 1.0) * kPi / 4.0;
        const double panLeft = std::cos(angle) * std::sqrt(2.0) * mix.gain;
        const double panRight = std::sin(angle) * std::sqrt(2.0) * mix.gain;
        for (size_t i = 0; i < left.size(); ++i) {
            const size_t at = static_cast<size_t>(event.startFrame) + i;
            if (at >= frames) break;
            const double duck = 1.0 - mix.duck * pressure[at];
            const double l = left[i] * panLeft * duck;
            const double r = right[i] * panRight * duck;
            dryLeft[at] += static_cast<float>(l);
            dryRight[at] += static_cast<float>(r);
            reverbSend[at] += static_cast<float>((l + r) * 0.5 * mix.reverb);
            delayLeft[at] += static_cast<float>(l * mix.delay);
            delayRight[at] += static_cast<float>(r * mix.delay);
        }
    }

    PingPongDelay delay(static_cast<int>(beatToFrame(kDelayBeats)), kDelayFeedback, kDelayDamping);
    Reverb reverb(kReverbRoom, kReverbDamping);
    Filter blockLeft(FilterMode::HighPass), blockRight(FilterMode::HighPass);
    blockLeft.setCutoff(kDcBlockHz, kDcBlockQ);
    blockRight.setCutoff(kDcBlockHz, kDcBlockQ);
    // The dry buses become the finished mix in place, frame by frame.
    std::vector<float>&mixLeft = dryLeft, &mixRight = dryRight;
    for (size_t i = 0; i < frames; ++i) {
        double echoLeft = 0.0, echoRight = 0.0, hallLeft = 0.0, hallRight = 0.0;
        delay.process(delayLeft[i], delayRight[i], echoLeft, echoRight);
        reverb.process(reverbSend[i] + kDelayIntoReverb * 0.5 * (echoLeft + echoRight), hallLeft,
                       hallRight);
        const double level = kMasterGain * song.masterLevel.valueAt(double(i) / kFramesPerBeat);
        const double l = dryLeft[i] + kDelayReturn * echoLeft + kReverbReturn * hallLeft;
        const double r = dryRight[i] + kDelayReturn * echoRight + kReverbReturn * hallRight;
        mixLeft[i] = static_cast<float>(blockLeft.process(l) * level);
        mixRight[i] = static_cast<float>(blockRight.process(r) * level);
    }
    StereoSamples out;
    out.sampleRate = kSampleRate / 2;
    out.left = decimateByTwo(mixLeft);
    out.right = decimateByTwo(mixRight);
    Limiter(std::pow(10.0, kLimiterCeilingDb / 20.0), kLimiterAttack, kLimiterRelease,
            out.sampleRate)
        .process(out.left, out.right);
    return out;
}
