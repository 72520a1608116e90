#include "Notation.h"

#include <cmath>
#include <sstream>

namespace {
constexpr int kSemitonesPerOctave = 12;
constexpr int kNoteOfA4 = 69;
constexpr double kFrequencyOfA4 = 440.0;
constexpr int kMinorThird = 3;
constexpr int kMajorThird = 4;
constexpr int kFifth = 7;
constexpr int kMinorSeventh = 10;

struct ChordQuality {
    const char* suffix;
    std::vector<int> intervals;
};

// Longer suffixes first so "maj7" is not read as "m" + "aj7".
const std::vector<ChordQuality> kQualities = {
    {"madd9", {0, 3, 7, 14}}, {"maj7", {0, 4, 7, 11}}, {"add9", {0, 4, 7, 14}},
    {"sus4", {0, 5, 7}},      {"sus2", {0, 2, 7}},     {"m7", {0, 3, 7, 10}},
    {"m", {0, 3, 7}},         {"7", {0, 4, 7, 10}},    {"", {0, 4, 7}},
};

int pitchClassOfLetter(char letter)
{
    switch (letter) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

// Reads a letter and an optional accidental; returns the pitch class and
// how many characters it used, or -1.
int readPitchClass(const std::string& text, size_t& used)
{
    if (text.empty()) return -1;
    int pc = pitchClassOfLetter(text[0]);
    if (pc < 0) return -1;
    used = 1;
    if (text.size() > 1 && (text[1] == '#' || text[1] == 'b')) {
        pc += text[1] == '#' ? 1 : -1;
        used = 2;
    }
    return (pc + kSemitonesPerOctave) % kSemitonesPerOctave;
}
}

int noteNumber(const std::string& name)
{
    size_t used = 0;
    const int pc = readPitchClass(name, used);
    if (pc < 0 || used >= name.size()) return -1;
    const std::string octaveText = name.substr(used);
    if (octaveText.size() != 1 || octaveText[0] < '0' || octaveText[0] > '8') return -1;
    // An accidental may cross the octave line (B#3 is C4), so work from the letter.
    const int letterPc = pitchClassOfLetter(name[0]);
    int accidental = used == 2 ? (name[1] == '#' ? 1 : -1) : 0;
    return (octaveText[0] - '0' + 1) * kSemitonesPerOctave + letterPc + accidental;
}

double noteFrequency(double note)
{
    return kFrequencyOfA4 * std::pow(2.0, (note - kNoteOfA4) / kSemitonesPerOctave);
}

Chord parseChord(const std::string& symbol)
{
    Chord chord;
    size_t used = 0;
    const int pc = readPitchClass(symbol, used);
    if (pc < 0) return chord;
    const std::string suffix = symbol.substr(used);
    for (const ChordQuality& quality : kQualities) {
        if (suffix == quality.suffix) {
            chord.root = pc;
            chord.intervals = quality.intervals;
            return chord;
        }
    }
    return chord;
}

int degreeOffset(const Chord& chord, const std::string& token)
{
    bool minor = false;
    int seventh = kMinorSeventh;
    for (int interval : chord.intervals) {
        if (interval == kMinorThird) minor = true;
        if (interval == kMinorSeventh || interval == kMinorSeventh + 1) seventh = interval;
    }
    const int third = minor ? kMinorThird : kMajorThird;
    if (token == "1") return 0;
    if (token == "3") return third;
    if (token == "5") return kFifth;
    if (token == "7") return seventh;
    if (token == "8") return kSemitonesPerOctave;
    if (token == "10") return kSemitonesPerOctave + third;
    if (token == "12") return kSemitonesPerOctave + kFifth;
    return -1;
}

std::vector<std::string> splitSteps(const std::string& text)
{
    std::istringstream stream(text);
    std::vector<std::string> steps;
    std::string token;
    while (stream >> token) {
        if (token != "|") steps.push_back(token);
    }
    return steps;
}
