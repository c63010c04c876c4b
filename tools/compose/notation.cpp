#include "tools/compose/notation.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace compose {
namespace {

struct Quality {
    const char* suffix;
    std::vector<int> intervals;
};

const Quality QUALITIES[] = {
    {"", {0, 4, 7}},     {"m", {0, 3, 7}},    {"7", {0, 4, 7, 10}}, {"m7", {0, 3, 7, 10}},   {"maj7", {0, 4, 7, 11}},
    {"sus4", {0, 5, 7}}, {"sus2", {0, 2, 7}}, {"dim", {0, 3, 6}},   {"add9", {0, 4, 7, 14}}, {"madd9", {0, 3, 7, 14}},
};

// Pitch class of a leading note letter with its accidental; sets *used to the
// characters taken. -1 if the text does not start with one.
int parsePitchClass(const std::string& text, size_t* used)
{
    static const int LETTER_CLASS[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (text.empty() || text[0] < 'A' || text[0] > 'G')
        return -1;
    int pitch = LETTER_CLASS[text[0] - 'A'];
    *used = 1;
    if (text.size() > 1 && (text[1] == '#' || text[1] == 'b')) {
        pitch += text[1] == '#' ? 1 : -1;
        *used = 2;
    }
    return (pitch + 12) % 12;
}

[[noreturn]] void dieOn(const char* what, const std::string& text)
{
    std::fprintf(stderr, "compose: bad %s in the score: \"%s\"\n", what, text.c_str());
    std::abort();
}

}  // namespace

int parseNoteName(const std::string& name)
{
    size_t used = 0;
    int pitch = parsePitchClass(name, &used);
    if (pitch < 0 || used >= name.size() || used + 2 < name.size())
        return -1;
    int octave = 0;
    for (size_t i = used; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return -1;
        octave = octave * 10 + (name[i] - '0');
    }
    // Cb and B# cross the octave boundary the letter suggests.
    int letterOctaveShift = (name[0] == 'C' && pitch == 11) ? -1 : (name[0] == 'B' && pitch == 0) ? 1 : 0;
    int midi = (octave + 1 + letterOctaveShift) * 12 + pitch;
    return midi >= 0 && midi <= 127 ? midi : -1;
}

bool parsePhrase(const std::string& text, std::vector<NoteEvent>* events)
{
    std::vector<NoteEvent> parsed;
    std::istringstream tokens(text);
    std::string token;
    int row = 0;
    while (tokens >> token) {
        size_t colon = token.find(':');
        if (colon == std::string::npos || colon + 1 >= token.size() || token.size() - colon > 4)
            return false;
        int length = 0;
        for (size_t i = colon + 1; i < token.size(); ++i) {
            if (token[i] < '0' || token[i] > '9')
                return false;
            length = length * 10 + (token[i] - '0');
        }
        if (length <= 0)
            return false;
        std::string name = token.substr(0, colon);
        int midi = name == "r" ? REST : parseNoteName(name);
        if (name != "r" && midi < 0)
            return false;
        parsed.push_back({row, length, midi});
        row += length;
    }
    *events = std::move(parsed);
    return true;
}

std::vector<NoteEvent> phrase(const std::string& text)
{
    std::vector<NoteEvent> events;
    if (!parsePhrase(text, &events))
        dieOn("phrase", text);
    return events;
}

bool parseChord(const std::string& name, Chord* chord)
{
    size_t used = 0;
    int root = parsePitchClass(name, &used);
    if (root < 0)
        return false;
    std::string suffix = name.substr(used);
    for (const Quality& quality : QUALITIES) {
        if (suffix == quality.suffix) {
            *chord = {root, quality.intervals};
            return true;
        }
    }
    return false;
}

Chord chord(const std::string& name)
{
    Chord parsed;
    if (!parseChord(name, &parsed))
        dieOn("chord", name);
    return parsed;
}

int rootAtOrAbove(const Chord& chord, int lowest)
{
    int midi = lowest - ((lowest % 12) + 12) % 12 + chord.root;
    return midi < lowest ? midi + 12 : midi;
}

std::vector<int> voicing(const Chord& chord, int lowest, int count)
{
    std::vector<int> tones;
    int base = rootAtOrAbove(chord, lowest) - 12;
    for (int octave = 0; int(tones.size()) < count && octave < 10; ++octave) {
        for (int interval : chord.intervals) {
            int midi = base + octave * 12 + interval;
            bool fresh = tones.empty() || midi > tones.back();
            if (midi >= lowest && fresh && int(tones.size()) < count)
                tones.push_back(midi);
        }
    }
    return tones;
}

}  // namespace compose
