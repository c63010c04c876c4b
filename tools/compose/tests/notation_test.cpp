#include <gtest/gtest.h>

#include "tools/compose/notation.h"

namespace compose {
namespace {

TEST(Notation, NoteNamesMapToMidi)
{
    EXPECT_EQ(parseNoteName("C4"), 60);
    EXPECT_EQ(parseNoteName("A4"), 69);
    EXPECT_EQ(parseNoteName("C#5"), 73);
    EXPECT_EQ(parseNoteName("Bb3"), 58);
    EXPECT_EQ(parseNoteName("G#5"), 80);
    // Accidentals that cross the octave boundary stay next to their neighbours.
    EXPECT_EQ(parseNoteName("Cb4"), 59);
    EXPECT_EQ(parseNoteName("B#3"), 60);
    EXPECT_EQ(parseNoteName("C0"), 12);
}

TEST(Notation, MalformedNoteNamesAreRejected)
{
    for (const char* bad : {"", "H4", "C", "C#", "4C", "c4", "C-1", "C10", "C4x", "C#44"})
        EXPECT_EQ(parseNoteName(bad), -1) << bad;
}

TEST(Notation, PhraseRowsFollowTheLengths)
{
    std::vector<NoteEvent> events;
    ASSERT_TRUE(parsePhrase("E5:4 r:2  A4:10", &events));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].row, 0);
    EXPECT_EQ(events[0].midi, 76);
    EXPECT_EQ(events[1].row, 4);
    EXPECT_EQ(events[1].midi, REST);
    EXPECT_EQ(events[2].row, 6);
    EXPECT_EQ(events[2].length, 10);
    ASSERT_TRUE(parsePhrase("", &events));
    EXPECT_TRUE(events.empty());
}

TEST(Notation, MalformedPhraseLeavesEventsUntouched)
{
    std::vector<NoteEvent> events = {{0, 1, 60}};
    for (const char* bad : {"E5", "E5:", "E5:0", "E5:x", "Q5:2", "E5:2 r", ":4", "E5:12345"}) {
        EXPECT_FALSE(parsePhrase(bad, &events)) << bad;
        EXPECT_EQ(events.size(), 1u);
    }
}

TEST(Notation, ChordsAndVoicings)
{
    Chord minor;
    ASSERT_TRUE(parseChord("Am", &minor));
    EXPECT_EQ(minor.root, 9);
    EXPECT_EQ(minor.intervals, (std::vector<int>{0, 3, 7}));
    EXPECT_EQ(voicing(minor, 53, 3), (std::vector<int>{57, 60, 64}));
    // An inversion is chosen when the root lies far above `lowest`.
    EXPECT_EQ(voicing(chord("F"), 55, 3), (std::vector<int>{57, 60, 65}));
    EXPECT_EQ(voicing(chord("G7"), 53, 4), (std::vector<int>{53, 55, 59, 62}));
    EXPECT_EQ(voicing(chord("C"), 60, 5), (std::vector<int>{60, 64, 67, 72, 76}));
    EXPECT_EQ(rootAtOrAbove(chord("Bb"), 40), 46);
    EXPECT_EQ(rootAtOrAbove(chord("E"), 40), 40);
    Chord unknown;
    EXPECT_FALSE(parseChord("Xm", &unknown));
    EXPECT_FALSE(parseChord("Amaj9", &unknown));
    EXPECT_FALSE(parseChord("", &unknown));
}

}  // namespace
}  // namespace compose
