#include "ToneVoice.h"
#include "Filter.h"
#include "Notation.h"
#include "Tempo.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr int kControlInterval = 16;  // frames between cutoff updates
constexpr double kLongestTail = 4.0;  // seconds of release at most
constexpr int kReferenceNote = 60;
constexpr double kCentsPerSemitone = 100.0;
constexpr double kHighestCutoff = 18000.0;
constexpr double kVibratoFadeIn = 0.3;
// Each copy starts at its own phase so the stack does not begin as a click.
constexpr double kPhaseStep = 0.618033988749895;
}

void renderTone(const Patch& patch, double note, double velocity, int64_t startFrame,
                int64_t lengthFrames, const AutomationLane& cutoff, std::vector<float>& left,
                std::vector<float>& right)
{
    const int64_t maxFrames = lengthFrames + static_cast<int64_t>(kLongestTail * kSampleRate);
    left.assign(maxFrames, 0.0f);
    right.assign(maxFrames, 0.0f);

    std::vector<Oscillator> firsts, partners;
    std::vector<double> detune, panLeft, panRight;
    for (int i = 0; i < patch.unison; ++i) {
        const double phase = std::fmod(kPhaseStep * (i + 1), 1.0);
        firsts.emplace_back(patch.first, phase);
        partners.emplace_back(patch.second, std::fmod(phase + kPhaseStep, 1.0));
        const double spread = patch.unison > 1 ? (double(i) / (patch.unison - 1) - 0.5) : 0.0;
        detune.push_back(std::pow(2.0, spread * patch.unisonCents / kCentsPerSemitone / 12.0));
        // Copies fan out across the field, alternating sides so the sharp
        // and flat ones mix on both; a single copy sits in the middle.
        const double side = (i % 2 ? 1.0 : -1.0) * patch.stereoWidth * std::fabs(2.0 * spread);
        const double angle = (side + 1.0) * kPi / 4.0;
        panLeft.push_back(std::cos(angle) * std::sqrt(2.0));
        panRight.push_back(std::sin(angle) * std::sqrt(2.0));
    }
    Filter filterLeft(FilterMode::LowPass), filterRight(FilterMode::LowPass);
    Envelope amp(patch.amp), filterEnvelope(patch.filterEnvelope);
    const double baseFrequency = noteFrequency(note);
    const double secondRatio = std::pow(2.0, patch.secondSemitones / 12.0);
    const double keyFactor = std::pow(2.0, patch.keyTracking * (note - kReferenceNote) / 12.0);
    const double stackGain = 1.0 / std::sqrt(static_cast<double>(patch.unison));
    const double gain = patch.level * velocity * stackGain;

    int64_t frame = 0;
    for (; frame < maxFrames; ++frame) {
        if (frame == lengthFrames) {
            amp.release();
            filterEnvelope.release();
        }
        const double envelope = amp.next();
        const double opening = filterEnvelope.next();
        if (amp.finished()) break;
        if (frame % kControlInterval == 0) {
            const double beat = static_cast<double>(startFrame + frame) / kFramesPerBeat;
            const double hz = std::min(cutoff.valueAt(beat) * keyFactor *
                                           std::pow(2.0, patch.filterOctaves * opening),
                                       kHighestCutoff);
            filterLeft.setCutoff(hz, patch.resonance);
            filterRight.setCutoff(hz, patch.resonance);
        }
        const double seconds = static_cast<double>(frame) / kSampleRate;
        double vibrato = 0.0;
        if (patch.vibratoSemitones > 0.0 && seconds > patch.vibratoDelay) {
            const double depth = std::min((seconds - patch.vibratoDelay) / kVibratoFadeIn, 1.0);
            vibrato = depth * patch.vibratoSemitones * std::sin(kTwoPi * patch.vibratoHz * seconds);
        }
        const double frequency =
            vibrato != 0.0 ? baseFrequency * std::pow(2.0, vibrato / 12.0) : baseFrequency;
        double sumLeft = 0.0, sumRight = 0.0;
        for (int i = 0; i < patch.unison; ++i) {
            const double f = frequency * detune[i];
            const double sample = firsts[i].next(f) * (1.0 - patch.secondMix) +
                                  partners[i].next(f * secondRatio) * patch.secondMix;
            sumLeft += sample * panLeft[i];
            sumRight += sample * panRight[i];
        }
        left[frame] = static_cast<float>(filterLeft.process(sumLeft) * envelope * gain);
        right[frame] = static_cast<float>(filterRight.process(sumRight) * envelope * gain);
    }
    left.resize(frame);
    right.resize(frame);
}
