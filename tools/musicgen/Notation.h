#pragma once
#include <string>
#include <vector>

// How the song's text is read: note names ("A4", "C#5", "Bb3"), chord
// symbols ("Am", "Fmaj7", "E", "Dm7", "Gsus4"), and step tokens.

// MIDI note number of a note name (A4 = 69), or -1 if it is not one.
int noteNumber(const std::string& name);
// Frequency in Hz of a (possibly fractional) MIDI note number.
double noteFrequency(double note);

struct Chord {
    int root = -1;               // pitch class, C = 0
    std::vector<int> intervals;  // semitones above the root, root first
};
// Parses a chord symbol; root is -1 when it is not one.
Chord parseChord(const std::string& symbol);

// Semitones above the chord root for a degree token: "1", "3", "5", "7",
// "8" (octave), "10" and "12" (third and fifth an octave up); -1 otherwise.
// The third and seventh follow the chord's quality.
int degreeOffset(const Chord& chord, const std::string& token);

// Splits on white space and drops the bar lines ("|") written for reading.
std::vector<std::string> splitSteps(const std::string& text);
