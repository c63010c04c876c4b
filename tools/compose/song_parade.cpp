// "Pixel Parade": the disk's second ProTracker piece, a shuffle in G major. The
// swing comes from alternating speeds: the first half of every beat's rows last
// 8 ticks, the second half 4, so off-beat eighths land two thirds into the beat.
// Form: intro, A, B, break, A', B', outro.
#include <cstdio>
#include <cstdlib>

#include "tools/compose/chip_kit.h"
#include "tools/compose/song_parade.h"

namespace compose {
namespace {

const char* const PROG_A1[4] = {"G", "Em", "C", "D"};
const char* const PROG_A2[4] = {"G", "Em", "Am", "D"};
const char* const PROG_B1[4] = {"C", "D", "Bm", "Em"};
const char* const PROG_B2[4] = {"Am", "D", "G", "G"};

const char* const THEME_1[4] = {
    "D5:2 G5:2 B5:3 A5:1 G5:2 D5:2 E5:2 G5:2",
    "E5:4 G5:2 B5:2 B5:2 A5:2 G5:2 E5:2",
    "C6:3 B5:1 A5:2 G5:2 E5:4 G5:4",
    "F#5:4 A5:4 D6:6 r:2",
};
const char* const THEME_2[4] = {
    "D5:2 G5:2 B5:3 A5:1 G5:2 D5:2 E5:2 G5:2",
    "E5:4 G5:2 B5:2 E6:4 D6:2 B5:2",
    "C6:4 B5:2 A5:2 E5:4 A5:4",
    "F#5:2 G5:2 A5:4 F#5:4 D5:4",
};
const char* const BRIDGE_1[4] = {
    "E6:6 D6:2 C6:4 G5:4",
    "F#6:6 E6:2 D6:4 A5:4",
    "D6:6 B5:2 F#5:4 B5:4",
    "G5:4 B5:4 E6:8",
};
const char* const BRIDGE_2[4] = {
    "E6:4 D6:2 C6:2 A5:4 C6:4",
    "D6:4 C6:2 A5:2 F#5:4 A5:4",
    "B5:4 D6:4 G6:8",
    "G6:2 F#6:2 E6:2 D6:2 B5:2 A5:2 G5:4",
};

const char* const SHUFFLE = "K.H.S.H.K.H.S.HH";
const char* const SHUFFLE_CRASH = "C.H.S.H.K.H.S.HH";
const char* const WALK = "R.F.O.F.R.F.O.F.";

// Long-short speeds on every beat; the bass channel usually has the free slot.
void swing(Pattern& pattern)
{
    for (int row = 0; row < pattern.rows; row += 2) {
        if (!putFreeEffect(pattern, row, FX_SET_SPEED, row % 4 == 0 ? 8 : 4)) {
            std::fprintf(stderr, "compose: no free effect slot for the swing at row %d\n", row);
            std::abort();
        }
    }
}

Pattern swung(const ChipSection& section)
{
    Pattern pattern = buildChipSection(section);
    swing(pattern);
    return pattern;
}

std::vector<Pattern> paradePatterns()
{
    std::vector<Pattern> patterns;

    ChipSection intro = chipSection(PROG_A1);
    setParts(intro, STAB, nullptr, nullptr);
    intro.arp[0] = intro.arp[1] = HOLD;
    intro.bass[2] = intro.bass[3] = BOUNCE;
    intro.drums[2] = "..H...H...H...H.";
    intro.drums[3] = "K.H.K.H.K.H.S.RR";
    patterns.push_back(swung(intro));

    ChipSection a1 = chipSection(PROG_A1);
    setLead(a1, THEME_1, LEAD);
    setParts(a1, STAB, BOUNCE, SHUFFLE);
    a1.drums[0] = SHUFFLE_CRASH;
    patterns.push_back(swung(a1));

    ChipSection a2 = chipSection(PROG_A2);
    setLead(a2, THEME_2, LEAD);
    setParts(a2, STAB, BOUNCE, SHUFFLE);
    a2.drums[3] = FILL;
    patterns.push_back(swung(a2));

    ChipSection b1 = chipSection(PROG_B1);
    setLead(b1, BRIDGE_1, LEAD_BRIGHT);
    setParts(b1, TWICE, WALK, SKIP);
    b1.drums[0] = SKIP_CRASH;
    patterns.push_back(swung(b1));

    ChipSection b2 = chipSection(PROG_B2);
    setLead(b2, BRIDGE_2, LEAD_BRIGHT);
    setParts(b2, TWICE, WALK, SKIP);
    b2.drums[3] = FILL;
    patterns.push_back(swung(b2));

    ChipSection breakdown = chipSection(PROG_A1);
    const char* const whistle[4] = {"B5:8 D6:8", "G5:8 B5:8", "E6:8 C6:8", "A5:12 r:4"};
    setLead(breakdown, whistle, LEAD);
    setParts(breakdown, HOLD, LONG, "K.......K.......");
    breakdown.drums[3] = "K.K.K.K.KKKKRRRR";
    patterns.push_back(swung(breakdown));

    ChipSection a1b = a1;
    setLead(a1b, THEME_1, LEAD_BRIGHT);
    for (auto& bass : a1b.bass)
        bass = DRIVE;
    patterns.push_back(swung(a1b));

    ChipSection a2b = a2;
    setLead(a2b, THEME_2, LEAD_BRIGHT);
    a2b.lead[3] = "F#5:2 G5:2 A5:4 D6:8";
    for (auto& bass : a2b.bass)
        bass = DRIVE;
    patterns.push_back(swung(a2b));

    ChipSection b2b = b2;
    b2b.drums[0] = SKIP_CRASH;
    b2b.drums[3] = SKIP;
    patterns.push_back(swung(b2b));

    const char* const outroChords[4] = {"C", "D", "G", "G"};
    const char* const farewell[4] = {"E6:8 C6:8", "F#6:8 A5:8", "G5:16", nullptr};
    ChipSection outro = chipSection(outroChords);
    setLead(outro, farewell, LEAD_BRIGHT);
    setParts(outro, STAB, BOUNCE, SHUFFLE);
    outro.drums[0] = SHUFFLE_CRASH;
    outro.arp[2] = HOLD;
    outro.arp[3] = nullptr;
    outro.bass[2] = "R...............";
    outro.bass[3] = nullptr;
    outro.drums[2] = "C...............";
    outro.drums[3] = nullptr;
    Pattern ending = buildChipSection(outro);
    fadeBar(ending, 3, LEAD_CH, 0x01);
    fadeBar(ending, 3, BASS_CH, 0x01);
    fadeBar(ending, 3, ARP_CH, 0x01);
    swing(ending);
    patterns.push_back(ending);
    return patterns;
}

}  // namespace

Song composeParadeSong(bool tiny)
{
    Song song;
    song.title = "Pixel Parade";
    song.channels = 4;
    song.instruments = chipInstruments();
    song.patterns = paradePatterns();
    if (tiny) {
        // The first A section, cut after 25 rows (3 s) by a pattern break that
        // has no next order to go to.
        Pattern cut = song.patterns[1];
        if (!putFreeEffect(cut, 24, FX_PATTERN_BREAK, 0))
            std::abort();
        song.patterns = {cut};
        song.orders = {0};
        return song;
    }
    song.orders = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    return song;
}

}  // namespace compose
