// "Afterglow Drive": the disk's sampled piece, synthwave in F minor at 100 BPM,
// rendered by a small synthesizer of its own: detuned saw pads, a filtered
// pluck arpeggio through a ping-pong delay, a sidechained bass, a gliding lead,
// synthesized drums and a plate-like reverb. Form: intro, A, B, break, A',
// outro.
//
// Sections: voices (oscillators, envelope, pad, arpeggio, bass, lead, drums);
// effects (delay, reverb, sidechain ducking); the score (sections, phrases,
// grooves); rendering and mastering.
#include <algorithm>
#include <cmath>

#include "tools/compose/notation.h"
#include "tools/compose/song_drive.h"
#include "tools/compose/wave.h"

namespace compose {
namespace {

constexpr double BPM = 100;
constexpr double STEP = 60.0 / BPM / 4;  // one sixteenth note
constexpr int STEPS_PER_BAR = 16;
constexpr double BAR = STEP * STEPS_PER_BAR;
constexpr double TAIL = 3.0;  // reverb and delay ring-out after the last bar

enum class Part { PAD, ARP, BASS, LEAD, LEAD_LOW, KICK, SNARE, CLAP, HAT, OPEN_HAT, CRASH };

struct Note {
    Part part;
    double start;   // seconds
    double length;  // seconds
    int midi;
    float velocity;
    float brightness;  // 0..1, opens the filters of pads and arpeggio
};

// Buses: a stereo dry mix and mono sends into the delay and the reverb.
struct Mix {
    std::vector<float> left, right, delaySend, reverbSend;
    std::vector<float> duck;  // gain per frame that ducks pads and bass under the kick
};

// ---- Voices ---------------------------------------------------------------------

double midiHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

double polyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double sawAt(double phase, double dt) { return 2.0 * phase - 1.0 - polyBlep(phase, dt); }

double squareAt(double phase, double dt)
{
    double shifted = std::fmod(phase + 0.5, 1.0);
    return (phase < 0.5 ? 1.0 : -1.0) + polyBlep(phase, dt) - polyBlep(shifted, dt);
}

// Attack, decay to sustain, hold until `length`, then release.
double adsr(double t, double length, double attack, double decay, double sustain, double release)
{
    double level;
    if (t < attack) {
        level = t / attack;
    } else if (t < attack + decay) {
        level = 1.0 - (1.0 - sustain) * (t - attack) / decay;
    } else {
        level = sustain;
    }
    if (t > length)
        level *= std::max(0.0, 1.0 - (t - length) / release);
    return level;
}

void panGains(float pan, float* left, float* right)
{
    double angle = (double(pan) + 1.0) * PI / 4.0;
    *left = float(std::cos(angle) * std::sqrt(2.0));
    *right = float(std::sin(angle) * std::sqrt(2.0));
}

struct Sends {
    float delay = 0;
    float reverb = 0;
};

void addFrame(Mix& mix, size_t frame, float value, float pan, Sends sends)
{
    if (frame >= mix.left.size())
        return;
    float left, right;
    panGains(pan, &left, &right);
    mix.left[frame] += value * left;
    mix.right[frame] += value * right;
    mix.delaySend[frame] += value * sends.delay;
    mix.reverbSend[frame] += value * sends.reverb;
}

// Three detuned saws per voice, spread in stereo, through a slowly breathing
// low-pass filter.
void renderPad(Mix& mix, const Note& note)
{
    const double release = 0.7;
    const size_t first = size_t(note.start * STREAM_RATE);
    const size_t frames = size_t((note.length + release) * STREAM_RATE);
    const double detune[3] = {-0.09, 0.0, 0.11};
    const float pans[3] = {-0.6f, 0.0f, 0.6f};
    double phases[3] = {0.13, 0.47, 0.81};
    Svf filters[3];
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / STREAM_RATE;
        double amp = adsr(t, note.length, 0.35, 0.5, 0.8, release) * note.velocity *
            mix.duck[std::min(first + i, mix.duck.size() - 1)];
        double wobble = 0.5 + 0.5 * std::sin(2.0 * PI * 0.25 * (note.start + t));
        float cutoff = float(500.0 + (900.0 + 500.0 * wobble) * note.brightness);
        for (int v = 0; v < 3; ++v) {
            double dt = midiHz(note.midi + detune[v]) / STREAM_RATE;
            phases[v] = std::fmod(phases[v] + dt, 1.0);
            float x = float(sawAt(phases[v], dt));
            float y = svfStep(filters[v], x, cutoff, 0.7f, float(STREAM_RATE)).low;
            addFrame(mix, first + i, float(amp) * y * 0.33f, pans[v], {0.0f, 0.35f});
        }
    }
}

// A saw-and-square pluck whose filter snaps shut; panned by pitch.
void renderArp(Mix& mix, const Note& note)
{
    const size_t first = size_t(note.start * STREAM_RATE);
    const size_t frames = size_t(0.35 * STREAM_RATE);
    const double dt = midiHz(note.midi) / STREAM_RATE;
    double phase = 0;
    Svf filter;
    const float pan = float((note.midi % 12) - 6) / 12.0f;
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / STREAM_RATE;
        phase = std::fmod(phase + dt, 1.0);
        double x = 0.6 * sawAt(phase, dt) + 0.4 * squareAt(phase, dt);
        float cutoff = float(300.0 + 4200.0 * note.brightness * std::exp(-t / 0.07));
        float y = svfStep(filter, float(x), cutoff, 1.6f, float(STREAM_RATE)).low;
        double amp = note.velocity * std::min(1.0, t / 0.002) * std::exp(-t / 0.11) *
            mix.duck[std::min(first + i, mix.duck.size() - 1)];
        addFrame(mix, first + i, float(amp) * y, pan, {0.45f, 0.15f});
    }
}

// Sine sub an octave down under a filtered saw; ducked by the kick.
void renderBass(Mix& mix, const Note& note)
{
    const size_t first = size_t(note.start * STREAM_RATE);
    const double release = 0.03;
    const size_t frames = size_t((note.length + release) * STREAM_RATE);
    const double dt = midiHz(note.midi) / STREAM_RATE;
    double phase = 0;
    Svf filter;
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / STREAM_RATE;
        phase = std::fmod(phase + dt, 1.0);
        double sub = std::sin(2.0 * PI * phase);
        float cutoff = float(220.0 + 900.0 * std::exp(-t / 0.06));
        float edge = svfStep(filter, float(sawAt(phase, dt)), cutoff, 0.9f, float(STREAM_RATE)).low;
        double amp = adsr(t, note.length, 0.004, 0.12, 0.75, release) * note.velocity *
            mix.duck[std::min(first + i, mix.duck.size() - 1)];
        addFrame(mix, first + i, float(amp * (0.6 * sub + 0.45 * edge)), 0.0f, {});
    }
}

// Two detuned pulses with a delayed vibrato, gliding from the previous note
// when the two touch.
void renderLead(Mix& mix, const Note& note, int previousMidi, double octaveShift, float pan, Sends sends)
{
    const size_t first = size_t(note.start * STREAM_RATE);
    const double release = 0.12;
    const size_t frames = size_t((note.length + release) * STREAM_RATE);
    double phases[2] = {0.0, 0.5};
    Svf filter;
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / STREAM_RATE;
        double glide = previousMidi > 0 ? (previousMidi - note.midi) * std::exp(-t / 0.025) : 0.0;
        double vibrato = 0.18 * std::min(1.0, std::max(0.0, (t - 0.25) / 0.3)) * std::sin(2.0 * PI * 5.2 * t);
        double pitch = note.midi + octaveShift + glide + vibrato;
        double x = 0;
        for (int v = 0; v < 2; ++v) {
            double dt = midiHz(pitch + (v ? 0.07 : -0.07)) / STREAM_RATE;
            phases[v] = std::fmod(phases[v] + dt, 1.0);
            x += 0.5 * (0.55 * squareAt(phases[v], dt) + 0.45 * sawAt(phases[v], dt));
        }
        float y = svfStep(filter, float(x), 2600.0f, 0.8f, float(STREAM_RATE)).low;
        double amp = 1.4 * adsr(t, note.length, 0.012, 0.2, 0.8, release) * note.velocity;
        addFrame(mix, first + i, float(amp) * y, pan, sends);
    }
}

struct DrumKit {
    std::vector<float> kick, snare, clap, hat, openHat, crash;
};

DrumKit makeKit()
{
    DrumKit kit;
    kit.kick = renderKick(STREAM_RATE, 0.45, 150, 44);
    kit.snare = renderSnare(STREAM_RATE, 0.25, 0xD5A1);
    kit.clap = renderClap(STREAM_RATE, 0xC1A7);
    kit.hat = renderHat(STREAM_RATE, 0.05, 0x0417);
    kit.openHat = renderHat(STREAM_RATE, 0.3, 0x0714);
    kit.crash = renderCrash(STREAM_RATE, 2.2, 0xC7A5);
    return kit;
}

void renderHit(Mix& mix, const Note& note, const std::vector<float>& sample, float gain, float pan, Sends sends)
{
    const size_t first = size_t(note.start * STREAM_RATE);
    for (size_t i = 0; i < sample.size(); ++i)
        addFrame(mix, first + i, sample[i] * gain * note.velocity, pan, sends);
}

// Mono-in, stereo-out ping-pong echo with a darkening feedback path.
// ---- Effects --------------------------------------------------------------------

void applyDelay(Mix& mix, double seconds, float feedback)
{
    const size_t length = size_t(seconds * STREAM_RATE);
    std::vector<float> lineLeft(length, 0.0f), lineRight(length, 0.0f);
    float toneLeft = 0, toneRight = 0;
    for (size_t i = 0, at = 0; i < mix.left.size(); ++i, at = (at + 1) % length) {
        float outLeft = lineLeft[at], outRight = lineRight[at];
        toneLeft += 0.35f * (outRight - toneLeft);
        toneRight += 0.35f * (outLeft - toneRight);
        lineLeft[at] = mix.delaySend[i] + feedback * toneLeft;
        lineRight[at] = feedback * toneRight;
        mix.left[i] += 0.5f * outLeft;
        mix.right[i] += 0.5f * outRight;
        mix.reverbSend[i] += 0.2f * (outLeft + outRight);
    }
}

// Freeverb's topology: eight damped combs and four all-passes per side, the
// right side's delays a little longer for width.
void applyReverb(Mix& mix, float wet)
{
    static const int COMBS[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const int ALLPASSES[4] = {556, 441, 341, 225};
    const int spread[2] = {0, 23};
    const float room = 0.84f, damp = 0.3f;
    for (int side = 0; side < 2; ++side) {
        std::vector<std::vector<float>> combs, allpasses;
        std::vector<float> combLow(8, 0.0f);
        for (int length : COMBS)
            combs.emplace_back(size_t(length + spread[side]), 0.0f);
        for (int length : ALLPASSES)
            allpasses.emplace_back(size_t(length + spread[side]), 0.0f);
        std::vector<size_t> combAt(8, 0), allpassAt(4, 0);
        std::vector<float>& out = side ? mix.right : mix.left;
        for (size_t i = 0; i < out.size(); ++i) {
            float input = mix.reverbSend[i] * 0.03f;
            float sum = 0;
            for (int c = 0; c < 8; ++c) {
                float y = combs[size_t(c)][combAt[size_t(c)]];
                combLow[size_t(c)] = y * (1 - damp) + combLow[size_t(c)] * damp;
                combs[size_t(c)][combAt[size_t(c)]] = input + combLow[size_t(c)] * room;
                combAt[size_t(c)] = (combAt[size_t(c)] + 1) % combs[size_t(c)].size();
                sum += y;
            }
            for (int a = 0; a < 4; ++a) {
                std::vector<float>& line = allpasses[size_t(a)];
                float buffered = line[allpassAt[size_t(a)]];
                line[allpassAt[size_t(a)]] = sum + buffered * 0.5f;
                allpassAt[size_t(a)] = (allpassAt[size_t(a)] + 1) % line.size();
                sum = buffered - sum;
            }
            out[i] += wet * sum;
        }
    }
}

// Kick-triggered gain curve: down to 45% at each kick, back within ~200 ms.
std::vector<float> duckCurve(const std::vector<Note>& notes, size_t frames)
{
    std::vector<float> duck(frames, 1.0f);
    for (const Note& note : notes) {
        if (note.part != Part::KICK)
            continue;
        size_t first = size_t(note.start * STREAM_RATE);
        for (size_t i = 0; i < size_t(0.3 * STREAM_RATE) && first + i < frames; ++i) {
            double t = double(i) / STREAM_RATE;
            double attack = std::min(1.0, t / 0.004);
            duck[first + i] = std::min(duck[first + i], float(1.0 - 0.55 * attack * std::exp(-t / 0.07)));
        }
    }
    return duck;
}

// --- the score ---

// ---- The score ------------------------------------------------------------------

struct DriveSection {
    const char* chords[4];
    const char* lead[4];      // nullptr: the lead rests
    bool leadOctave = false;  // double the lead an octave below
    bool pads = true;
    double finalHold = 0;  // seconds the last bar's pads and lead ring on past the bar
    const char* arp = nullptr;
    float arpBrightness[2] = {1.0f, 1.0f};  // filter at the first and last bar
    const char* bass[4] = {};
    const char* kick[4] = {};
    const char* snare[4] = {};
    const char* hats[4] = {};
};

const char* const PROG_A1[4] = {"Fm", "Db", "Bbm", "C"};
const char* const PROG_A2[4] = {"Fm", "Db", "Eb", "C"};
const char* const PROG_B1[4] = {"Db", "Eb", "Cm", "Fm"};
const char* const PROG_B2[4] = {"Bbm", "Eb", "Ab", "C"};

const char* const THEME_1[4] = {
    "C5:4 Ab4:2 F4:2 G4:2 Ab4:2 C5:4",
    "Db5:6 C5:2 Ab4:4 F4:4",
    "F4:2 Bb4:2 Db5:4 C5:2 Bb4:2 Db5:4",
    "E5:6 G5:2 E5:4 C5:4",
};
const char* const THEME_2[4] = {
    "C5:4 Ab4:2 F4:2 G4:2 Ab4:2 C5:4",
    "F5:6 Eb5:2 Db5:4 C5:4",
    "Bb4:4 Eb5:4 G5:4 F5:2 Eb5:2",
    "E5:8 D5:2 E5:2 G5:4",
};
const char* const BRIDGE_1[4] = {
    "Ab5:8 F5:4 Db5:4",
    "G5:8 Eb5:4 Bb4:4",
    "G5:6 F5:2 Eb5:4 C5:4",
    "C5:4 F5:4 Ab5:8",
};
const char* const BRIDGE_2[4] = {
    "Db6:8 C6:4 Bb5:4",
    "Bb5:8 G5:4 Eb5:4",
    "C6:6 Bb5:2 Ab5:4 Eb5:4",
    "E5:4 G5:4 C6:8",
};

const char* const ARP_UP = "0123012301230123";
const char* const ARP_WAVE = "0123432101234321";
const char* const BASS_PULSE = "R.R.R.R.R.R.O.R.";
const char* const BASS_DRIVE = "RRRRRRROOORRRRRO";
const char* const BASS_LONG = "R...............";
const char* const FOUR = "K...K...K...K...";
const char* const BROKEN = "K.....K.K...K...";
const char* const BACKBEAT = "....S.......S...";
const char* const CLAPBEAT = "....C.......C...";
const char* const HATS_8 = "h.H.h.H.h.H.h.H.";
const char* const HATS_16 = "hhHhhhHhhhHhhhHO";

void addPhrase(std::vector<Note>& notes, Part part, double barStart, const char* text, float velocity)
{
    for (const NoteEvent& event : phrase(text)) {
        if (event.midi == REST)
            continue;
        notes.push_back({part, barStart + event.row * STEP, event.length * STEP, event.midi, velocity, 1.0f});
    }
}

void addHits(std::vector<Note>& notes, double barStart, const char* hits)
{
    for (int i = 0; hits && i < STEPS_PER_BAR && hits[i]; ++i) {
        double at = barStart + i * STEP;
        switch (hits[i]) {
        case 'K': notes.push_back({Part::KICK, at, STEP, 0, 1.0f, 1}); break;
        case 'S': notes.push_back({Part::SNARE, at, STEP, 0, 1.0f, 1}); break;
        case 's': notes.push_back({Part::SNARE, at, STEP, 0, 0.45f, 1}); break;
        case 'C': notes.push_back({Part::CLAP, at, STEP, 0, 1.0f, 1}); break;
        case 'h': notes.push_back({Part::HAT, at, STEP, 0, 0.55f, 1}); break;
        case 'H': notes.push_back({Part::HAT, at, STEP, 0, 1.0f, 1}); break;
        case 'O': notes.push_back({Part::OPEN_HAT, at, STEP, 0, 0.8f, 1}); break;
        case 'X': notes.push_back({Part::CRASH, at, STEP, 0, 1.0f, 1}); break;
        default: break;
        }
    }
}

// R root, O octave, F fifth; a note lasts until the next one (or the bar's end).
void addBass(std::vector<Note>& notes, double barStart, const char* rhythm, const Chord& harmony)
{
    int root = rootAtOrAbove(harmony, 29);
    for (int i = 0; i < STEPS_PER_BAR && rhythm[i]; ++i) {
        int offset = rhythm[i] == 'R' ? 0 : rhythm[i] == 'O' ? 12 : rhythm[i] == 'F' ? 7 : -1;
        if (offset < 0)
            continue;
        int next = i + 1;
        while (next < STEPS_PER_BAR && rhythm[next] == '.')
            ++next;
        double length = (next - i) * STEP * 0.85;
        notes.push_back({Part::BASS, barStart + i * STEP, length, root + offset, i % 4 == 0 ? 1.0f : 0.85f, 1});
    }
}

void addSection(std::vector<Note>& notes, double start, const DriveSection& section)
{
    for (int bar = 0; bar < 4; ++bar) {
        const double at = start + bar * BAR;
        const Chord harmony = chord(section.chords[bar]);
        const double hold = bar == 3 ? section.finalHold : 0.0;
        if (section.lead[bar]) {
            size_t first = notes.size();
            addPhrase(notes, Part::LEAD, at, section.lead[bar], 1.0f);
            if (section.leadOctave)
                addPhrase(notes, Part::LEAD_LOW, at, section.lead[bar], 0.5f);
            if (notes.size() > first)
                notes.back().length += hold;
        }
        if (section.pads) {
            for (int tone : voicing(harmony, 53, 4))
                notes.push_back({Part::PAD, at, BAR - 0.05 + hold, tone, 0.5f, 1});
        }
        if (section.arp) {
            float brightness =
                section.arpBrightness[0] + (section.arpBrightness[1] - section.arpBrightness[0]) * bar / 3.0f;
            std::vector<int> tones = voicing(harmony, 60, 5);
            for (int i = 0; i < STEPS_PER_BAR; ++i) {
                int index = section.arp[i] - '0';
                if (index < 0 || index > 4)
                    continue;
                notes.push_back(
                    {Part::ARP, at + i * STEP, STEP, tones[size_t(index)], i % 4 == 0 ? 0.5f : 0.36f, brightness});
            }
        }
        if (section.bass[bar])
            addBass(notes, at, section.bass[bar], harmony);
        addHits(notes, at, section.kick[bar]);
        addHits(notes, at, section.snare[bar]);
        addHits(notes, at, section.hats[bar]);
    }
}

void fill4(const char* (&parts)[4], const char* value)
{
    for (auto& part : parts)
        part = value;
}

DriveSection section(const char* const chords[4], const char* const lead[4])
{
    DriveSection s;
    for (int i = 0; i < 4; ++i) {
        s.chords[i] = chords[i];
        s.lead[i] = lead ? lead[i] : nullptr;
    }
    return s;
}

void setGroove(DriveSection& s, const char* arp, const char* bass, const char* kick, const char* snare,
               const char* hats)
{
    s.arp = arp;
    fill4(s.bass, bass);
    fill4(s.kick, kick);
    fill4(s.snare, snare);
    fill4(s.hats, hats);
}

// The whole piece as notes; returns its length in seconds (without the tail).
double driveScore(std::vector<Note>& notes)
{
    std::vector<DriveSection> sections;

    DriveSection intro = section(PROG_A1, nullptr);
    intro.arp = ARP_UP;
    intro.arpBrightness[0] = 0.05f;
    intro.arpBrightness[1] = 0.5f;
    intro.hats[3] = "..h...h...h.hhhh";
    sections.push_back(intro);

    DriveSection intro2 = section(PROG_A2, nullptr);
    setGroove(intro2, ARP_UP, BASS_PULSE, FOUR, nullptr, "..H...H...H...H.");
    intro2.arpBrightness[0] = 0.55f;
    intro2.snare[3] = "....S.......SsSS";
    sections.push_back(intro2);

    DriveSection a1 = section(PROG_A1, THEME_1);
    setGroove(a1, ARP_UP, BASS_PULSE, FOUR, BACKBEAT, HATS_8);
    a1.hats[0] = "X.H.h.H.h.H.h.H.";
    sections.push_back(a1);

    DriveSection a2 = section(PROG_A2, THEME_2);
    setGroove(a2, ARP_UP, BASS_PULSE, FOUR, BACKBEAT, HATS_8);
    a2.snare[3] = "....S.......S.ss";
    sections.push_back(a2);

    DriveSection b1 = section(PROG_B1, BRIDGE_1);
    setGroove(b1, ARP_WAVE, BASS_DRIVE, BROKEN, CLAPBEAT, HATS_16);
    b1.hats[0] = "XhHhhhHhhhHhhhHO";
    sections.push_back(b1);

    DriveSection b2 = section(PROG_B2, BRIDGE_2);
    setGroove(b2, ARP_WAVE, BASS_DRIVE, BROKEN, CLAPBEAT, HATS_16);
    b2.snare[3] = "....C.....ssSsSS";
    sections.push_back(b2);

    const char* const hush[4] = {"C5:16", "Db5:16", "F5:16", "E5:12 r:4"};
    DriveSection breakdown = section(PROG_A1, hush);
    breakdown.arp = ARP_WAVE;
    breakdown.arpBrightness[0] = 0.25f;
    breakdown.arpBrightness[1] = 0.8f;
    fill4(breakdown.bass, BASS_LONG);
    breakdown.kick[3] = "K...K...K...K.K.";
    breakdown.snare[3] = "........ssSsSSSS";
    breakdown.hats[2] = "..h...h...h...h.";
    breakdown.hats[3] = "..h...h...h.hhhh";
    sections.push_back(breakdown);

    DriveSection a1b = a1;
    a1b.leadOctave = true;
    a1b.hats[0] = "XhHhhhHhhhHhhhHh";
    fill4(a1b.bass, BASS_DRIVE);
    sections.push_back(a1b);

    DriveSection a2b = section(PROG_A2, THEME_2);
    setGroove(a2b, ARP_WAVE, BASS_DRIVE, FOUR, CLAPBEAT, HATS_16);
    a2b.leadOctave = true;
    a2b.lead[3] = "E5:4 G5:4 C6:8";
    a2b.snare[3] = "....C.....ssSsSS";
    sections.push_back(a2b);

    const char* const outroChords[4] = {"Fm", "Db", "C", "Fm"};
    const char* const farewell[4] = {"C5:4 Ab4:2 F4:2 G4:2 Ab4:2 C5:4", "Db5:6 C5:2 Ab4:8", "G4:4 C5:4 E5:8", "F5:16"};
    DriveSection outro = section(outroChords, farewell);
    setGroove(outro, ARP_UP, BASS_PULSE, FOUR, BACKBEAT, HATS_8);
    outro.hats[0] = "X.H.h.H.h.H.h.H.";
    outro.arpBrightness[1] = 0.1f;
    outro.finalHold = 1.3;
    outro.bass[3] = BASS_LONG;
    outro.kick[3] = "K...............";
    outro.snare[3] = nullptr;
    outro.hats[3] = "X...............";
    sections.push_back(outro);

    double at = 0;
    for (const DriveSection& s : sections) {
        addSection(notes, at, s);
        at += 4 * BAR;
    }
    std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.start < b.start; });
    return at;
}

// ---- Rendering ------------------------------------------------------------------

void renderNotes(Mix& mix, const std::vector<Note>& notes, const DrumKit& kit)
{
    int previousLead = -1;
    double previousLeadEnd = -1;
    for (const Note& note : notes) {
        switch (note.part) {
        case Part::PAD: renderPad(mix, note); break;
        case Part::ARP: renderArp(mix, note); break;
        case Part::BASS: renderBass(mix, note); break;
        case Part::LEAD: {
            bool legato = std::fabs(previousLeadEnd - note.start) < 1e-6;
            renderLead(mix, note, legato ? previousLead : -1, 0.0, 0.0f, {0.3f, 0.35f});
            previousLead = note.midi;
            previousLeadEnd = note.start + note.length;
            break;
        }
        case Part::LEAD_LOW: renderLead(mix, note, -1, -12.0, 0.25f, {0.0f, 0.3f}); break;
        case Part::KICK: renderHit(mix, note, kit.kick, 0.8f, 0.0f, {}); break;
        case Part::SNARE: renderHit(mix, note, kit.snare, 0.55f, 0.0f, {0.0f, 0.6f}); break;
        case Part::CLAP: renderHit(mix, note, kit.clap, 0.6f, 0.05f, {0.0f, 0.7f}); break;
        case Part::HAT: renderHit(mix, note, kit.hat, 0.22f, 0.3f, {}); break;
        case Part::OPEN_HAT: renderHit(mix, note, kit.openHat, 0.2f, 0.3f, {0.0f, 0.2f}); break;
        case Part::CRASH: renderHit(mix, note, kit.crash, 0.3f, -0.2f, {0.0f, 0.4f}); break;
        }
    }
}

// High-pass against DC, then the peak set to -1.4 dBFS so the encoder's ripple
// stays clear of full scale.
std::vector<float> master(const Mix& mix)
{
    std::vector<float> stereo(mix.left.size() * 2);
    float stateIn[2] = {0, 0}, stateOut[2] = {0, 0};
    for (size_t i = 0; i < mix.left.size(); ++i) {
        float channels[2] = {mix.left[i], mix.right[i]};
        for (int c = 0; c < 2; ++c) {
            float x = channels[c];
            float y = x - stateIn[c] + 0.9965f * stateOut[c];
            stateIn[c] = x;
            stateOut[c] = y;
            stereo[2 * i + size_t(c)] = y;
        }
    }
    scaleToPeak(stereo, 0.85f);
    return stereo;
}

}  // namespace

std::vector<float> renderDriveStream(bool tiny)
{
    std::vector<Note> notes;
    double seconds = driveScore(notes) + TAIL;
    if (tiny) {
        // Three seconds from the first A section (bar 8), shifted to the start.
        const double from = 8 * BAR, length = 3.0;
        std::vector<Note> cut;
        for (Note note : notes) {
            if (note.start < from || note.start >= from + length)
                continue;
            note.start -= from;
            cut.push_back(note);
        }
        notes = cut;
        seconds = length;
    }
    const size_t frames = size_t(seconds * STREAM_RATE);
    Mix mix;
    mix.left.assign(frames, 0.0f);
    mix.right.assign(frames, 0.0f);
    mix.delaySend.assign(frames, 0.0f);
    mix.reverbSend.assign(frames, 0.0f);
    mix.duck = duckCurve(notes, frames);
    renderNotes(mix, notes, makeKit());
    applyDelay(mix, 3 * STEP, 0.38f);
    applyReverb(mix, 1.0f);
    std::vector<float> stereo = master(mix);
    // Close on silence: the full piece's reverb tail, or the tiny cut mid-bar.
    const size_t fadeFrames = size_t((tiny ? 0.05 : 1.0) * STREAM_RATE);
    const size_t totalFrames = stereo.size() / 2;
    for (size_t i = 0; i < fadeFrames && i < totalFrames; ++i) {
        float gain = float(i) / float(fadeFrames);
        stereo[2 * (totalFrames - 1 - i)] *= gain;
        stereo[2 * (totalFrames - 1 - i) + 1] *= gain;
    }
    return stereo;
}

}  // namespace compose
