#pragma once
#include "Envelope.h"
#include "Oscillator.h"
#include "Song.h"

#include <cstdint>
#include <vector>

// The sound of a pitched instrument: two oscillators (the second tuned
// apart, e.g. a sub octave), a stack of detuned copies spread across the
// stereo field, a resonant low-pass opened by its own envelope, vibrato.
struct Patch {
    Waveform first, second;
    double secondSemitones;
    double secondMix;
    int unison;          // copies per voice, alternating left and right
    double unisonCents;  // total detune spread of the copies
    double stereoWidth;  // 0: copies in the middle, 1: outermost copies hard left and right
    EnvelopeShape amp;
    EnvelopeShape filterEnvelope;
    double filterOctaves;  // how far the envelope opens the filter
    double resonance;      // Q
    double keyTracking;    // cutoff follows pitch by this share
    double vibratoSemitones;
    double vibratoHz;
    double vibratoDelay;  // seconds before the vibrato sets in
    double level;
};

// Renders one note of a patch into a stereo buffer starting at the note's
// first frame; the note sounds for lengthFrames and then releases. The
// cutoff lane is read at the note's place in the song.
void renderTone(const Patch& patch, double note, double velocity, int64_t startFrame,
                int64_t lengthFrames, const AutomationLane& cutoff, std::vector<float>& left,
                std::vector<float>& right);
