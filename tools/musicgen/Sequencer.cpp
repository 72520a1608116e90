#include "Sequencer.h"
#include "Tempo.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {
constexpr double kStepBeats = 1.0 / kStepsPerBeat;
constexpr int kSemitonesPerOctave = 12;
constexpr int kBassLowestNote = 33;  // A1
constexpr int kArpLowestNote = 57;   // A3
constexpr int kPadLowestNote = 55;   // G3: chord tones sit in the octave above
constexpr int kPadRootLowestNote = 45;
constexpr double kPadVelocity = 0.7;
constexpr double kPadRootVelocity = 0.5;
constexpr double kLineVelocity = 0.8;
constexpr double kArpPanWidth = 0.45;
// Off-beat sixteenths of the hats come late by this share of a step.
constexpr double kSwing = 0.12;

struct DrumLane {
    Instrument instrument;
    std::string DrumPattern::*steps;
    double pan;
    bool swung;
};

const DrumLane kDrumLanes[] = {
    {Instrument::Kick, &DrumPattern::kick, 0.0, false},
    {Instrument::Snare, &DrumPattern::snare, 0.05, false},
    {Instrument::Clap, &DrumPattern::clap, -0.05, false},
    {Instrument::ClosedHat, &DrumPattern::closedHat, 0.3, true},
    {Instrument::OpenHat, &DrumPattern::openHat, 0.2, true},
    {Instrument::Shaker, &DrumPattern::shaker, -0.35, true},
};

double drumVelocity(char symbol)
{
    switch (symbol) {
    case 'X': return 1.0;
    case 'x': return 0.75;
    case 'o': return 0.4;
    default: return 0.0;
    }
}

// A fixed ripple over the steps of a bar so repeated hats do not sound
// like a machine gun; it is part of the song, not chance.
double humanise(int step)
{
    static const double ripple[] = {1.0, 0.86, 0.94, 0.82, 0.97, 0.88, 0.92, 0.84};
    return ripple[step % 8];
}

// Places a note line's tokens in time: each note lasts until the next
// token that is not a hold.
struct PlacedNote {
    int step;
    int length;
    std::string token;
};

std::vector<PlacedNote> placeNotes(const std::vector<std::string>& steps)
{
    std::vector<PlacedNote> notes;
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] == "-") {
            if (!notes.empty() && notes.back().step + notes.back().length == static_cast<int>(i))
                ++notes.back().length;
            continue;
        }
        if (steps[i] == ".") continue;
        notes.push_back({static_cast<int>(i), 1, steps[i]});
    }
    return notes;
}

int noteInRange(int pitchClass, int lowest)
{
    return lowest + ((pitchClass - lowest) % kSemitonesPerOctave + kSemitonesPerOctave) %
                        kSemitonesPerOctave;
}
}

template <typename Pattern>
const Pattern& findPattern(const std::vector<Pattern>& patterns, const std::string& name)
{
    for (const Pattern& pattern : patterns)
        if (pattern.name == name) return pattern;
    throw std::runtime_error("no pattern named \"" + name + "\"");
}

Sequencer::Sequencer(const Song& song) : song(song)
{
    addChords();
    addPad();
    addDegreeLine(Instrument::Bass, song.bassPatterns, &Section::bass, kBassLowestNote);
    addDegreeLine(Instrument::Arp, song.arpPatterns, &Section::arp, kArpLowestNote);
    addLead();
    addDrums();
    addHits();
    std::stable_sort(noteEvents.begin(), noteEvents.end(),
                     [](const NoteEvent& a, const NoteEvent& b) {
                         return a.startFrame < b.startFrame;
                     });
}

std::vector<Sequencer::Run> Sequencer::runsOf(std::string Section::*column) const
{
    std::vector<Run> runs;
    for (size_t i = 0; i < song.sections.size(); ++i) {
        const Section& section = song.sections[i];
        const double end =
            i + 1 < song.sections.size() ? song.sections[i + 1].beat : song.lengthBeats;
        const std::string& value = section.*column;
        if (value == "=") {
            if (!runs.empty() && runs.back().end == section.beat) runs.back().end = end;
        } else if (!value.empty()) {
            runs.push_back({value, section.beat, section.beat, end});
        }
    }
    return runs;
}

const Chord* Sequencer::chordAt(double beat) const
{
    for (const ChordSpan& span : chordSpans)
        if (beat >= span.startBeat && beat < span.endBeat) return &span.chord;
    return nullptr;
}

void Sequencer::addEvent(Instrument instrument, double startBeat, double lengthBeats, double note,
                         double velocity, double pan)
{
    const int64_t start = beatToFrame(startBeat);
    const int64_t end = beatToFrame(startBeat + lengthBeats);
    noteEvents.push_back(
        {instrument, start, std::max<int64_t>(end - start, 1), note, velocity, pan});
}

void Sequencer::addChords()
{
    for (const Run& run : runsOf(&Section::chords)) {
        const ChordPattern& pattern = findPattern(song.chordPatterns, run.pattern);
        struct Entry {
            Chord chord;
            double beats;
        };
        std::vector<Entry> entries;
        for (const std::string& token : splitSteps(pattern.chords)) {
            const size_t colon = token.find(':');
            const Chord chord = parseChord(token.substr(0, colon));
            const double beats =
                colon == std::string::npos ? 0.0 : std::atof(token.c_str() + colon + 1);
            if (chord.root < 0 || beats <= 0.0)
                throw std::runtime_error("bad chord \"" + token + "\" in pattern \"" +
                                         pattern.name + "\"");
            entries.push_back({chord, beats});
        }
        if (entries.empty())
            throw std::runtime_error("empty chord pattern \"" + pattern.name + "\"");
        for (double beat = run.patternStart; beat < run.end;) {
            for (const Entry& entry : entries) {
                const double end = std::min(beat + entry.beats, run.end);
                if (end > run.start)
                    chordSpans.push_back({std::max(beat, run.start), end, entry.chord});
                beat += entry.beats;
                if (beat >= run.end) break;
            }
        }
    }
}

void Sequencer::addPad()
{
    for (const ChordSpan& span : chordSpans) {
        const double length = span.endBeat - span.startBeat;
        for (int interval : span.chord.intervals) {
            const int note = noteInRange(span.chord.root + interval, kPadLowestNote);
            addEvent(Instrument::Pad, span.startBeat, length, note, kPadVelocity, 0.0);
        }
        addEvent(Instrument::Pad, span.startBeat, length,
                 noteInRange(span.chord.root, kPadRootLowestNote), kPadRootVelocity, 0.0);
    }
}

void Sequencer::forEachNote(
    const std::vector<StepPattern>& patterns, std::string Section::*column,
    const std::function<void(const StepPattern&, const std::string&, double, double)>& visit) const
{
    for (const Run& run : runsOf(column)) {
        const StepPattern& pattern = findPattern(patterns, run.pattern);
        const std::vector<std::string> steps = splitSteps(pattern.steps);
        const std::vector<PlacedNote> notes = placeNotes(steps);
        const double cycle = steps.size() * kStepBeats;
        for (double origin = run.patternStart; origin < run.end; origin += cycle) {
            for (const PlacedNote& placed : notes) {
                const double start = origin + placed.step * kStepBeats;
                if (start < run.start || start >= run.end) continue;
                visit(pattern, placed.token, start,
                      std::min(placed.length * kStepBeats, run.end - start));
            }
        }
    }
}

void Sequencer::addDegreeLine(Instrument instrument, const std::vector<StepPattern>& patterns,
                              std::string Section::*column, int lowestNote)
{
    int count = 0;
    forEachNote(
        patterns, column,
        [&](const StepPattern& pattern, const std::string& token, double start, double length) {
            const Chord* chord = chordAt(start);
            if (!chord) return;
            const int offset = degreeOffset(*chord, token);
            if (offset < 0)
                throw std::runtime_error("bad degree \"" + token + "\" in pattern \"" +
                                         pattern.name + "\"");
            const double pan =
                instrument == Instrument::Arp ? (count % 2 ? kArpPanWidth : -kArpPanWidth) : 0.0;
            addEvent(instrument, start, length, noteInRange(chord->root, lowestNote) + offset,
                     kLineVelocity, pan);
            ++count;
        });
}

void Sequencer::addLead()
{
    forEachNote(song.leadPatterns, &Section::lead,
                [&](const StepPattern& pattern, const std::string& token, double start,
                    double length) {
                    const int note = noteNumber(token);
                    if (note < 0)
                        throw std::runtime_error("bad note \"" + token + "\" in pattern \"" +
                                                 pattern.name + "\"");
                    addEvent(Instrument::Lead, start, length, note, kLineVelocity, 0.0);
                });
}

void Sequencer::addDrums()
{
    for (const Run& run : runsOf(&Section::drums)) {
        const DrumPattern& pattern = findPattern(song.drumPatterns, run.pattern);
        for (const DrumLane& lane : kDrumLanes) {
            const std::string& steps = pattern.*lane.steps;
            if (steps.empty()) continue;
            const double cycle = steps.size() * kStepBeats;
            for (double origin = run.patternStart; origin < run.end; origin += cycle) {
                for (size_t i = 0; i < steps.size(); ++i) {
                    const double velocity = drumVelocity(steps[i]);
                    if (steps[i] != '.' && velocity == 0.0)
                        throw std::runtime_error(std::string("bad drum step '") + steps[i] +
                                                 "' in pattern \"" + pattern.name + "\"");
                    const double start = origin + i * kStepBeats;
                    if (velocity == 0.0 || start < run.start || start >= run.end) continue;
                    const double late = lane.swung && i % 2 ? kSwing * kStepBeats : 0.0;
                    const double shaped =
                        lane.swung ? velocity * humanise(static_cast<int>(i)) : velocity;
                    addEvent(lane.instrument, start + late, kStepBeats, 0.0, shaped, lane.pan);
                }
            }
        }
    }
}

void Sequencer::addHits()
{
    for (const Hit& hit : song.hits) {
        // A riser is heard before its beat and ends on it.
        const double start =
            hit.instrument == Instrument::Riser ? hit.beat - hit.lengthBeats : hit.beat;
        addEvent(hit.instrument, start, std::max(hit.lengthBeats, kStepBeats), 0.0, hit.velocity,
                 0.0);
    }
}

template const StepPattern& findPattern(const std::vector<StepPattern>&, const std::string&);
template const ChordPattern& findPattern(const std::vector<ChordPattern>&, const std::string&);
template const DrumPattern& findPattern(const std::vector<DrumPattern>&, const std::string&);
