// "Neon Cartridge": the disk's first ProTracker piece, in A minor at 125 BPM.
// Form: intro, A, B, break, A', B', A'', outro.
#include <cmath>
#include <string>

#include "tools/compose/chip_kit.h"
#include "tools/compose/song_chip.h"

namespace compose {
namespace {

const char* const PROG_A1[4] = {"Am", "F", "C", "G"};
const char* const PROG_A2[4] = {"Am", "F", "G", "Am"};
const char* const PROG_B1[4] = {"F", "G", "Em", "Am"};
const char* const PROG_B2[4] = {"Dm", "G7", "C", "E"};

const char* const THEME_1[4] = {
    "E5:4 A5:4 G5:2 E5:2 C5:2 D5:2",
    "C5:6 A4:2 C5:2 F5:4 E5:2",
    "E5:4 G5:4 E5:2 D5:2 C5:2 D5:2",
    "D5:6 B4:2 G4:4 r:4",
};
const char* const THEME_2[4] = {
    "E5:4 A5:4 B5:2 C6:2 B5:2 A5:2",
    "A5:6 G5:2 F5:2 E5:2 F5:4",
    "G5:4 D5:4 G5:2 A5:2 B5:4",
    "A5:8 E5:2 C5:2 A4:4",
};
const char* const BRIDGE_1[4] = {
    "A5:4 C6:4 A5:2 G5:2 F5:4",
    "G5:4 B5:4 D6:4 B5:4",
    "B5:6 A5:2 G5:4 E5:4",
    "A5:6 E5:2 A5:4 B5:4",
};
const char* const BRIDGE_2[4] = {
    "D6:6 C6:2 A5:4 F5:4",
    "G5:4 B5:4 D6:4 F6:4",
    "E6:6 D6:2 C6:4 G5:4",
    "G#5:4 B5:4 E6:4 D6:2 B5:2",
};

std::vector<Pattern> neonPatterns()
{
    std::vector<Pattern> patterns;

    ChipSection intro = chipSection(PROG_A1);
    setParts(intro, HOLD, nullptr, nullptr);
    intro.bass[2] = intro.bass[3] = LONG;
    intro.drums[2] = "..H...H...H...H.";
    intro.drums[3] = "..H...H...H.S.RR";
    patterns.push_back(buildChipSection(intro));

    ChipSection intro2 = chipSection(PROG_A2);
    setParts(intro2, STAB, BOUNCE, "K.H.K.H.K.H.K.H.");
    intro2.drums[3] = FILL;
    patterns.push_back(buildChipSection(intro2));

    ChipSection a1 = chipSection(PROG_A1);
    setLead(a1, THEME_1, LEAD);
    setParts(a1, STAB, BOUNCE, GROOVE);
    a1.drums[0] = GROOVE_CRASH;
    a1.drums[3] = GROOVE_OPEN;
    patterns.push_back(buildChipSection(a1));

    ChipSection a2 = chipSection(PROG_A2);
    setLead(a2, THEME_2, LEAD);
    setParts(a2, STAB, BOUNCE, GROOVE);
    a2.drums[3] = FILL;
    patterns.push_back(buildChipSection(a2));

    ChipSection b1 = chipSection(PROG_B1);
    setLead(b1, BRIDGE_1, LEAD);
    setParts(b1, TWICE, SYNC, SKIP);
    b1.drums[0] = SKIP_CRASH;
    patterns.push_back(buildChipSection(b1));

    ChipSection b2 = chipSection(PROG_B2);
    setLead(b2, BRIDGE_2, LEAD);
    setParts(b2, TWICE, SYNC, SKIP);
    b2.drums[3] = FILL;
    patterns.push_back(buildChipSection(b2));

    ChipSection breakdown = chipSection(PROG_A1);
    const char* const counter[4] = {"A4:8 C5:4 E5:4", "F5:8 E5:4 C5:4", "E5:6 D5:2 C5:4 G5:4", "D5:12 r:4"};
    setLead(breakdown, counter, LEAD);
    setParts(breakdown, HOLD, LONG, nullptr);
    breakdown.drums[2] = "..H...H...H...H.";
    breakdown.drums[3] = "K.H.K.H.K.KKRRRR";
    patterns.push_back(buildChipSection(breakdown));

    ChipSection a1b = a1;
    setLead(a1b, THEME_1, LEAD_BRIGHT);
    a1b.lead[3] = "D5:4 G5:4 B5:4 D6:4";
    for (auto& bass : a1b.bass)
        bass = DRIVE;
    patterns.push_back(buildChipSection(a1b));

    ChipSection a2b = a2;
    setLead(a2b, THEME_2, LEAD_BRIGHT);
    for (auto& bass : a2b.bass)
        bass = DRIVE;
    patterns.push_back(buildChipSection(a2b));

    ChipSection b1b = b1;
    setLead(b1b, BRIDGE_1, LEAD_BRIGHT);
    setParts(b1b, STAB, SYNC, SKIP);
    b1b.drums[0] = SKIP_CRASH;
    patterns.push_back(buildChipSection(b1b));

    ChipSection finale = a2b;
    finale.drums[0] = GROOVE_CRASH;
    finale.lead[3] = "A5:4 C6:4 E6:8";
    finale.drums[3] = FILL;
    patterns.push_back(buildChipSection(finale));

    const char* const outroChords[4] = {"F", "G", "Am", "Am"};
    ChipSection outro = chipSection(outroChords);
    const char* const farewell[4] = {"C6:8 A5:8", "B5:8 D6:8", "C6:4 B5:4 A5:8", nullptr};
    setLead(outro, farewell, LEAD_BRIGHT);
    setParts(outro, STAB, BOUNCE, GROOVE);
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
    patterns.push_back(ending);
    return patterns;
}

}  // namespace

Song composeChipSong(bool tiny)
{
    Song song;
    song.title = "Neon Cartridge";
    song.channels = 4;
    song.speed = 6;
    song.tempo = 125;
    song.instruments = chipInstruments();
    song.patterns = neonPatterns();
    if (tiny) {
        // The first A section, cut after 25 rows (3 s) by a pattern break that
        // has no next order to go to.
        Pattern cut = song.patterns[2];
        cellAt(cut, 24, BASS_CH).effect = FX_PATTERN_BREAK;
        song.patterns = {cut};
        song.orders = {0};
        return song;
    }
    song.orders = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 5, 10, 11};
    return song;
}

}  // namespace compose
