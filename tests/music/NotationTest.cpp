// Reading the song's text: note names, chord symbols, degrees and steps.
#include "Notation.h"

#include <gtest/gtest.h>

TEST(Notation, NoteNames)
{
    EXPECT_EQ(noteNumber("A4"), 69);
    EXPECT_EQ(noteNumber("C4"), 60);
    EXPECT_EQ(noteNumber("C#5"), 73);
    EXPECT_EQ(noteNumber("Bb3"), 58);
    EXPECT_EQ(noteNumber("G#4"), 68);
    EXPECT_EQ(noteNumber("Cb4"), 59);
    EXPECT_EQ(noteNumber("A1"), 33);
    for (const char* bad : {"", "A", "H4", "A#", "A10", "a4", "-", "."})
        EXPECT_EQ(noteNumber(bad), -1) << bad;
}

TEST(Notation, Frequencies)
{
    EXPECT_DOUBLE_EQ(noteFrequency(69), 440.0);
    EXPECT_DOUBLE_EQ(noteFrequency(57), 220.0);
    EXPECT_NEAR(noteFrequency(60), 261.6256, 1e-4);
}

TEST(Notation, ChordSymbols)
{
    const Chord am = parseChord("Am");
    EXPECT_EQ(am.root, 9);
    EXPECT_EQ(am.intervals, (std::vector<int>{0, 3, 7}));
    const Chord fmaj7 = parseChord("Fmaj7");
    EXPECT_EQ(fmaj7.root, 5);
    EXPECT_EQ(fmaj7.intervals, (std::vector<int>{0, 4, 7, 11}));
    EXPECT_EQ(parseChord("Bb").root, 10);
    EXPECT_EQ(parseChord("Bb").intervals, (std::vector<int>{0, 4, 7}));
    EXPECT_EQ(parseChord("Amadd9").intervals, (std::vector<int>{0, 3, 7, 14}));
    EXPECT_EQ(parseChord("Gsus4").intervals, (std::vector<int>{0, 5, 7}));
    for (const char* bad : {"", "m", "Xm", "Amin", "C9"})
        EXPECT_EQ(parseChord(bad).root, -1) << bad;
}

TEST(Notation, DegreesFollowTheChordsQuality)
{
    const Chord am = parseChord("Am"), c = parseChord("C"), fmaj7 = parseChord("Fmaj7");
    EXPECT_EQ(degreeOffset(am, "1"), 0);
    EXPECT_EQ(degreeOffset(am, "3"), 3);
    EXPECT_EQ(degreeOffset(c, "3"), 4);
    EXPECT_EQ(degreeOffset(am, "5"), 7);
    EXPECT_EQ(degreeOffset(am, "7"), 10);
    EXPECT_EQ(degreeOffset(fmaj7, "7"), 11);
    EXPECT_EQ(degreeOffset(am, "8"), 12);
    EXPECT_EQ(degreeOffset(am, "10"), 15);
    EXPECT_EQ(degreeOffset(c, "10"), 16);
    EXPECT_EQ(degreeOffset(c, "12"), 19);
    EXPECT_EQ(degreeOffset(c, "2"), -1);
    EXPECT_EQ(degreeOffset(c, "A4"), -1);
}

TEST(Notation, StepsDropBarLines)
{
    EXPECT_EQ(splitSteps("A4 - | C5  .\n| E5"),
              (std::vector<std::string>{"A4", "-", "C5", ".", "E5"}));
    EXPECT_TRUE(splitSteps(" | ").empty());
}
