// notation: melodies and chords written as short strings.
//
// A phrase is a list of blank-separated tokens "NOTE:ROWS", e.g. "E5:4 A5:2 r:2":
// a note name (C to B, optional # or b, octave; C4 is MIDI 60) or "r" for a rest,
// then its length in rows (sixteenth notes). A chord is a root name and a quality:
// "Am", "F", "G7", "Cmaj7", "Dm7", "Esus4", "Bdim".
#pragma once
#include <string>
#include <vector>

namespace compose {

constexpr int REST = -1;

struct NoteEvent {
    int row = 0;     // start, counted from the phrase's first row
    int length = 0;  // rows
    int midi = REST;
};

struct Chord {
    int root = 0;                // pitch class, 0 = C
    std::vector<int> intervals;  // semitones above the root, starting with 0
};

// MIDI number of a note name such as "C#4" or "Bb2"; -1 if it is not one.
int parseNoteName(const std::string& name);

// False (and *events untouched) on any malformed token.
bool parsePhrase(const std::string& text, std::vector<NoteEvent>* events);

// Like parsePhrase, for phrases written into the program: a typo there is a
// bug, so it aborts with the offending text.
std::vector<NoteEvent> phrase(const std::string& text);

bool parseChord(const std::string& name, Chord* chord);
Chord chord(const std::string& name);

// The chord's tones as MIDI notes, `count` of them going up from the lowest
// chord tone at or above `lowest` (tones repeat an octave up when count exceeds
// the chord's size). Keeping `lowest` fixed gives smooth voice leading.
std::vector<int> voicing(const Chord& chord, int lowest, int count);

// The root as a MIDI note in the octave starting at `lowest`.
int rootAtOrAbove(const Chord& chord, int lowest);

}  // namespace compose
