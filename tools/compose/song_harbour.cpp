// "Glass Harbour": the disk's FastTracker 2 piece, in D major. Ten channels:
// lead and its echo (or a harmony a third below), bass, three pad voices, a
// plucked arpeggio, kick, snare and hats. Instruments carry volume envelopes and
// the lead an auto-vibrato. Form: intro, A, B, break, A', B', and A'' and the
// outro a tone higher.
#include <cmath>
#include <string>

#include "tools/compose/module_writer.h"
#include "tools/compose/song_harbour.h"
#include "tools/compose/wave.h"

namespace compose {
namespace {

constexpr double C4_HZ = 261.6256;
constexpr int ROWS_PER_BAR = 16;
constexpr int CHANNELS = 10;

enum HarbourSound : int { LEAD = 1, BASS, PAD, PLUCK, GLASS, KICK, SNARE, CLAP, HAT, OPEN_HAT, CRASH };
enum HarbourChannel : int { LEAD_CH, ECHO_CH, BASS_CH, PAD_CH, PLUCK_CH = PAD_CH + 3, KICK_CH, SNARE_CH, HAT_CH };

constexpr int DRUM_NOTE = 60;  // drums are made at the rate they are played at C-4

Instrument makeInstrument(Sample sample)
{
    Instrument instrument;
    instrument.name = sample.name;
    instrument.sample = std::move(sample);
    return instrument;
}

// A looped wave whose cycle is `cycleFrames` frames at C4.
Sample tonalSample(const char* name, std::vector<float> data, int cycleFrames, int loopStart, int volume)
{
    Sample sample;
    sample.name = name;
    sample.data = std::move(data);
    scaleToPeak(sample.data, 1.0f);
    sample.loopStart = loopStart;
    sample.loopLength = int(sample.data.size()) - loopStart;
    sample.volume = volume;
    sample.sixteenBit = true;
    setXmRate(sample, cycleFrames * C4_HZ);
    return sample;
}

Sample drumSample(const char* name, std::vector<float> data, double rate, int volume, bool sixteenBit)
{
    Sample sample;
    sample.name = name;
    sample.data = std::move(data);
    sample.volume = volume;
    sample.sixteenBit = sixteenBit;
    setXmRate(sample, rate);
    return sample;
}

// Several saws, each a whole number of cycles per loop so the loop is seamless;
// the neighbouring cycle counts detune them against each other.
struct SawVoice {
    int cyclesPerLoop;
    float level;
};

std::vector<float> detunedSaws(int loopFrames, const std::vector<SawVoice>& voices, int harmonics, float rolloff)
{
    std::vector<float> shape = sawHarmonics(harmonics);
    for (size_t h = 0; h < shape.size(); ++h)
        shape[h] /= 1.0f + std::pow(float(h + 1) / rolloff, 2.0f);
    std::vector<float> mix(size_t(loopFrames), 0.0f);
    for (const SawVoice& voice : voices) {
        std::vector<float> wave = harmonicLoop(loopFrames, voice.cyclesPerLoop, shape);
        for (size_t i = 0; i < mix.size(); ++i)
            mix[i] += voice.level * wave[i];
    }
    return mix;
}

// A glassy FM tone: a sine modulated at three times its pitch, the modulation
// fading over `cycles` cycles so the last one is almost pure and loops cleanly.
std::vector<float> glassCycles(int cycleFrames, int cycles)
{
    std::vector<float> out;
    for (int k = 0; k < cycles; ++k) {
        float index = 2.2f * std::exp(-3.0f * float(k) / float(cycles)) + 0.15f;
        for (int i = 0; i < cycleFrames; ++i) {
            double phase = 2.0 * PI * i / cycleFrames;
            out.push_back(float(std::sin(phase + index * std::sin(3.0 * phase))));
        }
    }
    return out;
}

std::vector<Instrument> harbourInstruments()
{
    const double drumRate = 8363.0 * 4;  // C-6's rate: bright enough for snares and hats
    std::vector<float> bassHarmonics = sawHarmonics(31);
    bassHarmonics[0] *= 1.8f;
    std::vector<Instrument> instruments;

    Instrument lead =
        makeInstrument(tonalSample("lead saw", detunedSaws(32 * 96, {{96, 1.0f}, {97, 0.35f}}, 15, 5.0f), 32, 0, 64));
    lead.volumeEnvelope = {{{0, 0}, {2, 64}, {14, 50}, {40, 46}}, 3};
    lead.fadeout = 1600;
    lead.vibratoType = 0;
    lead.vibratoSweep = 40;
    lead.vibratoDepth = 3;
    lead.vibratoRate = 12;
    instruments.push_back(lead);

    Instrument bass = makeInstrument(
        tonalSample("bass", darkeningCycles(64, 40, bassHarmonics, 14.0f, 3.0f, 0.75f), 64, 39 * 64, 56));
    bass.volumeEnvelope = {{{0, 64}, {10, 52}, {30, 48}}, 2};
    bass.fadeout = 3000;
    instruments.push_back(bass);

    Instrument pad = makeInstrument(tonalSample(
        "pad", detunedSaws(64 * 128, {{126, 0.6f}, {127, 0.8f}, {128, 1.0f}, {129, 0.8f}, {130, 0.6f}}, 20, 4.0f), 64,
        0, 64));
    pad.volumeEnvelope = {{{0, 0}, {10, 48}, {30, 64}, {90, 52}}, 3};
    pad.fadeout = 700;
    instruments.push_back(pad);

    Instrument pluck = makeInstrument(
        tonalSample("pluck", darkeningCycles(32, 24, pulseHarmonics(15, 0.3f), 14.0f, 4.0f, 0.5f), 32, 23 * 32, 56));
    pluck.volumeEnvelope = {{{0, 64}, {4, 34}, {12, 12}, {28, 0}}, -1};
    pluck.fadeout = 4000;
    instruments.push_back(pluck);

    Instrument glass = makeInstrument(tonalSample("glass", glassCycles(64, 96), 64, 95 * 64, 50));
    glass.volumeEnvelope = {{{0, 64}, {8, 44}, {40, 24}, {120, 8}, {200, 0}}, -1};
    glass.fadeout = 1200;
    instruments.push_back(glass);

    instruments.push_back(
        makeInstrument(drumSample("kick", renderKick(8363.0 * 2, 0.32, 170, 45), 8363.0 * 2, 64, true)));
    instruments.push_back(
        makeInstrument(drumSample("snare", renderSnare(drumRate, 0.2, 0x51A4E), drumRate, 44, false)));
    instruments.push_back(makeInstrument(drumSample("clap", renderClap(drumRate, 0xC1A9), drumRate, 40, false)));
    instruments.push_back(makeInstrument(drumSample("hat", renderHat(drumRate, 0.045, 0x4A7), drumRate, 26, false)));
    instruments.push_back(makeInstrument(drumSample("open hat", renderHat(drumRate, 0.2, 0x0A7), drumRate, 22, false)));
    instruments.push_back(
        makeInstrument(drumSample("crash", renderCrash(8363.0 * 2, 1.2, 0xC4A5), 8363.0 * 2, 34, false)));
    return instruments;
}

// D major, for harmonies that stay in key.
int diatonicBelow(int midi, int steps)
{
    static const bool IN_KEY[12] = {false, true, true, false, true, false, true, true, false, true, false, true};
    int note = midi;
    for (int taken = 0; taken < steps;) {
        --note;
        if (IN_KEY[note % 12])
            ++taken;
    }
    return note;
}

struct HarbourSection {
    const char* chords[4];
    const char* lead[4];  // nullptr: the lead rests that bar
    int leadSound = LEAD;
    bool harmony = false;  // the echo channel plays a third below instead of an echo
    bool pads = true;
    int transpose = 0;  // semitones; the last chorus and the outro move up a tone
    const char* pluck[4] = {};
    const char* bass[4] = {};
    const char* kick[4] = {};
    const char* snare[4] = {};
    const char* hats[4] = {};
};

Chord transposedChord(const char* name, int semitones)
{
    Chord harmony = chord(name);
    harmony.root = (harmony.root + semitones % 12 + 12) % 12;
    return harmony;
}

// The melodies are written in D major; a transposed section shifts them after
// harmonizing, so harmonies stay in the new key.
void placeLead(Pattern& pattern, const HarbourSection& section)
{
    for (int bar = 0; bar < 4; ++bar) {
        if (!section.lead[bar])
            continue;
        const int start = bar * ROWS_PER_BAR;
        for (const NoteEvent& event : phrase(section.lead[bar])) {
            Cell& cell = cellAt(pattern, start + event.row, LEAD_CH);
            if (event.midi == REST) {
                cell.note = NOTE_OFF;
            } else {
                cell = {uint8_t(event.midi + section.transpose), uint8_t(section.leadSound),
                        event.row % 4 == 0 ? 64 : 56};
            }
            // The echo repeats three rows later, softer; a harmony doubles at once.
            int echoRow = start + event.row + (section.harmony ? 0 : 3);
            if (echoRow >= pattern.rows)
                continue;
            Cell& echo = cellAt(pattern, echoRow, ECHO_CH);
            if (event.midi == REST) {
                echo.note = NOTE_OFF;
            } else {
                int note = (section.harmony ? diatonicBelow(event.midi, 2) : event.midi) + section.transpose;
                echo = {uint8_t(note), uint8_t(section.leadSound), section.harmony ? 44 : 28};
            }
        }
    }
}

// Pads change only when the chord does, key off just before so the release
// tail has a moment, and sit spread across the stereo field.
void placePads(Pattern& pattern, const HarbourSection& section, const char* previousChord)
{
    static const uint8_t PANNING[3] = {0x48, 0x80, 0xB8};
    for (int bar = 0; bar < 4; ++bar) {
        const char* name = section.chords[bar];
        if (previousChord && std::string(previousChord) == name && bar > 0)
            continue;
        previousChord = name;
        std::vector<int> tones = voicing(transposedChord(name, section.transpose), 57, 3);
        for (int v = 0; v < 3; ++v) {
            cellAt(pattern, bar * ROWS_PER_BAR, PAD_CH + v) = {uint8_t(tones[size_t(v)]), PAD, 44, FX_PANNING,
                                                               PANNING[v]};
            if (bar > 0)
                cellAt(pattern, bar * ROWS_PER_BAR - 1, PAD_CH + v).note = NOTE_OFF;
        }
    }
}

void endPads(Pattern& pattern, int row)
{
    for (int v = 0; v < 3; ++v)
        cellAt(pattern, row, PAD_CH + v).note = NOTE_OFF;
}

// Digits pick tones of the chord's voicing from D4 up; louder on the beat.
void placePluckBar(Pattern& pattern, int bar, const char* steps, const Chord& harmony)
{
    std::vector<int> tones = voicing(harmony, 62, 4);
    for (int i = 0; i < ROWS_PER_BAR && steps[i]; ++i) {
        if (steps[i] < '0' || steps[i] > '3')
            continue;
        int note = tones[size_t(steps[i] - '0')];
        cellAt(pattern, bar * ROWS_PER_BAR + i, PLUCK_CH) = {uint8_t(note), PLUCK, i % 4 == 0 ? 52 : 40};
    }
}

// R root, O octave, F fifth, '-' key off.
void placeBassBar(Pattern& pattern, int bar, const char* rhythm, const Chord& harmony)
{
    int root = rootAtOrAbove(harmony, 38);
    for (int i = 0; i < ROWS_PER_BAR && rhythm[i]; ++i) {
        Cell& cell = cellAt(pattern, bar * ROWS_PER_BAR + i, BASS_CH);
        int volume = i % 4 == 0 ? 60 : 50;
        switch (rhythm[i]) {
        case 'R': cell = {uint8_t(root), BASS, volume}; break;
        case 'O': cell = {uint8_t(root + 12), BASS, volume}; break;
        case 'F': cell = {uint8_t(root + 7), BASS, volume}; break;
        case '-': cell.note = NOTE_OFF; break;
        default: break;
        }
    }
}

// K kick; S snare, C clap, R snare roll; h soft hat, H hat, O open hat, X crash.
void placeDrumBar(Pattern& pattern, int bar, int channel, const char* hits)
{
    for (int i = 0; hits && i < ROWS_PER_BAR && hits[i]; ++i) {
        Cell& cell = cellAt(pattern, bar * ROWS_PER_BAR + i, channel);
        switch (hits[i]) {
        case 'K': cell = {DRUM_NOTE, KICK}; break;
        case 'S': cell = {DRUM_NOTE, SNARE}; break;
        case 'C': cell = {DRUM_NOTE, CLAP}; break;
        case 'R': cell = {DRUM_NOTE, SNARE, 30, FX_EXTENDED, 0x93}; break;
        case 'h': cell = {DRUM_NOTE, HAT, 18}; break;
        case 'H': cell = {DRUM_NOTE, HAT}; break;
        case 'O': cell = {DRUM_NOTE, OPEN_HAT}; break;
        case 'X': cell = {DRUM_NOTE, CRASH}; break;
        default: break;
        }
    }
}

Pattern buildSection(const HarbourSection& section, int rows = 64)
{
    Pattern pattern = makePattern(64, CHANNELS);
    placeLead(pattern, section);
    if (section.pads)
        placePads(pattern, section, nullptr);
    for (int bar = 0; bar < 4; ++bar) {
        Chord harmony = transposedChord(section.chords[bar], section.transpose);
        if (section.pluck[bar])
            placePluckBar(pattern, bar, section.pluck[bar], harmony);
        if (section.bass[bar])
            placeBassBar(pattern, bar, section.bass[bar], harmony);
        placeDrumBar(pattern, bar, KICK_CH, section.kick[bar]);
        placeDrumBar(pattern, bar, SNARE_CH, section.snare[bar]);
        placeDrumBar(pattern, bar, HAT_CH, section.hats[bar]);
    }
    if (rows < 64) {
        Pattern cut = makePattern(rows, CHANNELS);
        std::copy(pattern.cells.begin(), pattern.cells.begin() + rows * CHANNELS, cut.cells.begin());
        return cut;
    }
    return pattern;
}

const char* const PROG_A1[4] = {"Gmaj7", "A", "F#m7", "Bm7"};
const char* const PROG_A2[4] = {"Gmaj7", "A", "D", "D"};
const char* const PROG_B1[4] = {"Em7", "F#m7", "Gmaj7", "A"};
const char* const PROG_B2[4] = {"Bm7", "F#m7", "G", "A"};

const char* const THEME_1[4] = {
    "B5:3 A5:3 F#5:2 D5:4 E5:4",
    "C#6:3 B5:3 A5:2 E5:4 A5:4",
    "A5:3 F#5:3 C#5:2 E5:4 F#5:4",
    "D6:6 C#6:2 B5:8",
};
const char* const THEME_2[4] = {
    "B5:3 A5:3 F#5:2 D5:4 G5:4",
    "A5:3 B5:3 C#6:2 E6:4 D6:2 C#6:2",
    "D6:6 A5:2 F#5:4 A5:4",
    "D6:12 r:4",
};
const char* const BRIDGE_1[4] = {
    "E5:2 G5:2 B5:6 A5:2 G5:4",
    "F#5:2 A5:2 C#6:6 B5:2 A5:4",
    "G5:2 B5:2 D6:6 C#6:2 B5:4",
    "C#6:4 E6:4 A5:8",
};
const char* const BRIDGE_2[4] = {
    "D6:6 C#6:2 B5:4 F#5:4",
    "A5:6 B5:2 C#6:4 E6:4",
    "D6:6 B5:2 G5:4 B5:4",
    "C#6:4 D6:2 E6:10",
};

const char* const ROLL = "0123012301230123";
const char* const WAVE = "0.12.30.21.03.21";
const char* const SPARSE = "0...2...1...3...";
const char* const BASS_A = "R..R..R.R..R..O.";
const char* const BASS_B = "R.R.O.R.R.R.O.R.";
const char* const BASS_LONG = "R...............";
const char* const FOUR = "K...K...K...K...";
const char* const BACKBEAT = "....S.......S...";
const char* const CLAPS = "....C.......C...";
const char* const HATS = "h.H.h.H.h.H.h.HO";
const char* const HATS_16 = "hhHhhhHhhhHhhhHh";

void fillBars(const char* (&parts)[4], const char* value)
{
    for (auto& part : parts)
        part = value;
}

HarbourSection section(const char* const chords[4], const char* const lead[4])
{
    HarbourSection s;
    for (int i = 0; i < 4; ++i) {
        s.chords[i] = chords[i];
        s.lead[i] = lead ? lead[i] : nullptr;
    }
    return s;
}

void setGroove(HarbourSection& s, const char* pluck, const char* bass, const char* snare, const char* hats)
{
    fillBars(s.pluck, pluck);
    fillBars(s.bass, bass);
    fillBars(s.kick, FOUR);
    fillBars(s.snare, snare);
    fillBars(s.hats, hats);
}

std::vector<Pattern> harbourPatterns(bool tiny)
{
    HarbourSection a1 = section(PROG_A1, THEME_1);
    setGroove(a1, ROLL, BASS_A, BACKBEAT, HATS);
    a1.hats[0] = "X.H.h.H.h.H.h.HO";
    if (tiny)
        return {buildSection(a1, 24)};

    std::vector<Pattern> patterns;
    HarbourSection intro = section(PROG_A1, nullptr);
    intro.pluck[2] = intro.pluck[3] = SPARSE;
    intro.hats[3] = "..h...h...h...hh";
    patterns.push_back(buildSection(intro));

    HarbourSection intro2 = section(PROG_A2, nullptr);
    setGroove(intro2, WAVE, BASS_LONG, nullptr, "..H...H...H...H.");
    fillBars(intro2.snare, nullptr);
    intro2.snare[3] = "....S.......RRRR";
    patterns.push_back(buildSection(intro2));

    patterns.push_back(buildSection(a1));

    HarbourSection a2 = section(PROG_A2, THEME_2);
    setGroove(a2, ROLL, BASS_A, BACKBEAT, HATS);
    a2.snare[3] = "....S.......S.RR";
    patterns.push_back(buildSection(a2));

    HarbourSection b1 = section(PROG_B1, BRIDGE_1);
    setGroove(b1, WAVE, BASS_B, CLAPS, HATS_16);
    b1.hats[0] = "XhHhhhHhhhHhhhHh";
    patterns.push_back(buildSection(b1));

    HarbourSection b2 = section(PROG_B2, BRIDGE_2);
    setGroove(b2, WAVE, BASS_B, CLAPS, HATS_16);
    b2.snare[3] = "....C...RRRRRRRR";
    patterns.push_back(buildSection(b2));

    const char* const glassLine[4] = {"F#5:8 A5:8", "E5:8 C#5:4 E5:4", "C#5:12 A4:4", "B4:16"};
    HarbourSection interlude = section(PROG_A1, glassLine);
    interlude.leadSound = GLASS;
    fillBars(interlude.pluck, SPARSE);
    fillBars(interlude.bass, BASS_LONG);
    interlude.kick[3] = "K...K...K...K.K.";
    interlude.snare[3] = "........RRRRRRRR";
    interlude.hats[2] = "..h...h...h...h.";
    interlude.hats[3] = "..h...h...h.hhhh";
    patterns.push_back(buildSection(interlude));

    HarbourSection a1b = a1;
    a1b.harmony = true;
    a1b.hats[0] = "XhHhhhHhhhHhhhHh";
    fillBars(a1b.bass, BASS_B);
    patterns.push_back(buildSection(a1b));

    HarbourSection a2b = section(PROG_A2, THEME_2);
    a2b.harmony = true;
    setGroove(a2b, ROLL, BASS_B, BACKBEAT, HATS_16);
    a2b.snare[3] = "....S.......S.RR";
    patterns.push_back(buildSection(a2b));

    HarbourSection finale = a2b;
    finale.transpose = 2;
    finale.lead[3] = "D6:4 F#6:4 A6:8";
    finale.hats[0] = "XhHhhhHhhhHhhhHh";
    finale.snare[3] = "....C...RRRRRRRR";
    patterns.push_back(buildSection(finale));

    const char* const outroChords[4] = {"Gmaj7", "A", "D", "D"};
    const char* const farewell[4] = {"B5:3 A5:3 F#5:2 D5:8", "C#6:3 B5:3 A5:2 E5:8", "D5:12", nullptr};
    HarbourSection outro = section(outroChords, farewell);
    outro.transpose = 2;
    setGroove(outro, WAVE, BASS_A, BACKBEAT, HATS);
    outro.pluck[3] = "0...2...1.......";
    outro.bass[2] = "R...........-...";
    outro.bass[3] = nullptr;
    outro.kick[2] = "K...............";
    outro.snare[2] = outro.snare[3] = nullptr;
    outro.kick[3] = nullptr;
    outro.hats[2] = "X...............";
    outro.hats[3] = nullptr;
    Pattern ending = buildSection(outro);
    // Release everything a bar and a quarter before the end: the song stops at
    // its last row, so the pads' fade must be over by then.
    const int release = 44;
    endPads(ending, release);
    cellAt(ending, release, LEAD_CH).note = NOTE_OFF;
    cellAt(ending, release, ECHO_CH).note = NOTE_OFF;
    patterns.push_back(ending);

    // The second B ends on B major, the dominant of E, to lift into the last chorus.
    const char* const pivotChords[4] = {"Bm7", "F#m7", "G", "B"};
    HarbourSection pivot = b2;
    for (int bar = 0; bar < 4; ++bar)
        pivot.chords[bar] = pivotChords[bar];
    pivot.lead[3] = "B5:4 D#6:4 F#6:8";
    pivot.pluck[3] = ROLL;
    patterns.push_back(buildSection(pivot));
    return patterns;
}

}  // namespace

Song composeHarbourSong(bool tiny)
{
    Song song;
    song.title = "Glass Harbour";
    song.channels = CHANNELS;
    song.speed = 6;
    song.tempo = 118;
    song.instruments = harbourInstruments();
    song.patterns = harbourPatterns(tiny);
    song.orders = tiny ? std::vector<int>{0} : std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 4, 11, 9, 10};
    return song;
}

}  // namespace compose
