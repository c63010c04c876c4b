// chip_kit: the sounds and bar writers that the disk's ProTracker pieces share.
//
// Four channels in the classic split: bass, drums (kick, snare and hats take
// turns on one channel), lead, and chords played as fast arpeggios. A section is
// four bars of 16 rows (one 64-row pattern); each part of it is written bar by
// bar from short rhythm strings (see chip_kit.cpp for their letters).
#pragma once
#include <cstdint>
#include <vector>

#include "tools/compose/tracker.h"

namespace compose {

constexpr int CHIP_ROWS_PER_BAR = 16;

enum ChipSound : int { LEAD = 1, LEAD_BRIGHT, BASS, ARP, KICK, SNARE, HAT, OPEN_HAT, KICK_CRASH };
enum ChipChannel : int { BASS_CH = 0, DRUM_CH = 1, LEAD_CH = 2, ARP_CH = 3 };

std::vector<Instrument> chipInstruments();

struct ChipSection {
    const char* chords[4];
    const char* lead[4];  // nullptr: the lead rests that bar
    int leadSound;
    int leadTranspose;
    const char* arp[4];
    const char* bass[4];
    const char* drums[4];
};

// A section over four chords with every part silent and the plain lead.
ChipSection chipSection(const char* const chords[4]);
void setLead(ChipSection& section, const char* const lead[4], int sound);
void setParts(ChipSection& section, const char* arp, const char* bass, const char* drums);
Pattern buildChipSection(const ChipSection& section);

// Lets a channel's sound die away over a bar with a volume slide.
void fadeBar(Pattern& pattern, int bar, int channel, uint8_t slide);

// Puts an effect on the first channel of `row` whose effect slot is free (bass,
// drums, arpeggio, lead, in that order); false if none is.
bool putFreeEffect(Pattern& pattern, int row, uint8_t effect, uint8_t param);

// Rhythms both pieces use. Arpeggio: X strike, '.' hold, '-' off.
inline constexpr const char* STAB = "X..X..X.X..X..X.";
inline constexpr const char* HOLD = "X...............";
inline constexpr const char* TWICE = "X.......X.......";
// Bass: R root, O octave, F fifth, '-' off.
inline constexpr const char* BOUNCE = "R.O.R.O.R.O.R.O.";
inline constexpr const char* DRIVE = "R.R.O.R.R.R.O.R.";
inline constexpr const char* SYNC = "R..R..O.R.F.O.R.";
inline constexpr const char* LONG = "R.......R.......";
// Drums: K kick, S snare, R snare roll, H hat, O open hat, C kick and crash.
inline constexpr const char* GROOVE = "K.H.S.H.K.K.S.H.";
inline constexpr const char* GROOVE_OPEN = "K.H.S.H.K.K.S.HO";
inline constexpr const char* GROOVE_CRASH = "C.H.S.H.K.K.S.H.";
inline constexpr const char* FILL = "K.H.S.H.K.SSR.RR";
inline constexpr const char* SKIP = "K.HKS.H.K.HKS.H.";
inline constexpr const char* SKIP_CRASH = "C.HKS.H.K.HKS.H.";

}  // namespace compose
