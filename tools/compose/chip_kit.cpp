#include "tools/compose/chip_kit.h"

#include <cmath>

#include "tools/compose/notation.h"
#include "tools/compose/wave.h"

namespace compose {
namespace {

// Paula's playback rate at ProTracker C-2 (period 428, PAL clock). A sample made
// at this rate sounds at its own pitch there; one made at twice the rate sounds
// right at C-3.
constexpr double C2_RATE = 3546895.0 / 428.0;
constexpr int ROWS_PER_BAR = CHIP_ROWS_PER_BAR;

// Where each drum sits in ProTracker's range: higher notes play the sample faster,
// so each one is made at the rate of the note it is played at.
constexpr int KICK_NOTE = 60;   // C-2
constexpr int SNARE_NOTE = 72;  // C-3
constexpr int HAT_NOTE = 83;    // B-3

double rateForNote(int midi) { return C2_RATE * std::pow(2.0, (midi - 60) / 12.0); }

// One 16-frame cycle of a pulse wave: the chip lead, C4 to B6.
Sample makeLead(const char* name, float duty, int volume)
{
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
                 const std::vector<float>& harmonics, float brightStart, float brightEnd, float levelEnd)
{
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
Sample makeDrum(const char* name, std::vector<float> data, int volume)
{
    Sample sample;
    sample.name = name;
    sample.data = std::move(data);
    sample.volume = volume;
    sample.rootMidi = 60;
    return sample;
}

// One bar of drums, a character a row: K kick, S snare, R snare roll, H hat,
// O open hat, C kick with crash, '.' nothing.
void placeDrumBar(Pattern& pattern, int bar, const char* hits)
{
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
void placeBassBar(Pattern& pattern, int bar, const char* rhythm, const Chord& chord)
{
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
uint8_t arpeggioParam(const Chord& chord)
{
    int first = chord.intervals.size() > 1 ? chord.intervals[1] : 0;
    int second = chord.intervals.size() > 2 ? chord.intervals.back() : 7;
    return uint8_t((first << 4) | (second & 0xF));
}

// One bar of arpeggiated chord: X strikes the chord, '.' keeps the arpeggio
// running, '-' keys it off (and stops the arpeggio until the next strike).
void placeArpBar(Pattern& pattern, int bar, const char* rhythm, const Chord& chord)
{
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
void placeLeadBar(Pattern& pattern, int bar, const char* text, int instrument, int transpose)
{
    std::vector<NoteEvent> events = phrase(text);
    placePhrase(pattern, LEAD_CH, bar * ROWS_PER_BAR, events, instrument, transpose);
    for (const NoteEvent& event : events) {
        if (event.midi == REST || event.length < 4)
            continue;
        for (int r = 2; r < event.length; ++r) {
            int row = bar * ROWS_PER_BAR + event.row + r;
            if (row >= pattern.rows)
                break;
            cellAt(pattern, row, LEAD_CH).effect = FX_VIBRATO;
            cellAt(pattern, row, LEAD_CH).param = event.length >= 6 ? 0x43 : 0x42;
        }
    }
}

}  // namespace

std::vector<Instrument> chipInstruments()
{
    std::vector<float> bassHarmonics = sawHarmonics(31);
    bassHarmonics[0] *= 1.6f;  // more body under the saw's edge
    std::vector<float> arpHarmonics = squareHarmonics(15);
    std::vector<float> kickCrash = renderKick(rateForNote(SNARE_NOTE), 0.3, 190, 48);
    std::vector<float> crash = renderCrash(rateForNote(SNARE_NOTE), 1.1, 0xC0FFEE);
    kickCrash.resize(crash.size(), 0.0f);
    for (size_t i = 0; i < crash.size(); ++i)
        kickCrash[i] = 0.8f * kickCrash[i] + 0.45f * crash[i];
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

void fadeBar(Pattern& pattern, int bar, int channel, uint8_t slide)
{
    for (int i = 0; i < ROWS_PER_BAR; ++i) {
        Cell& cell = cellAt(pattern, bar * ROWS_PER_BAR + i, channel);
        cell.effect = FX_VOLUME_SLIDE;
        cell.param = slide;
    }
}

bool putFreeEffect(Pattern& pattern, int row, uint8_t effect, uint8_t param)
{
    for (int channel : {BASS_CH, DRUM_CH, ARP_CH, LEAD_CH}) {
        Cell& cell = cellAt(pattern, row, channel);
        if (cell.effect || cell.param || cell.volume != VOLUME_NONE || cell.note == NOTE_OFF)
            continue;
        cell.effect = effect;
        cell.param = param;
        return true;
    }
    return false;
}

Pattern buildChipSection(const ChipSection& section)
{
    Pattern pattern = makePattern(64, 4);
    for (int bar = 0; bar < 4; ++bar) {
        Chord harmony = chord(section.chords[bar]);
        if (section.lead[bar])
            placeLeadBar(pattern, bar, section.lead[bar], section.leadSound, section.leadTranspose);
        if (section.arp[bar])
            placeArpBar(pattern, bar, section.arp[bar], harmony);
        if (section.bass[bar])
            placeBassBar(pattern, bar, section.bass[bar], harmony);
        if (section.drums[bar])
            placeDrumBar(pattern, bar, section.drums[bar]);
    }
    return pattern;
}

ChipSection chipSection(const char* const chords[4])
{
    ChipSection section = {};
    for (int i = 0; i < 4; ++i)
        section.chords[i] = chords[i];
    section.leadSound = LEAD;
    return section;
}

void setLead(ChipSection& section, const char* const lead[4], int sound)
{
    for (int i = 0; i < 4; ++i)
        section.lead[i] = lead[i];
    section.leadSound = sound;
}

void setParts(ChipSection& section, const char* arp, const char* bass, const char* drums)
{
    for (int i = 0; i < 4; ++i) {
        section.arp[i] = arp;
        section.bass[i] = bass;
        section.drums[i] = drums;
    }
}

}  // namespace compose
