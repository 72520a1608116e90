// The sequencer's reading of an arrangement, on small songs written for
// the test, and the Quorvane song's timing against the show's schedule.
#include "Sequencer.h"
#include "Song.h"
#include "Tempo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {
constexpr int64_t kStep = 5512;  // frames in a sixteenth, rounded down

Song smallSong()
{
    Song song;
    song.lengthBeats = 8;
    song.chordPatterns = {{"two", "C:2 Am:2"}};
    song.bassPatterns = {{"root", "1 - 5 . 8 - - . . . . . . . . ."}};
    song.leadPatterns = {{"tune", "E5 - . G5"}};
    song.drumPatterns = {{"beat", "x...", "", "", "..x.", "", ""}};
    song.sections = {
        {0, "a", "two", "root", "", "tune", "beat"},
        {4, "b", "=", "", "", "", "="},
    };
    return song;
}

std::vector<NoteEvent> eventsOf(const Sequencer& sequencer, Instrument instrument)
{
    std::vector<NoteEvent> out;
    for (const NoteEvent& event : sequencer.events())
        if (event.instrument == instrument) out.push_back(event);
    return out;
}
}

TEST(Sequencer, PlacesChordsAndPadVoicings)
{
    const Song song = smallSong();
    const Sequencer sequencer(song);
    // "=" keeps the two-chord pattern cycling across the second section.
    ASSERT_EQ(sequencer.chords().size(), 4u);
    EXPECT_EQ(sequencer.chords()[1].chord.root, 9);
    EXPECT_DOUBLE_EQ(sequencer.chords()[3].startBeat, 6.0);
    EXPECT_DOUBLE_EQ(sequencer.chords()[3].endBeat, 8.0);
    EXPECT_EQ(sequencer.chordAt(8.0), nullptr);
    const std::vector<NoteEvent> pad = eventsOf(sequencer, Instrument::Pad);
    ASSERT_EQ(pad.size(), 16u);  // three chord tones and a low root per chord
    // C major between G3 and F#4: G3, C4, E4; the root below is C3.
    std::vector<double> first;
    for (int i = 0; i < 4; ++i) first.push_back(pad[i].note);
    std::sort(first.begin(), first.end());
    EXPECT_EQ(first, (std::vector<double>{48, 55, 60, 64}));
    EXPECT_EQ(pad[0].lengthFrames, 2 * kFramesPerBeat);
}

TEST(Sequencer, BassDegreesFollowTheChordAndHoldsLengthenNotes)
{
    const Sequencer sequencer(smallSong());
    const std::vector<NoteEvent> bass = eventsOf(sequencer, Instrument::Bass);
    // Bass pattern lasts one bar and its column ends after the first section.
    ASSERT_EQ(bass.size(), 3u);
    EXPECT_EQ(bass[0].note, 36);  // C2: the lowest C from A1 up
    EXPECT_EQ(bass[0].lengthFrames, 2 * kStep + 1);
    EXPECT_EQ(bass[1].note, 43);  // the fifth
    EXPECT_EQ(bass[1].startFrame, beatToFrame(0.5));
    EXPECT_EQ(bass[2].note, 48);  // the octave
    EXPECT_EQ(bass[2].lengthFrames, beatToFrame(1.75) - beatToFrame(1.0));
}

TEST(Sequencer, LeadRestartsItsPatternAndStopsWithItsColumn)
{
    const Sequencer sequencer(smallSong());
    const std::vector<NoteEvent> lead = eventsOf(sequencer, Instrument::Lead);
    ASSERT_EQ(lead.size(), 8u);  // four one-beat cycles of two notes
    EXPECT_EQ(lead[0].note, 76);
    EXPECT_EQ(lead[1].note, 79);
    EXPECT_EQ(lead[1].startFrame, beatToFrame(0.75));
    EXPECT_EQ(lead[7].startFrame, beatToFrame(3.75));
}

TEST(Sequencer, DrumsSwingTheOffBeatsOnly)
{
    const Sequencer sequencer(smallSong());
    const std::vector<NoteEvent> kicks = eventsOf(sequencer, Instrument::Kick);
    const std::vector<NoteEvent> hats = eventsOf(sequencer, Instrument::ClosedHat);
    ASSERT_EQ(kicks.size(), 8u);  // one a beat through both sections
    ASSERT_EQ(hats.size(), 8u);
    for (size_t i = 0; i < kicks.size(); ++i)
        EXPECT_EQ(kicks[i].startFrame, beatToFrame(double(i)));
    // The hat sits on the eighth after each beat, which is an even step: on time.
    EXPECT_EQ(hats[0].startFrame, beatToFrame(0.5));
    Song swung = smallSong();
    swung.drumPatterns[0].closedHat = ".x..";
    const std::vector<NoteEvent> late = eventsOf(Sequencer(swung), Instrument::ClosedHat);
    EXPECT_GT(late[0].startFrame, beatToFrame(0.25));
    EXPECT_LT(late[0].startFrame, beatToFrame(0.30));
}

TEST(Sequencer, NamesTheFaultInABadSong)
{
    auto messageFor = [](Song song) {
        try {
            Sequencer sequencer(song);
        } catch (const std::runtime_error& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    Song missing = smallSong();
    missing.sections[0].bass = "nothing";
    EXPECT_EQ(messageFor(missing), "no pattern named \"nothing\"");
    Song badNote = smallSong();
    badNote.leadPatterns[0].steps = "E5 H2";
    EXPECT_EQ(messageFor(badNote), "bad note \"H2\" in pattern \"tune\"");
    Song badChord = smallSong();
    badChord.chordPatterns[0].chords = "C:2 Q:2";
    EXPECT_EQ(messageFor(badChord), "bad chord \"Q:2\" in pattern \"two\"");
    Song badDrum = smallSong();
    badDrum.drumPatterns[0].kick = "x.?.";
    EXPECT_EQ(messageFor(badDrum), "bad drum step '?' in pattern \"beat\"");
}

TEST(QuorvaneSong, LastsTheShowAndChangesWithItsScenes)
{
    const Song& song = quorvaneSong();
    EXPECT_EQ(song.lengthBeats, 171);  // 85.5 s
    auto startsAt = [&](double seconds) {
        return std::any_of(song.sections.begin(), song.sections.end(),
                           [&](const Section& s) { return s.beat == seconds * 2.0; });
    };
    for (double scene : {0.0, 2.0, 6.0, 12.0, 16.0, 29.0, 43.0, 84.0})
        EXPECT_TRUE(startsAt(scene)) << scene;
    // The greetings stages, each taken up by a phrase on the nearest beat.
    for (double stage : {43.0, 53.4, 58.1, 62.2, 66.1, 70.3, 75.6}) {
        const double beat = std::round(stage * 2.0);
        EXPECT_TRUE(startsAt(beat / 2.0)) << stage;
        const auto phrase = std::find_if(song.sections.begin(), song.sections.end(),
                                         [&](const Section& s) { return s.beat == beat; });
        ASSERT_NE(phrase, song.sections.end());
        EXPECT_FALSE(phrase->lead.empty() || phrase->lead == "=") << stage;
    }
}

TEST(QuorvaneSong, EveryPatternIsPlayableAndTheChordsNeverStop)
{
    const Sequencer sequencer(quorvaneSong());
    for (double beat = 0.0; beat < 171.0; beat += 0.25)
        EXPECT_NE(sequencer.chordAt(beat), nullptr) << beat;
    const int64_t end = beatToFrame(171);
    int leadNotes = 0;
    for (const NoteEvent& event : sequencer.events()) {
        EXPECT_GE(event.startFrame, 0);
        EXPECT_LT(event.startFrame, end);
        if (event.instrument == Instrument::Lead) {
            ++leadNotes;
            EXPECT_GE(event.note, 55);
            EXPECT_LE(event.note, 89);
        }
        if (event.instrument == Instrument::Bass) {
            EXPECT_GE(event.note, 33);
            EXPECT_LE(event.note, 60);
        }
    }
    EXPECT_GT(leadNotes, 150);
    // The opening rests: nothing but the pad sounds in the first two seconds.
    for (const NoteEvent& event : sequencer.events()) {
        if (event.startFrame < beatToFrame(4)) {
            EXPECT_EQ(event.instrument, Instrument::Pad);
        }
    }
}
