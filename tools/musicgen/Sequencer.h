#pragma once
#include "Notation.h"
#include "Song.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One note or hit for an instrument, in frames from the start of the song.
struct NoteEvent {
    Instrument instrument;
    int64_t startFrame;
    int64_t lengthFrames;
    double note;      // MIDI note number; unused by drums
    double velocity;  // 0..1
    double pan;       // -1 left .. 1 right
};

// A chord and the beats it sounds for.
struct ChordSpan {
    double startBeat, endBeat;
    Chord chord;
};

// Turns the song's arrangement and patterns into a time-ordered list of
// notes. Throws std::runtime_error naming the bad pattern or token.
class Sequencer {
public:
    explicit Sequencer(const Song& song);
    const std::vector<NoteEvent>& events() const { return noteEvents; }
    const std::vector<ChordSpan>& chords() const { return chordSpans; }
    // The chord sounding at a beat, or null in silence.
    const Chord* chordAt(double beat) const;

private:
    // A stretch of the arrangement where one column plays one pattern.
    struct Run {
        std::string pattern;
        double patternStart, start, end;
    };
    std::vector<Run> runsOf(std::string Section::*column) const;
    void addChords();
    void addPad();
    void addDegreeLine(Instrument instrument, const std::vector<StepPattern>& patterns,
                       std::string Section::*column, int lowestNote);
    void addLead();
    // Calls `visit` for every note the column's patterns place inside their runs, in order:
    // the pattern, the note's token, its start and its length in beats (cut at the run's end).
    void forEachNote(const std::vector<StepPattern>& patterns, std::string Section::*column,
                     const std::function<void(const StepPattern&, const std::string&, double,
                                              double)>& visit) const;
    void addDrums();
    void addHits();
    void addEvent(Instrument instrument, double startBeat, double lengthBeats, double note,
                  double velocity, double pan);

    const Song& song;
    std::vector<ChordSpan> chordSpans;
    std::vector<NoteEvent> noteEvents;
};

// Looks a pattern up by name; throws std::runtime_error when it is missing.
template <typename Pattern>
const Pattern& findPattern(const std::vector<Pattern>& patterns, const std::string& name);
