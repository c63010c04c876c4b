// audio_channel: one channel of the engine, a tracker module or a sampled stream.
//
// A channel owns its decoder (libopenmpt, or a sampled file reader of
// audio_sampled_file.h with libsamplerate) and a ring of decoded blocks of 44100
// Hz float stereo. The decoding side (the decoder thread, or the main thread while
// a file loads) keeps the ring full; the mixer on the audio thread only reads
// blocks, so it never touches a file or a decoder.
//
// Repositioning: the main thread stores the target frame, then bumps
// seekGeneration. The decoding side seeks, tags every block it writes with the
// generation it belongs to, and publishes the generation once its first block is
// in the ring; the mixer then moves to it, dropping blocks of older generations,
// and plays the old position until then. A play waits for that first block, so
// it is never heard late. Pausing
// and stopping need no decoder work at all: the mixer stops reading, and the ring
// still holds what comes next.
//
// The fields are grouped by the thread that writes them.
#pragma once
#include "platform/sdl/audio_sampled_file.h"

#include <atomic>
#include <cstdint>
#include <vector>

struct openmpt_module;
struct SRC_STATE_tag;

namespace audio_engine {

constexpr int MIX_RATE = 44100;
constexpr uint32_t BLOCK_FRAMES = 1024;
constexpr uint32_t RING_BLOCKS = 32;      // 0.74 s decoded ahead of the mixer
// Slots kept free in normal decoding: after a seek, the first blocks of the new
// position go there at once, while the ring is still full of the old position's
// blocks (which only the mixer may drop), so a restart has no gap.
constexpr uint32_t SEEK_RESERVE_BLOCKS = 4;
constexpr uint32_t HISTORY_FRAMES = 8192; // power of two; several device buffers plus an FFT window

struct DecodedBlock {
    float samples[BLOCK_FRAMES * 2];
    uint32_t frames;
    uint32_t generation;
    bool last; // the channel ends after these frames
};

enum class ChannelKind : uint8_t { Module, Stream };

// What the caller asked for; the mixer follows within one callback.
enum class ChannelState : uint8_t { Stopped, Playing, Paused };

// What the mixer does with the channel. Halting ramps down, then goes idle.
enum class MixState : uint8_t { Idle, Playing, Halting };

struct StreamDecoder {
    SampledFile file;
    SRC_STATE_tag* resampler; // null when the file already is at the mix rate
    double ratio;
    float* input;     // file frames waiting for the resampler
    long inputFrames;
    long inputOffset; // frames of input the resampler has used
    bool inputEnded;
    float* converted; // decoded (and resampled) frames in the file's channel count
};

struct Channel {
    // Set while loading, read-only afterwards.
    ChannelKind kind;
    uint32_t flags;
    uint32_t bytesPerFrame; // a byte position's unit, in frames of the decoder's own rate
    uint64_t lengthFrames;  // in the decoder's own rate; 0 when not known
    openmpt_module* module;
    StreamDecoder stream;

    // Main thread.
    uint32_t handle;
    ChannelState state;
    uint32_t playId;       // bumped by every play, matched against endedPlayId
    bool rewound;          // positioned at 0 and not played since: a restart needs no seek
    bool ended;            // the last play ran to the channel's end
    bool releasedByMixer;  // the mixer has let go of it (after a free)
    int decoderRefs;       // decoding passes using it; guarded by the engine's decode mutex

    // Main thread, read by the decoding side and the mixer.
    std::atomic<uint64_t> seekFrame{0};
    std::atomic<uint32_t> seekGeneration{0};

    // Decoding side.
    uint32_t decodedGeneration;
    uint32_t blocksSinceSeek;
    bool endPending;      // a seek failed: the next block is the channel's end
    bool decoderAtEnd;
    std::atomic<uint32_t> blocksWritten{0};
    // The newest generation whose first block is in the ring (written after the
    // block): a play waits for it, so it is never heard late.
    std::atomic<uint32_t> firstBlockGeneration{0};

    // Mixer.
    MixState mixState;
    uint32_t mixPlayId;
    uint32_t mixGeneration;
    uint32_t readOffset;   // frames already taken from the front block
    bool mixAtEnd;         // the last block of mixGeneration has been played
    bool mixSounded;       // some of mixGeneration has been played
    Channel* mixNext;      // the next channel in the mixer's list
    float gain;            // the play/stop ramp, 0..1
    uint32_t silentFrames; // silent history frames written in a row
    uint32_t mixFramesPlayed; // mix frames played since mixGeneration began
    std::atomic<uint32_t> blocksRead{0};
    std::atomic<uint32_t> endedPlayId{0}; // the play that reached the channel's end
    // Where the mixer stands, for the main thread: the generation in the high 32
    // bits, mixFramesPlayed in the low ones.
    std::atomic<uint64_t> mixPosition{0};

    // Written by the mixer, read by the main thread: the channel's mono output,
    // indexed by mix frame modulo HISTORY_FRAMES.
    std::atomic<float> history[HISTORY_FRAMES];

    DecodedBlock blocks[RING_BLOCKS];
};

// Load a tracker module from a file (offset/length: a part of it; length 0 = to
// the end) or from memory. Null when it is not a module libopenmpt can play.
Channel* openModuleFile(const char* path, uint64_t offset, uint64_t length, uint32_t flags);
Channel* openModuleMemory(const void* data, uint64_t length, uint32_t flags);
// The whole of a module file, as openModuleFile reads it; false if it is not a
// regular file, is empty or too large, or cannot be read.
bool readModuleFile(const char* path, std::vector<unsigned char>& data);

// libopenmpt fills its resampler tables (some 20 ms of sines and cosines) the
// first time any module is made. This makes and drops a module of one empty
// pattern, so a worker thread can pay for that before the first track loads;
// a load meanwhile waits for the tables instead of filling them again.
void warmUpModuleLibrary();

// Open a sampled audio file (1 or 2 channels, any rate).
Channel* openStreamFile(const char* path, uint32_t flags);

void destroyChannel(Channel* channel);

// The decoding side: follow a pending seek, then decode into up to maxBlocks free
// blocks of the ring. True when it did any work.
bool decodeAhead(Channel* channel, uint32_t maxBlocks);

// A byte position (BASS units: bytes of the channel's own sample format and rate)
// as a frame of the decoder.
uint64_t bytePositionToFrame(const Channel* channel, uint64_t bytes);

// Ask the decoding side to continue from frame (in the decoder's own rate).
void requestSeek(Channel* channel, uint64_t frame);

// The decoder's own rate: the mix rate for modules, the file's for streams.
int channelRate(const Channel* channel);

// Where the listener's side stands, as a frame of the decoder (main thread): the
// position asked for last, plus what the mixer has played of it since.
uint64_t playedFrame(const Channel* channel);

} // namespace audio_engine
