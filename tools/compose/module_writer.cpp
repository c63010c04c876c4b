#include "tools/compose/module_writer.h"

#include <algorithm>
#include <cmath>

namespace compose {
namespace {

// ProTracker periods for finetune 0, C-1 to B-3.
constexpr uint16_t PERIODS[36] = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, 428, 404, 381, 360, 340, 320,
    302, 285, 269, 254, 240, 226, 214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113,
};
constexpr int MOD_SAMPLE_SLOTS = 31;
constexpr int MOD_MAX_FRAMES = 131070;  // lengths are stored in 16-bit words
constexpr int XM_MAX_ENVELOPE_POINTS = 12;

void put8(std::vector<uint8_t>& out, int value) { out.push_back(uint8_t(value)); }

void put16be(std::vector<uint8_t>& out, int value)
{
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

void put16le(std::vector<uint8_t>& out, int value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32le(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

void putText(std::vector<uint8_t>& out, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? uint8_t(text[i]) : 0);
}

int toInt8(float x) { return int(std::lround(std::clamp(x, -1.0f, 1.0f) * 127.0f)); }
int toInt16(float x) { return int(std::lround(std::clamp(x, -1.0f, 1.0f) * 32767.0f)); }

int patternCountFor(const Song& song)
{
    int highest = -1;
    for (int order : song.orders)
        highest = std::max(highest, order);
    return highest + 1;
}

bool fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

// Checks what both formats need: orders that name existing patterns and cells
// whose instruments exist.
bool checkCommon(const Song& song, std::string* error)
{
    if (song.orders.empty())
        return fail(error, "song has no orders");
    for (int order : song.orders)
        if (order < 0 || order >= int(song.patterns.size()))
            return fail(error, "order names a missing pattern");
    for (const Pattern& pattern : song.patterns) {
        if (pattern.channels != song.channels || pattern.cells.size() != size_t(pattern.rows * pattern.channels))
            return fail(error, "pattern does not match the song's channel count");
        for (const Cell& cell : pattern.cells)
            if (cell.instrument > song.instruments.size())
                return fail(error, "cell names a missing instrument");
    }
    return true;
}

// Walks the cells of one pattern in file order and tracks each channel's
// instrument, so a note without an instrument maps through the last one set in
// the same pattern (patterns may be played in any order, so nothing carries over).
template <typename Visit>
bool visitCells(const Song& song, const Pattern& pattern, Visit visit)
{
    std::vector<int> channelInstrument(size_t(pattern.channels), 0);
    for (int row = 0; row < pattern.rows; ++row) {
        for (int ch = 0; ch < pattern.channels; ++ch) {
            const Cell& cell = cellAt(pattern, row, ch);
            if (cell.instrument)
                channelInstrument[ch] = cell.instrument;
            const Sample* sample =
                channelInstrument[ch] ? &song.instruments[channelInstrument[ch] - 1].sample : nullptr;
            if (!visit(cell, sample))
                return false;
        }
    }
    return true;
}

bool writeModSampleHeader(const Sample* sample, std::vector<uint8_t>& out, std::string* error)
{
    if (!sample) {
        putText(out, "", 22);
        put16be(out, 0);
        put8(out, 0);
        put8(out, 0);
        put16be(out, 0);
        put16be(out, 1);
        return true;
    }
    int frames = int(sample->data.size());
    if (frames > MOD_MAX_FRAMES)
        return fail(error, "sample too long for a MOD: " + sample->name);
    if (sample->loopLength &&
        (sample->loopStart < 0 || sample->loopStart + sample->loopLength > frames || sample->loopStart % 2 ||
         sample->loopLength % 2))
        return fail(error, "MOD loops need even bounds inside the sample: " + sample->name);
    putText(out, sample->name, 22);
    put16be(out, (frames + 1) / 2);
    put8(out, 0);
    put8(out, std::clamp(sample->volume, 0, 64));
    put16be(out, sample->loopLength ? sample->loopStart / 2 : 0);
    put16be(out, sample->loopLength ? sample->loopLength / 2 : 1);
    return true;
}

bool writeModCell(const Cell& cell, const Sample* sample, std::vector<uint8_t>& out, std::string* error)
{
    int period = 0;
    int effect = cell.effect;
    int param = cell.param;
    if (cell.note != NOTE_NONE && cell.note != NOTE_OFF) {
        if (!sample)
            return fail(error, "note before any instrument");
        int index = cell.note - sample->rootMidi + 12;
        if (index < 0 || index >= 36)
            return fail(error, "note outside ProTracker's range for " + sample->name);
        period = PERIODS[index];
    }
    int volume = cell.note == NOTE_OFF ? 0 : cell.volume;
    if (volume != VOLUME_NONE) {
        if (effect || param)
            return fail(error, "a MOD cell cannot hold a volume and an effect");
        effect = FX_SET_VOLUME;
        param = std::clamp(volume, 0, 64);
    }
    if (effect > 0xF)
        return fail(error, "effect not available in a MOD");
    put8(out, (cell.instrument & 0xF0) | (period >> 8));
    put8(out, period & 0xFF);
    put8(out, ((cell.instrument & 0x0F) << 4) | effect);
    put8(out, param);
    return true;
}

void putEnvelope(std::vector<uint8_t>& out, const Envelope& envelope)
{
    for (int i = 0; i < XM_MAX_ENVELOPE_POINTS; ++i) {
        bool used = i < int(envelope.points.size());
        put16le(out, used ? envelope.points[i].tick : 0);
        put16le(out, used ? envelope.points[i].value : 0);
    }
}

int envelopeFlags(const Envelope& envelope)
{
    if (envelope.points.empty())
        return 0;
    return 1 | (envelope.sustainPoint >= 0 ? 2 : 0) | (envelope.loopStart >= 0 ? 4 : 0);
}

bool checkEnvelope(const Envelope& envelope, std::string* error)
{
    if (envelope.points.size() > XM_MAX_ENVELOPE_POINTS)
        return fail(error, "envelope has more than 12 points");
    for (size_t i = 1; i < envelope.points.size(); ++i)
        if (envelope.points[i].tick <= envelope.points[i - 1].tick)
            return fail(error, "envelope ticks must rise");
    return true;
}

void writeXmInstrument(const Instrument& instrument, std::vector<uint8_t>& out)
{
    const Sample& sample = instrument.sample;
    const int bytesPerFrame = sample.sixteenBit ? 2 : 1;
    put32le(out, 263);
    putText(out, instrument.name, 22);
    put8(out, 0);
    put16le(out, 1);
    put32le(out, 40);
    for (int i = 0; i < 96; ++i)
        put8(out, 0);
    putEnvelope(out, instrument.volumeEnvelope);
    putEnvelope(out, instrument.panningEnvelope);
    for (const Envelope* envelope : {&instrument.volumeEnvelope, &instrument.panningEnvelope})
        put8(out, int(envelope->points.size()));
    for (const Envelope* envelope : {&instrument.volumeEnvelope, &instrument.panningEnvelope}) {
        put8(out, std::max(envelope->sustainPoint, 0));
        put8(out, std::max(envelope->loopStart, 0));
        put8(out, std::max(envelope->loopEnd, 0));
    }
    put8(out, envelopeFlags(instrument.volumeEnvelope));
    put8(out, envelopeFlags(instrument.panningEnvelope));
    put8(out, instrument.vibratoType);
    put8(out, instrument.vibratoSweep);
    put8(out, instrument.vibratoDepth);
    put8(out, instrument.vibratoRate);
    put16le(out, instrument.fadeout);
    for (int i = 0; i < 22; ++i)
        put8(out, 0);

    put32le(out, uint32_t(sample.data.size() * bytesPerFrame));
    put32le(out, uint32_t(sample.loopLength ? sample.loopStart * bytesPerFrame : 0));
    put32le(out, uint32_t(sample.loopLength * bytesPerFrame));
    put8(out, std::clamp(sample.volume, 0, 64));
    put8(out, std::clamp(sample.finetune, -128, 127));
    put8(out, (sample.loopLength ? 1 : 0) | (sample.sixteenBit ? 0x10 : 0));
    put8(out, std::clamp(sample.panning, 0, 255));
    put8(out, sample.relativeNote);
    put8(out, 0);
    putText(out, sample.name, 22);

    int previous = 0;
    for (float x : sample.data) {
        int value = sample.sixteenBit ? toInt16(x) : toInt8(x);
        if (sample.sixteenBit)
            put16le(out, value - previous);
        else
            put8(out, value - previous);
        previous = value;
    }
}

// FT2's packed cell: a flag byte naming the fields that follow, or all five
// fields when every one is present.
bool writeXmCell(const Cell& cell, const Sample* sample, std::vector<uint8_t>& out, std::string* error)
{
    int note = 0;
    if (cell.note == NOTE_OFF) {
        note = 97;
    } else if (cell.note != NOTE_NONE) {
        if (!sample)
            return fail(error, "note before any instrument");
        note = cell.note - sample->rootMidi + 49;
        if (note < 1 || note > 96)
            return fail(error, "note outside FT2's range for " + sample->name);
    }
    int volume = cell.volume == VOLUME_NONE ? 0 : 0x10 + std::clamp(cell.volume, 0, 64);
    if (cell.effect > 35)
        return fail(error, "effect not available in an XM");
    int fields[5] = {note, cell.instrument, volume, cell.effect, cell.param};
    int flags = 0;
    for (int i = 0; i < 5; ++i)
        if (fields[i])
            flags |= 1 << i;
    if (flags == 0x1F) {
        for (int field : fields)
            put8(out, field);
        return true;
    }
    put8(out, 0x80 | flags);
    for (int i = 0; i < 5; ++i)
        if (fields[i])
            put8(out, fields[i]);
    return true;
}

}  // namespace

bool writeMod(const Song& song, std::vector<uint8_t>* out, std::string* error)
{
    if (song.channels != 4)
        return fail(error, "a MOD has 4 channels");
    if (song.speed != 6 || song.tempo != 125)
        return fail(error, "a MOD starts at speed 6 and 125 BPM; other values need effects in the patterns");
    if (song.instruments.size() > MOD_SAMPLE_SLOTS)
        return fail(error, "a MOD has at most 31 samples");
    if (song.orders.size() > 128)
        return fail(error, "a MOD has at most 128 orders");
    if (!checkCommon(song, error))
        return false;
    const int patternCount = patternCountFor(song);
    if (patternCount > 64)
        return fail(error, "a MOD has at most 64 patterns");

    std::vector<uint8_t> bytes;
    putText(bytes, song.title, 20);
    for (int i = 0; i < MOD_SAMPLE_SLOTS; ++i) {
        const Sample* sample = i < int(song.instruments.size()) ? &song.instruments[i].sample : nullptr;
        if (!writeModSampleHeader(sample, bytes, error))
            return false;
    }
    put8(bytes, int(song.orders.size()));
    put8(bytes, 0x7F);
    for (int i = 0; i < 128; ++i)
        put8(bytes, i < int(song.orders.size()) ? song.orders[i] : 0);
    putText(bytes, "M.K.", 4);

    for (int p = 0; p < patternCount; ++p) {
        const Pattern& pattern = song.patterns[p];
        if (pattern.rows != 64)
            return fail(error, "MOD patterns have 64 rows");
        bool ok = visitCells(song, pattern, [&](const Cell& cell, const Sample* sample) {
            return writeModCell(cell, sample, bytes, error);
        });
        if (!ok)
            return false;
    }
    for (const Instrument& instrument : song.instruments) {
        for (float x : instrument.sample.data)
            put8(bytes, toInt8(x));
        if (instrument.sample.data.size() % 2)
            put8(bytes, 0);
    }
    *out = std::move(bytes);
    return true;
}

void setXmRate(Sample& sample, double rate)
{
    constexpr double C4_RATE = 8363.0;
    double semitones = 12.0 * std::log2(rate / C4_RATE);
    sample.relativeNote = int(std::lround(semitones));
    sample.finetune = std::clamp(int(std::lround((semitones - sample.relativeNote) * 128.0)), -128, 127);
}

bool writeXm(const Song& song, std::vector<uint8_t>* out, std::string* error)
{
    if (song.channels < 1 || song.channels > 32)
        return fail(error, "an XM has 1 to 32 channels");
    if (song.orders.size() > 256)
        return fail(error, "an XM has at most 256 orders");
    if (song.instruments.size() > 128)
        return fail(error, "an XM has at most 128 instruments");
    if (!checkCommon(song, error))
        return false;
    const int patternCount = patternCountFor(song);

    std::vector<uint8_t> bytes;
    putText(bytes, "Extended Module: ", 17);
    putText(bytes, song.title, 20);
    put8(bytes, 0x1A);
    putText(bytes, "Quorvatelle compose", 20);
    put16le(bytes, 0x0104);
    put32le(bytes, 276);
    put16le(bytes, int(song.orders.size()));
    put16le(bytes, 0);
    put16le(bytes, song.channels);
    put16le(bytes, patternCount);
    put16le(bytes, int(song.instruments.size()));
    put16le(bytes, 1);
    put16le(bytes, song.speed);
    put16le(bytes, song.tempo);
    for (int i = 0; i < 256; ++i)
        put8(bytes, i < int(song.orders.size()) ? song.orders[i] : 0);

    for (int p = 0; p < patternCount; ++p) {
        const Pattern& pattern = song.patterns[p];
        if (pattern.rows < 1 || pattern.rows > 256)
            return fail(error, "XM patterns have 1 to 256 rows");
        std::vector<uint8_t> packed;
        bool ok = visitCells(song, pattern, [&](const Cell& cell, const Sample* sample) {
            return writeXmCell(cell, sample, packed, error);
        });
        if (!ok)
            return false;
        if (packed.size() > 0xFFFF)
            return fail(error, "XM pattern data too large");
        put32le(bytes, 9);
        put8(bytes, 0);
        put16le(bytes, pattern.rows);
        put16le(bytes, int(packed.size()));
        bytes.insert(bytes.end(), packed.begin(), packed.end());
    }
    for (const Instrument& instrument : song.instruments) {
        const Sample& sample = instrument.sample;
        if (!checkEnvelope(instrument.volumeEnvelope, error) || !checkEnvelope(instrument.panningEnvelope, error))
            return false;
        if (sample.loopLength &&
            (sample.loopStart < 0 || sample.loopStart + sample.loopLength > int(sample.data.size())))
            return fail(error, "sample loop outside the sample: " + sample.name);
        writeXmInstrument(instrument, bytes);
    }
    *out = std::move(bytes);
    return true;
}

}  // namespace compose
