#include "Song.h"

#include <cmath>

// Quorvane, in A minor at 120 BPM, 171 beats (85.5 s). One bar is two
// seconds; the show's scene changes fall on beats 4, 12, 24, 32, 58, 86
// and 168, its greetings stages near beats 86, 107, 116, 124, 132, 141
// and 151, and the credits and the splitting logo on beats 45, 66 and 72.

double AutomationLane::valueAt(double beat) const
{
    if (points.empty()) return 0.0;
    if (beat <= points.front().beat) return points.front().value;
    for (size_t i = 1; i < points.size(); ++i) {
        const AutomationPoint& from = points[i - 1];
        const AutomationPoint& to = points[i];
        if (beat < to.beat) {
            const double t = (beat - from.beat) / (to.beat - from.beat);
            if (exponential) return from.value * std::pow(to.value / from.value, t);
            return from.value + (to.value - from.value) * t;
        }
    }
    return points.back().value;
}

namespace {

Song makeSong()
{
    Song song;
    song.lengthBeats = 171;

    song.chordPatterns = {
        {"rest", "Amadd9:4"},
        {"build", "Fmaj7:4 G:4"},
        {"main", "Am:4 F:4 C:4 G:4"},
        {"lift", "F:4 G:4"},
        {"variation", "Dm:4 Bb:4 F:4 C:2 Dm:4 Bb:4 C:4 E:2"},
        // The theme's phrases follow the greetings stages, so their lengths
        // are the stages' lengths in beats: 21, 9, 8, 8, 9, 10 and 17.
        {"theme1", "Am:4 F:4 C:4 G:4 F:2 G:3"},
        {"theme2", "Am:2 F:2 C:2 G:3"},
        {"theme3", "F:2 G:2 Am:4"},
        {"theme4", "Dm:2 Em:2 F:2 G:2"},
        {"theme5", "Am:4 F:2 G:3"},
        {"theme6", "C:2 G:2 Am:2 F:2 E:2"},
        {"theme7", "Am:4 F:4 C:4 G:2 E:3"},
        {"end", "Am:3"},
    };

    song.bassPatterns = {
        {"offbeat", ". . 1 - . . 1 - . . 1 - . . 1 -"},
        {"rolling", ". 1 1 1 . 1 1 1 . 1 1 1 . 1 1 8"},
        {"groove", "1 - . 1 . . 8 . . 1 . 1 5 . 8 ."},
        {"half", "1 - - - - - - - - - - - 5 - - -"},
        {"walk", "1 - - . 1 . 8 . 1 - - . 5 . 3 ."},
        {"drive", ". 1 8 1 . 1 5 1 . 1 8 1 . 5 1 8"},
        {"end", "1 - - - - - - - - - - -"},
    };

    song.arpPatterns = {
        {"rise", "1 5 8 5 10 8 5 8 1 5 8 5 12 10 8 5"},
        {"eighths", "1 . 5 . 8 . 5 . 10 . 8 . 5 . 3 ."},
        {"sparkle", "1 5 8 10 12 10 8 5 1 5 8 10 12 10 8 5"},
        {"groove", "8 . 5 8 . 10 . 8 5 . 8 . 12 . 10 ."},
        {"variation", "1 3 5 8 3 5 8 10 5 8 10 12 8 10 12 10"},
        {"theme", "1 5 8 5 1 5 8 10 1 5 8 5 12 10 8 5"},
    };

    song.leadPatterns = {
        {"hook", "E5 - . C5 . . D5 . . . A4 - . . G4 ."},
        {"call", "A4 - C5 - E5 - - - D5 - C5 - - - - - | G4 - - - C5 - - -"},
        {"answer",
         "D5 - - - F5 - A5 - - - G5 - F5 - E5 - | D5 - - - F5 - Bb5 - - - A5 - F5 - D5 - |"
         " E5 - - - G5 - C6 - - - B5 - G5 - E5 - | G#5 - - - B5 - - -"},
        {"theme1", "A4 - C5 - E5 - - - D5 - C5 - D5 - E5 - | F5 - - - E5 - C5 - - - A4 - C5 - - - |"
                   " G5 - - - E5 - - - C5 - D5 - E5 - - - | D5 - - - B4 - - - G4 - A4 - B4 - D5 - |"
                   " C5 - - - D5 - - - | E5 - - - - - - - . . . ."},
        {"theme2",
         "A5 - - - G5 - E5 - | F5 - - - E5 - C5 - | G5 - - - E5 - C5 - | D5 - - - B4 - - - G4 - - -"},
        {"theme3",
         "C5 - A4 - C5 - F5 - | D5 - B4 - D5 - G5 - | E5 - - - - - - - A5 - - - E5 - - -"},
        {"theme4",
         "F5 - D5 - A4 - D5 - | G5 - E5 - B4 - E5 - | A5 - F5 - C5 - F5 - | B5 - G5 - D5 - G5 -"},
        {"theme5",
         "A4 - C5 - E5 - - - D5 - C5 - D5 - E5 - | F5 - - - E5 - C5 - | D5 - - - B4 - - - - - - -"},
        {"theme6",
         "E5 - G5 - C6 - - - | D5 - G5 - B5 - - - | C6 - - - A5 - E5 - | F5 - - - A5 - C6 - |"
         " B5 - - - G#5 - - -"},
        {"theme7",
         "A5 - C6 - E6 - - - D6 - C6 - D6 - E6 - | F6 - - - E6 - C6 - - - A5 - C6 - - - |"
         " G5 - - - E5 - - - C5 - D5 - E5 - - - | D5 - - - B4 - - - | G#4 - - - B4 - - - E5 - - -"},
        {"end", "A4 - - - - - - - - - - -"},
    };

    // name         kick                snare               clap                closed hat open hat
    // shaker
    song.drumPatterns = {
        {"roll", "", "o...o...x.x.xXXX", "", "", "", ""},
        {"pulse", "X...x...x...x...", "", "", "..x...x...x...x.", "", "oooooooooooooooo"},
        {"lift", "X...x...x...x...", "", "....x.......x...", "xo.oxo.oxo.oxo.o", "..x...x...x...x.",
         ""},
        {"groove", "X...x...x...x..o", "....x.......x...", "....x.......x...", "xo.oxo.oxo.oxo.o",
         "..x...x...x...x.", "o.oo.oo.o.oo.oo."},
        {"fill", "x...x...", "x.xxXxXX", "", "", "", ""},
        {"breakdown", "", "", "", "..x...x...x...x.", ".............x..", "oooooooooooooooo"},
        {"halftime", "X.........x.....", "........X.......", "", "x.x.x.x.x.x.x.x.", "",
         "oooooooooooooooo"},
        {"theme", "X...x...x...x...", "....x.......x...", "....x.......x...", "xo.oxo.oxo.oxo.o",
         "..x...x...x...x.", "oooooooooooooooo"},
    };

    // beat  section       chords       bass       arp          lead       drums
    song.sections = {
        {0, "rest", "rest", "", "", "", ""},
        {4, "build", "build", "", "rise", "", ""},
        {8, "build roll", "=", "", "=", "", "roll"},
        {12, "beat", "main", "offbeat", "eighths", "", "pulse"},
        {24, "lift", "lift", "rolling", "sparkle", "", "lift"},
        {32, "groove", "main", "groove", "groove", "", "groove"},
        {45, "credits", "=", "=", "=", "hook", "="},
        {56, "fill", "=", "=", "=", "", "fill"},
        {58, "variation", "variation", "half", "variation", "", "breakdown"},
        {66, "five", "=", "walk", "=", "call", "halftime"},
        {70, "fill", "=", "=", "=", "=", "fill"},
        {72, "seven", "=", "groove", "=", "answer", "groove"},
        {84, "fill", "=", "=", "=", "=", "fill"},
        {86, "theme 1", "theme1", "drive", "theme", "theme1", "theme"},
        {107, "theme 2", "theme2", "=", "=", "theme2", "="},
        {116, "theme 3", "theme3", "=", "=", "theme3", "="},
        {124, "theme 4", "theme4", "=", "=", "theme4", "="},
        {132, "theme 5", "theme5", "=", "=", "theme5", "="},
        {141, "theme 6", "theme6", "=", "=", "theme6", "="},
        {151, "theme 7", "theme7", "=", "=", "theme7", "="},
        {166, "fill", "=", "=", "=", "=", "fill"},
        {168, "cadence", "end", "end", "", "end", ""},
    };

    // beat  sound                 length velocity
    song.hits = {
        {12, Instrument::Riser, 8, 0.8},   {12, Instrument::Crash, 0, 1.0},
        {12, Instrument::Impact, 0, 1.0},  {24, Instrument::Crash, 0, 0.7},
        {32, Instrument::Riser, 8, 0.9},   {32, Instrument::Crash, 0, 1.0},
        {45, Instrument::Crash, 0, 0.8},   {58, Instrument::Riser, 2, 0.7},
        {58, Instrument::Crash, 0, 1.0},   {58, Instrument::Impact, 0, 0.9},
        {66, Instrument::Crash, 0, 0.8},   {66, Instrument::Impact, 0, 0.7},
        {72, Instrument::Riser, 2, 0.7},   {72, Instrument::Crash, 0, 1.0},
        {72, Instrument::Impact, 0, 0.8},  {86, Instrument::Riser, 6, 1.0},
        {86, Instrument::Crash, 0, 1.0},   {86, Instrument::Impact, 0, 1.0},
        {107, Instrument::Crash, 0, 0.8},  {116, Instrument::Crash, 0, 0.8},
        {124, Instrument::Crash, 0, 0.8},  {132, Instrument::Crash, 0, 0.8},
        {141, Instrument::Crash, 0, 0.8},  {151, Instrument::Riser, 2, 0.8},
        {151, Instrument::Crash, 0, 1.0},  {151, Instrument::Impact, 0, 0.8},
        {168, Instrument::Riser, 2, 0.6},  {168, Instrument::Crash, 0, 0.9},
        {168, Instrument::Impact, 0, 1.0},
    };

    song.padCutoff = {"pad cutoff",
                      true,
                      {{0, 300},
                       {4, 420},
                       {12, 2200},
                       {24, 2200},
                       {32, 2800},
                       {56, 3200},
                       {58, 700},
                       {66, 1100},
                       {72, 2400},
                       {86, 3000},
                       {151, 4000},
                       {168, 4000},
                       {171, 600}}};
    song.bassCutoff = {"bass cutoff",
                       true,
                       {{0, 180},
                        {12, 220},
                        {24, 380},
                        {32, 500},
                        {56, 700},
                        {58, 260},
                        {66, 420},
                        {72, 600},
                        {86, 650},
                        {168, 650},
                        {171, 300}}};
    song.arpCutoff = {"arp cutoff",
                      true,
                      {{0, 250},
                       {4, 300},
                       {12, 1600},
                       {24, 2000},
                       {32, 900},
                       {56, 3500},
                       {58, 500},
                       {72, 1800},
                       {86, 1500},
                       {151, 3000},
                       {168, 3000},
                       {171, 800}}};
    song.leadCutoff = {
        "lead cutoff", true, {{0, 1300}, {86, 1500}, {151, 2600}, {168, 2600}, {171, 1200}}};
    // The last 0.4 s fade to nothing, steeply at the very end, so the end
    // meets the quiet start.
    song.masterLevel = {
        "master level",
        false,
        {{0, 1.0}, {170.2, 1.0}, {170.6, 0.36}, {170.8, 0.1}, {170.92, 0.02}, {171, 0.0}}};
    return song;
}

}

const Song& quorvaneSong()
{
    static const Song song = makeSong();
    return song;
}
