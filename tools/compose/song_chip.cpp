// "Neon Cartridge": the disk's ProTracker piece. Four channels in the classic
// split: bass, drums (kick, snare and hats take turns on one channel), lead, and
// chords played as fast arpeggios. Form: intro, A, B, break, A', B', A'', outro.
#include <cmath>
#include <string>

#include "tools/compose/songs.h"
#include "tools/compose/wave.h"

namespace compose {
namespace {

// Paula's playback rate at ProTracker C-2 (period 428, PAL clock). A sample made
// at this rate sounds at its own pitch there; one made at twice the rate sounds
// right at C-3.
constexpr double C2_RATE = 3546895.0 / 428.0;
constexpr int ROWS_PER_BAR = 16;

enum ChipSound : int { LEAD = 1, LEAD_BRIGHT, BASS, ARP, KICK, SNARE, HAT, OPEN_HAT, KICK_CRASH };
enum ChipChannel : int { BASS_CH = 0, DRUM_CH = 1, LEAD_CH = 2, ARP_CH = 3 };

// Where each drum sits in ProTracker's range: higher notes play the sample faster,
// so each one is made at the rate of the note it is played at.
constexpr int KICK_NOTE = 60;   // C-2
constexpr int SNARE_NOTE = 72;  // C-3
constexpr int HAT_NOTE = 83;    // B-3

double rateForNote(int midi) { return C2_RATE * std::pow(2.0, (midi - 60) / 12.0); }

// One 16-frame cycle of a pulse wave: the chip lead, C4 to B6.
Sample makeLead(const char* name, float duty, int volume) {
    Sample sample;
    sample.name = name;
    sample.data = harmonicLoop(16, 1, pulseHarmonics(7, duty));
    scaleToPeak(sample.data, 1.0f);
    sample.loopLength = 16;
    sample.volume = volume;
    sample.rootMidi = 72;
    return sample;
}

// A pluck that the tracker can hold: it darkens and fades over `decayCycles`
// cycles, then loops its last cycle.
Sample makePluck(const char* name, int cycleFrames, int decayCycles, int rootMidi, int volume,
                 const std::vector<float>& harmonics, float brightStart, float brightEnd, float levelEnd) {
    Sample sample;
    sample.name = name;
    sample.data = darkeningCycles(cycleFrames, decayCycles, harmonics, brightStart, brightEnd, levelEnd);
    scaleToPeak(sample.data, 1.0f);
    sample.loopStart = (decayCycles - 1) * cycleFrames;
    sample.loopLength = cycleFrames;
    sample.volume = volume;
    sample.rootMidi = rootMidi;
    return sample;
}

// Drums are made at the rate of the note they are played at,
// so all of them share the reference of C-2 = MIDI 60.
Sample makeDrum(const char* name, std::vector<float> data, int volume) {
    Sample sample;
    sample.name = name;
    sample.data = std::move(data);
    sample.volume = volume;
    sample.rootMidi = 60;
    return sample;
}

std::vector<Instrument> chipInstruments() {
    std::vector<float> bassHarmonics = sawHarmonics(31);
    bassHarmonics[0] *= 1.6f;  // more body under the saw's edge
    std::vector<float> arpHarmonics = squareHarmonics(15);
    std::vector<float> kickCrash = renderKick(rateForNote(SNARE_NOTE), 0.3, 190, 48);
    std::vector<float> crash = renderCrash(rateForNote(SNARE_NOTE), 1.1, 0xC0FFEE);
    kickCrash.resize(crash.size(), 0.0f);
    for (size_t i = 0; i < crash.size(); ++i) kickCrash[i] = 0.8f * kickCrash[i] + 0.45f * crash[i];
    scaleToPeak(kickCrash, 1.0f);

    const Sample samples[] = {
        makeLead("lead square", 0.5f, 58),
        makeLead("lead pulse", 0.25f, 64),
        makePluck("bass pluck", 64, 28, 48, 46, bassHarmonics, 16.0f, 3.5f, 0.7f),
        makePluck("arp square", 32, 40, 60, 44, arpHarmonics, 15.0f, 4.0f, 0.5f),
        makeDrum("kick", renderKick(rateForNote(KICK_NOTE), 0.3, 190, 48), 56),
        makeDrum("snare", renderSnare(rateForNote(SNARE_NOTE), 0.22, 0x5EED5), 50),
        makeDrum("hat", renderHat(rateForNote(HAT_NOTE), 0.05, 0xBEEF), 26),
        makeDrum("open hat", renderHat(rateForNote(HAT_NOTE), 0.22, 0xFACE), 24),
        makeDrum("kick + crash", kickCrash, 56),
    };
    std::vector<Instrument> instruments;
    for (const Sample& sample : samples) {
        Instrument instrument;
        instrument.name = sample.name;
        instrument.sample = sample;
        instruments.push_back(instrument);
    }
    return instruments;
}

// One bar of drums, a character a row: K kick, S snare, R snare roll, H hat,
// O open hat, C kick with crash, '.' nothing.
void placeDrumBar(Pattern& pattern, int bar, const char* hits) {
    for (int i = 0; i < ROWS_PER_BAR && hits[i]; ++i) {
        Cell& cell = cellAt(pattern, bar * ROWS_PER_BAR + i, DRUM_CH);
        switch (hits[i]) {
        case 'K': cell = {KICK_NOTE, KICK}; break;
        case 'S': cell = {SNARE_NOTE, SNARE}; break;
        case 'R': cell = {SNARE_NOTE, SNARE, VOLUME_NONE, FX_EXTENDED, 0x93}; break;
        case 'H': cell = {HAT_NOTE, HAT}; break;
        case 'O': cell = {HAT_NOTE, OPEN_HAT}; break;
        case 'C': cell = {SNARE_NOTE, KICK_CRASH}; break;
        default: break;
        }
    }
}

// One bar of bass over a chord, a character a row: R root, O root an octave up,
// F fifth, '-' key off, '.' nothing.
void placeBassBar(Pattern& pattern, int bar, const char* rhythm, const Chord& chord) {
    int root = rootAtOrAbove(chord, 40);
    for (int i = 0; i < ROWS_PER_BAR && rhythm[i]; ++i) {
        Cell& cell = cellAt(pattern, bar * ROWS_PER_BAR + i, BASS_CH);
        switch (rhythm[i]) {
        case 'R': cell = {uint8_t(root), BASS}; break;
        case 'O': cell = {uint8_t(root + 12), BASS}; break;
        case 'F': cell = {uint8_t(root + 7), BASS}; break;
        case '-': cell.note = NOTE_OFF; break;
        default: break;
        }
    }
}

// The arpeggio effect steps through the chord's next two tones above the root.
uint8_t arpeggioParam(const Chord& chord) {
    int first = chord.intervals.size() > 1 ? chord.intervals[1] : 0;
    int second = chord.intervals.size() > 2 ? chord.intervals.back() : 7;
    return uint8_t((first << 4) | (second & 0xF));
}

// One bar of arpeggiated chord: X strikes the chord, '.' keeps the arpeggio
// running, '-' keys it off (and stops the arpeggio until the next strike).
void placeArpBar(Pattern& pattern, int bar, const char* rhythm, const Chord& chord) {
    const uint8_t param = arpeggioParam(chord);
    const int root = rootAtOrAbove(chord, 53);
    bool sounding = false;
    for (int i = 0; i < ROWS_PER_BAR && rhythm[i]; ++i) {
        Cell& cell = cellAt(pattern, bar * ROWS_PER_BAR + i, ARP_CH);
        if (rhythm[i] == 'X') {
            cell = {uint8_t(root), ARP, VOLUME_NONE, FX_ARPEGGIO, param};
            sounding = true;
        } else if (rhythm[i] == '-') {
            cell.note = NOTE_OFF;
            sounding = false;
        } else if (sounding) {
            cell.effect = FX_ARPEGGIO;
            cell.param = param;
        }
    }
}

// A lead phrase with a gentle vibrato on every note that lasts long enough to
// need one.
void placeLeadBar(Pattern& pattern, int bar, const char* text, int instrument) {
    std::vector<NoteEvent> events = phrase(text);
    placePhrase(pattern, LEAD_CH, bar * ROWS_PER_BAR, events, instrument);
    for (const NoteEvent& event : events) {
        if (event.midi == REST || event.length < 4) continue;
        for (int r = 2; r < event.length; ++r) {
            int row = bar * ROWS_PER_BAR + event.row + r;
            if (row >= pattern.rows) break;
            cellAt(pattern, row, LEAD_CH).effect = FX_VIBRATO;
            cellAt(pattern, row, LEAD_CH).param = event.length >= 6 ? 0x43 : 0x42;
        }
    }
}

// Lets a channel's sound die away over a bar with a volume slide.
void fadeBar(Pattern& pattern, int bar, int channel, uint8_t slide) {
    for (int i = 0; i < ROWS_PER_BAR; ++i) {
        Cell& cell = cellAt(pattern, bar * ROWS_PER_BAR + i, channel);
        cell.effect = FX_VOLUME_SLIDE;
        cell.param = slide;
    }
}

struct ChipSection {
    const char* chords[4];
    const char* lead[4];  // nullptr: the lead rests that bar
    int leadSound;
    const char* arp[4];
    const char* bass[4];
    const char* drums[4];
};

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

const char* const STAB = "X..X..X.X..X..X.";
const char* const HOLD = "X...............";
const char* const TWICE = "X.......X.......";
const char* const BOUNCE = "R.O.R.O.R.O.R.O.";
const char* const DRIVE = "R.R.O.R.R.R.O.R.";
const char* const SYNC = "R..R..O.R.F.O.R.";
const char* const LONG = "R.......R.......";
const char* const GROOVE = "K.H.S.H.K.K.S.H.";
const char* const GROOVE_OPEN = "K.H.S.H.K.K.S.HO";
const char* const GROOVE_CRASH = "C.H.S.H.K.K.S.H.";
const char* const FILL = "K.H.S.H.K.SSR.RR";
const char* const SKIP = "K.HKS.H.K.HKS.H.";
const char* const SKIP_CRASH = "C.HKS.H.K.HKS.H.";

Pattern buildSection(const ChipSection& section) {
    Pattern pattern = makePattern(64, 4);
    for (int bar = 0; bar < 4; ++bar) {
        Chord harmony = chord(section.chords[bar]);
        if (section.lead[bar]) placeLeadBar(pattern, bar, section.lead[bar], section.leadSound);
        if (section.arp[bar]) placeArpBar(pattern, bar, section.arp[bar], harmony);
        if (section.bass[bar]) placeBassBar(pattern, bar, section.bass[bar], harmony);
        if (section.drums[bar]) placeDrumBar(pattern, bar, section.drums[bar]);
    }
    return pattern;
}

ChipSection withChords(const char* const chords[4]) {
    ChipSection section = {};
    for (int i = 0; i < 4; ++i) section.chords[i] = chords[i];
    section.leadSound = LEAD;
    return section;
}

void setLead(ChipSection& section, const char* const lead[4], int sound) {
    for (int i = 0; i < 4; ++i) section.lead[i] = lead[i];
    section.leadSound = sound;
}

void setParts(ChipSection& section, const char* arp, const char* bass, const char* drums) {
    for (int i = 0; i < 4; ++i) {
        section.arp[i] = arp;
        section.bass[i] = bass;
        section.drums[i] = drums;
    }
}

std::vector<Pattern> chipPatterns() {
    std::vector<Pattern> patterns;

    ChipSection intro = withChords(PROG_A1);
    setParts(intro, HOLD, nullptr, nullptr);
    intro.bass[2] = intro.bass[3] = LONG;
    intro.drums[2] = "..H...H...H...H.";
    intro.drums[3] = "..H...H...H.S.RR";
    patterns.push_back(buildSection(intro));

    ChipSection intro2 = withChords(PROG_A2);
    setParts(intro2, STAB, BOUNCE, "K.H.K.H.K.H.K.H.");
    intro2.drums[3] = FILL;
    patterns.push_back(buildSection(intro2));

    ChipSection a1 = withChords(PROG_A1);
    setLead(a1, THEME_1, LEAD);
    setParts(a1, STAB, BOUNCE, GROOVE);
    a1.drums[0] = GROOVE_CRASH;
    a1.drums[3] = GROOVE_OPEN;
    patterns.push_back(buildSection(a1));

    ChipSection a2 = withChords(PROG_A2);
    setLead(a2, THEME_2, LEAD);
    setParts(a2, STAB, BOUNCE, GROOVE);
    a2.drums[3] = FILL;
    patterns.push_back(buildSection(a2));

    ChipSection b1 = withChords(PROG_B1);
    setLead(b1, BRIDGE_1, LEAD);
    setParts(b1, TWICE, SYNC, SKIP);
    b1.drums[0] = SKIP_CRASH;
    patterns.push_back(buildSection(b1));

    ChipSection b2 = withChords(PROG_B2);
    setLead(b2, BRIDGE_2, LEAD);
    setParts(b2, TWICE, SYNC, SKIP);
    b2.drums[3] = FILL;
    patterns.push_back(buildSection(b2));

    ChipSection breakdown = withChords(PROG_A1);
    const char* const counter[4] = {"A4:8 C5:4 E5:4", "F5:8 E5:4 C5:4", "E5:6 D5:2 C5:4 G5:4", "D5:12 r:4"};
    setLead(breakdown, counter, LEAD);
    setParts(breakdown, HOLD, LONG, nullptr);
    breakdown.drums[2] = "..H...H...H...H.";
    breakdown.drums[3] = "K.H.K.H.K.KKRRRR";
    patterns.push_back(buildSection(breakdown));

    ChipSection a1b = a1;
    setLead(a1b, THEME_1, LEAD_BRIGHT);
    a1b.lead[3] = "D5:4 G5:4 B5:4 D6:4";
    for (auto& bass : a1b.bass) bass = DRIVE;
    patterns.push_back(buildSection(a1b));

    ChipSection a2b = a2;
    setLead(a2b, THEME_2, LEAD_BRIGHT);
    for (auto& bass : a2b.bass) bass = DRIVE;
    patterns.push_back(buildSection(a2b));

    ChipSection b1b = b1;
    setLead(b1b, BRIDGE_1, LEAD_BRIGHT);
    setParts(b1b, STAB, SYNC, SKIP);
    b1b.drums[0] = SKIP_CRASH;
    patterns.push_back(buildSection(b1b));

    ChipSection finale = a2b;
    finale.drums[0] = GROOVE_CRASH;
    finale.lead[3] = "A5:4 C6:4 E6:8";
    finale.drums[3] = FILL;
    patterns.push_back(buildSection(finale));

    const char* const outroChords[4] = {"F", "G", "Am", "Am"};
    ChipSection outro = withChords(outroChords);
    const char* const farewell[4] = {"C6:8 A5:8", "B5:8 D6:8", "C6:4 B5:4 A5:8", nullptr};
    setLead(outro, farewell, LEAD_BRIGHT);
    setParts(outro, STAB, BOUNCE, GROOVE);
    outro.arp[2] = HOLD;
    outro.arp[3] = nullptr;
    outro.bass[2] = "R...............";
    outro.bass[3] = nullptr;
    outro.drums[2] = "C...............";
    outro.drums[3] = nullptr;
    Pattern ending = buildSection(outro);
    fadeBar(ending, 3, LEAD_CH, 0x01);
    fadeBar(ending, 3, BASS_CH, 0x01);
    fadeBar(ending, 3, ARP_CH, 0x01);
    patterns.push_back(ending);
    return patterns;
}

}  // namespace

Song composeChipSong(bool tiny) {
    Song song;
    song.title = "Neon Cartridge";
    song.channels = 4;
    song.speed = 6;
    song.tempo = 125;
    song.instruments = chipInstruments();
    song.patterns = chipPatterns();
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
