// tracker: the song data that the MOD and XM writers turn into files.
//
// A song is a list of patterns played in order, each a grid of cells (rows x
// channels), and a list of instruments, each holding one sample. Notes are MIDI
// note numbers; every sample says which MIDI note it sounds at the format's
// reference note, so the writers can map notes to periods or FT2 note numbers.
// ProTracker ignores the envelopes, panning and auto-vibrato of an instrument.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/compose/notation.h"

namespace compose {

constexpr uint8_t NOTE_NONE = 0;
constexpr uint8_t NOTE_OFF = 255;  // key off in XM, volume 0 in MOD
constexpr int VOLUME_NONE = -1;

// ProTracker / FastTracker 2 effect numbers used by the songs.
enum Effect : uint8_t {
    FX_ARPEGGIO = 0x0,
    FX_VIBRATO = 0x4,
    FX_PANNING = 0x8,
    FX_VOLUME_SLIDE = 0xA,
    FX_POSITION_JUMP = 0xB,
    FX_SET_VOLUME = 0xC,
    FX_PATTERN_BREAK = 0xD,
    FX_EXTENDED = 0xE,  // param high nibble 9: retrigger every low-nibble ticks
    FX_SET_SPEED = 0xF,
};

struct Cell {
    uint8_t note = NOTE_NONE;  // MIDI note, NOTE_NONE or NOTE_OFF
    uint8_t instrument = 0;    // 1-based; 0 keeps the channel's instrument
    int volume = VOLUME_NONE;  // 0..64
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct Pattern {
    int rows = 64;
    int channels = 4;
    std::vector<Cell> cells;  // row-major: cells[row * channels + channel]
};

Pattern makePattern(int rows, int channels);
Cell& cellAt(Pattern& pattern, int row, int channel);
const Cell& cellAt(const Pattern& pattern, int row, int channel);

// Writes a phrase into one channel starting at `row`: every note with the
// instrument (transposed by `transpose` semitones), every rest as a key off.
// Events that fall past the pattern's end are dropped.
void placePhrase(Pattern& pattern, int channel, int row, const std::vector<NoteEvent>& events, int instrument,
                 int transpose = 0);

struct Sample {
    std::string name;
    std::vector<float> data;  // mono, -1..1
    int loopStart = 0;        // frames
    int loopLength = 0;       // frames; 0 = no loop
    int volume = 64;          // 0..64
    int rootMidi = 60;        // MIDI note heard at ProTracker C-2 / FT2 C-4
    int relativeNote = 0;     // XM: semitones from 8363 Hz to the rate the sample was made at
    int finetune = 0;         // XM: the rest of that distance, in 1/128 semitone
    int panning = 128;        // XM: 0 left .. 255 right
    bool sixteenBit = false;  // XM only; MOD samples are always 8-bit
};

struct EnvelopePoint {
    int tick = 0;
    int value = 0;  // 0..64
};

struct Envelope {
    std::vector<EnvelopePoint> points;  // none = envelope off; at most 12
    int sustainPoint = -1;
    int loopStart = -1;
    int loopEnd = -1;
};

struct Instrument {
    std::string name;
    Sample sample;
    Envelope volumeEnvelope;
    Envelope panningEnvelope;
    int fadeout = 0;  // XM volume fadeout after key off
    int vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Song {
    std::string title;
    int channels = 4;
    int speed = 6;            // ticks per row
    int tempo = 125;          // BPM
    std::vector<int> orders;  // pattern indices, played once in this order
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

}  // namespace compose
