#pragma once
#include <string>
#include <vector>

// The composition as data. Times are in beats from the start of the song
// (120 BPM: beat 2 is one second in); patterns are written in sixteenth
// steps, chords in beats.

enum class Instrument {
    Kick,
    Snare,
    Clap,
    ClosedHat,
    OpenHat,
    Shaker,
    Crash,
    Riser,
    Impact,
    Bass,
    Pad,
    Arp,
    Lead,
};

// One bar (or any length) of drums, one lane per sound, one character per
// sixteenth: 'X' accent, 'x' normal, 'o' ghost, '.' nothing. Empty lanes rest.
struct DrumPattern {
    std::string name;
    std::string kick, snare, clap, closedHat, openHat, shaker;
};

// A line of sixteenth steps. Bass and arpeggio patterns use chord degrees
// ("1", "3", "5", "7", "8", "10", "12") so they follow the chords; the lead
// uses note names. "-" holds the note before, "." is a rest.
struct StepPattern {
    std::string name;
    std::string steps;
};

// Chord symbols with their length in beats: "Am:4 F:4 C:4 G:4".
struct ChordPattern {
    std::string name;
    std::string chords;
};

// One row of the arrangement: from this beat on, each column plays the
// named pattern from its beginning, "=" keeps the pattern of the row above
// running where it is, and "" is silence.
struct Section {
    double beat;
    std::string name;
    std::string chords, bass, arp, lead, drums;
};

// A one-off sound: a crash or impact on the beat, or a riser ending on it.
struct Hit {
    double beat;
    Instrument instrument;
    double lengthBeats;
    double velocity;
};

// A parameter moving over the song; between points a cutoff glides
// evenly in pitch and a level evenly in amplitude.
struct AutomationPoint {
    double beat;
    double value;
};
struct AutomationLane {
    std::string name;
    bool exponential = false;
    std::vector<AutomationPoint> points;
    double valueAt(double beat) const;
};

struct Song {
    double lengthBeats = 0.0;
    std::vector<ChordPattern> chordPatterns;
    std::vector<StepPattern> bassPatterns, arpPatterns, leadPatterns;
    std::vector<DrumPattern> drumPatterns;
    std::vector<Section> sections;
    std::vector<Hit> hits;
    AutomationLane padCutoff, bassCutoff, arpCutoff, leadCutoff, masterLevel;
};

const Song& quorvaneSong();
