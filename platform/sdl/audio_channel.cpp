#include "platform/sdl/audio_channel.h"

#include "platform/audio.h"

#include <libopenmpt/libopenmpt.h>
#include <samplerate.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace audio_engine {

// A module's patterns and samples live in memory while it plays; anything larger
// than this is not a module worth holding.
constexpr uint64_t MAX_MODULE_BYTES = 32u << 20;

// libsamplerate accepts ratios up to 256; these rates keep far inside that.
constexpr int MIN_STREAM_RATE = 1000;
constexpr int MAX_STREAM_RATE = 768000;

// File frames read per refill of the resampler's input.
constexpr long INPUT_FRAMES = 2048;

static Channel* newChannel(ChannelKind kind, uint32_t flags)
{
    Channel* channel = new Channel();
    channel->kind = kind;
    channel->flags = flags;
    channel->rewound = true;
    return channel;
}

// Fills the ring before the channel is handed to the decoder thread, so the first
// play has sound at once. A file with nothing to play is refused here.
static Channel* prefill(Channel* channel)
{
    decodeAhead(channel, RING_BLOCKS);
    const DecodedBlock& first = channel->blocks[0];
    if (first.frames == 0 && first.last) {
        destroyChannel(channel);
        return nullptr;
    }
    return channel;
}

// ---- Modules ---------------------------------------------------------------

static bool readFilePart(const char* path, uint64_t offset, uint64_t length, std::vector<unsigned char>& data)
{
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    uint64_t size = uint64_t(info.st_size);
    if (offset >= size)
        return false;
    uint64_t available = size - offset;
    uint64_t wanted = length ? length : available;
    if (wanted > available || wanted > MAX_MODULE_BYTES)
        return false;

    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    data.resize(size_t(wanted));
    bool ok = fseeko(file, off_t(offset), SEEK_SET) == 0 && std::fread(data.data(), 1, data.size(), file) == data.size();
    std::fclose(file);
    return ok;
}

static Channel* createModuleChannel(const void* data, size_t size, uint32_t flags)
{
    // "fadeout" lets notes still sounding at the song's end die away briefly
    // instead of being cut; reads return 0 frames afterwards.
    const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "fadeout"}, {nullptr, nullptr}};
    int error = 0;
    openmpt_module* module = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent, nullptr,
                                                               openmpt_error_func_ignore, nullptr, &error, nullptr, ctls);
    if (!module)
        return nullptr;

    // FT2MOD: play MODs without the Amiga's resampler and its filter.
    openmpt_module_ctl_set_boolean(module, "render.resampler.emulate_amiga", (flags & audio::MUSIC_FT2MOD) ? 0 : 1);
    // Ramping at libopenmpt's default strength when asked for, none otherwise.
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH,
                                    (flags & audio::MUSIC_RAMP) ? -1 : 0);

    Channel* channel = newChannel(ChannelKind::Module, flags);
    channel->module = module;
    channel->bytesPerFrame = (flags & audio::SAMPLE_FLOAT) ? 8 : 4;
    double seconds = openmpt_module_get_duration_seconds(module);
    if (seconds > 0.0 && seconds < 1.0e7)
        channel->lengthFrames = uint64_t(seconds * MIX_RATE);
    return prefill(channel);
}

bool readModuleFile(const char* path, std::vector<unsigned char>& data) { return readFilePart(path, 0, 0, data); }

Channel* openModuleFile(const char* path, uint64_t offset, uint64_t length, uint32_t flags)
{
    std::vector<unsigned char> data;
    if (!readFilePart(path, offset, length, data))
        return nullptr;
    return createModuleChannel(data.data(), data.size(), flags);
}

void warmUpModuleLibrary()
{
    std::vector<unsigned char> mod(1084 + 1024, 0);  // header, then one pattern of 64 empty rows
    mod[950] = 1;                                     // one order
    mod[951] = 127;
    std::memcpy(&mod[1080], "M.K.", 4);
    int error = 0;
    if (openmpt_module* module = openmpt_module_create_from_memory2(mod.data(), mod.size(), openmpt_log_func_silent,
                                                                    nullptr, openmpt_error_func_ignore, nullptr,
                                                                    &error, nullptr, nullptr))
        openmpt_module_destroy(module);
}

Channel* openModuleMemory(const void* data, uint64_t length, uint32_t flags)
{
    if (!data || length == 0 || length > MAX_MODULE_BYTES)
        return nullptr;
    return createModuleChannel(data, size_t(length), flags);
}

static uint32_t renderModule(Channel* channel, float* out, uint32_t frames, bool* ended)
{
    uint32_t done = 0;
    while (done < frames) {
        size_t rendered;
        if (channel->flags & audio::SAMPLE_FLOAT) {
            rendered = openmpt_module_read_interleaved_float_stereo(channel->module, MIX_RATE, frames - done, out + done * 2);
        } else {
            int16_t shorts[BLOCK_FRAMES * 2];
            rendered = openmpt_module_read_interleaved_stereo(channel->module, MIX_RATE, frames - done, shorts);
            for (size_t i = 0; i < rendered * 2; i++)
                out[done * 2 + i] = shorts[i] * (1.0f / 32768.0f);
        }
        if (rendered == 0) {
            *ended = true;
            break;
        }
        done += uint32_t(rendered);
    }
    return done;
}

static bool seekModule(Channel* channel, uint64_t frame)
{
    // Order 0, row 0 resets the whole playing state (tempo, globals, every note),
    // which is what a fresh start from the top must sound like.
    if (frame == 0)
        openmpt_module_set_position_order_row(channel->module, 0, 0);
    else
        openmpt_module_set_position_seconds(channel->module, double(frame) / MIX_RATE);
    return true;
}

// ---- Streams ---------------------------------------------------------------

static void closeStream(StreamDecoder& stream)
{
    closeSampledFile(stream.file);
    if (stream.resampler)
        src_delete(stream.resampler);
    delete[] stream.input;
    delete[] stream.converted;
    stream = StreamDecoder{};
}

Channel* openStreamFile(const char* path, uint32_t flags)
{
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0)
        return nullptr;

    SampledFile file;
    if (!openSampledFile(file, path, !(flags & audio::SAMPLE_FLOAT)))
        return nullptr;
    if (file.channels < 1 || file.channels > 2 || file.rate < MIN_STREAM_RATE || file.rate > MAX_STREAM_RATE) {
        closeSampledFile(file);
        return nullptr;
    }

    Channel* channel = newChannel(ChannelKind::Stream, flags);
    StreamDecoder& stream = channel->stream;
    stream.file = file;
    channel->bytesPerFrame = uint32_t(file.channels) * ((flags & audio::SAMPLE_FLOAT) ? 4 : 2);
    channel->lengthFrames = file.frames;

    stream.converted = new float[BLOCK_FRAMES * file.channels];
    if (file.rate != MIX_RATE) {
        int error = 0;
        stream.resampler = src_new(SRC_SINC_MEDIUM_QUALITY, file.channels, &error);
        if (!stream.resampler) {
            destroyChannel(channel);
            return nullptr;
        }
        stream.ratio = double(MIX_RATE) / file.rate;
        stream.input = new float[INPUT_FRAMES * file.channels];
    }
    return prefill(channel);
}

// A float file can hold anything: not-a-number and infinities would turn the mix
// into a full-scale offset and the spectrum into NaN, so they become silence.
// Far out-of-range values are cut down too (a sum of two could overflow), with
// room left above full scale for files that are merely hot.
constexpr float MAX_FILE_SAMPLE = 8.0f;

static void sanitizeSamples(float* samples, long count)
{
    for (long i = 0; i < count; i++)
        samples[i] = std::isfinite(samples[i]) ? std::clamp(samples[i], -MAX_FILE_SAMPLE, MAX_FILE_SAMPLE) : 0.0f;
}

static long readFileFrames(Channel* channel, float* out, long frames)
{
    SampledFile& file = channel->stream.file;
    long got = readSampledFrames(file, out, frames);
        if (got > 0)
        sanitizeSamples(out, got * file.channels);
    return got;
}

// Produces up to `frames` frames at the mix rate in stream.converted; 0 at the end.
static long decodeStreamFrames(Channel* channel, long frames)
{
    StreamDecoder& stream = channel->stream;
    if (!stream.resampler)
        return readFileFrames(channel, stream.converted, frames);

    for (;;) {
        if (stream.inputOffset == stream.inputFrames && !stream.inputEnded) {
            long got = readFileFrames(channel, stream.input, INPUT_FRAMES);
            stream.inputFrames = got > 0 ? got : 0;
            stream.inputOffset = 0;
            stream.inputEnded = got <= 0;
        }
        SRC_DATA data{};
        data.data_in = stream.input + stream.inputOffset * stream.file.channels;
        data.input_frames = stream.inputFrames - stream.inputOffset;
        data.data_out = stream.converted;
        data.output_frames = frames;
        data.src_ratio = stream.ratio;
        data.end_of_input = stream.inputEnded ? 1 : 0;
        if (src_process(stream.resampler, &data) != 0)
            return 0;
        stream.inputOffset += data.input_frames_used;
        if (data.output_frames_gen > 0)
            return data.output_frames_gen;
        // Nothing came out: either the resampler wants more input, or all is flushed.
        if (stream.inputEnded && data.input_frames_used == 0)
            return 0;
    }
}

static uint32_t renderStream(Channel* channel, float* out, uint32_t frames, bool* ended)
{
    const StreamDecoder& stream = channel->stream;
    uint32_t done = 0;
    while (done < frames) {
        long got = decodeStreamFrames(channel, long(frames - done));
        if (got <= 0) {
            *ended = true;
            break;
        }
        float* dst = out + done * 2;
        if (stream.file.channels == 1) {
            for (long i = 0; i < got; i++)
                dst[i * 2] = dst[i * 2 + 1] = stream.converted[i];
        } else {
            std::memcpy(dst, stream.converted, size_t(got) * 2 * sizeof(float));
        }
        done += uint32_t(got);
    }
    return done;
}

static bool seekStream(Channel* channel, uint64_t frame)
{
    StreamDecoder& stream = channel->stream;
    if (stream.resampler)
        src_reset(stream.resampler);
    stream.inputFrames = stream.inputOffset = 0;
    stream.inputEnded = false;
    return seekSampledFile(stream.file, frame);
}

// ---- Both kinds -------------------------------------------------------------

void destroyChannel(Channel* channel)
{
    if (!channel)
        return;
    if (channel->module)
        openmpt_module_destroy(channel->module);
    closeStream(channel->stream);
    delete channel;
}

bool decodeAhead(Channel* channel, uint32_t maxBlocks)
{
    bool worked = false;
    uint32_t generation = channel->seekGeneration.load(std::memory_order_acquire);
    if (generation != channel->decodedGeneration) {
        uint64_t frame = channel->seekFrame.load(std::memory_order_relaxed);
        bool sought = channel->kind == ChannelKind::Module ? seekModule(channel, frame) : seekStream(channel, frame);
        channel->decodedGeneration = generation;
        channel->blocksSinceSeek = 0;
        channel->decoderAtEnd = false;
        // Past the end or unseekable: the channel ends where it was asked to go.
        channel->endPending = !sought;
        worked = true;
    }

    for (uint32_t i = 0; i < maxBlocks && !channel->decoderAtEnd; i++) {
        uint32_t written = channel->blocksWritten.load(std::memory_order_relaxed);
        uint32_t limit = channel->blocksSinceSeek < SEEK_RESERVE_BLOCKS ? RING_BLOCKS : RING_BLOCKS - SEEK_RESERVE_BLOCKS;
        if (written - channel->blocksRead.load(std::memory_order_acquire) >= limit)
            break;
        DecodedBlock& block = channel->blocks[written % RING_BLOCKS];
        bool ended = channel->endPending;
        if (ended)
            block.frames = 0;
        else if (channel->kind == ChannelKind::Module)
            block.frames = renderModule(channel, block.samples, BLOCK_FRAMES, &ended);
        else
            block.frames = renderStream(channel, block.samples, BLOCK_FRAMES, &ended);
        channel->endPending = false;
        block.generation = generation;
        block.last = ended;
        channel->decoderAtEnd = ended;
        channel->blocksSinceSeek++;
        channel->blocksWritten.store(written + 1, std::memory_order_release);
        if (channel->blocksSinceSeek == 1)
            channel->firstBlockGeneration.store(generation, std::memory_order_release);
        worked = true;
        // A newer request waits: serve it before decoding further ahead.
        if (channel->seekGeneration.load(std::memory_order_relaxed) != generation)
            break;
    }
    return worked;
}

uint64_t bytePositionToFrame(const Channel* channel, uint64_t bytes)
{
    return bytes / channel->bytesPerFrame;
}

void requestSeek(Channel* channel, uint64_t frame)
{
    channel->seekFrame.store(frame, std::memory_order_relaxed);
    channel->seekGeneration.fetch_add(1, std::memory_order_release);
}

int channelRate(const Channel* channel)
{
    return channel->kind == ChannelKind::Module ? MIX_RATE : channel->stream.file.rate;
}

uint64_t playedFrame(const Channel* channel)
{
    uint64_t start = channel->seekFrame.load(std::memory_order_relaxed);
    uint64_t mixed = channel->mixPosition.load(std::memory_order_acquire);
    // The mixer has not reached the latest position yet: that position it is.
    if (uint32_t(mixed >> 32) != channel->seekGeneration.load(std::memory_order_relaxed))
        return start;
    uint64_t played = uint64_t(uint32_t(mixed)) * uint64_t(channelRate(channel)) / MIX_RATE;
    uint64_t frame = start + played;
    return channel->lengthFrames && frame > channel->lengthFrames ? channel->lengthFrames : frame;
}

} // namespace audio_engine
