// The audio thread's side of the engine: commands, channel ramps, the master
// volume and the output history. Nothing here allocates, locks or waits.
#include "platform/sdl/audio_mixer.h"

#include "platform/sdl/audio_engine.h"

#include <chrono>
#include <cmath>
#include <cstring>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace audio_engine {

float volumeToGain(uint32_t volume)
{
    if (volume >= 100)
        return 1.0f;
    // 4 dB per step of 10 sounds like even steps; below 10 a straight line takes
    // the last, already quiet, step down to true silence.
    if (volume >= 10)
        return std::pow(10.0f, -0.02f * float(100 - volume));
    return std::pow(10.0f, -0.02f * 90.0f) * float(volume) / 10.0f;
}

// ---- Commands -------------------------------------------------------------------

static void startPlaying(Channel* channel, uint32_t playId)
{
    channel->mixPlayId = playId;
    // Its position is the end already (the caller did not know yet): it ends again.
    if (channel->mixAtEnd && channel->mixGeneration == channel->firstBlockGeneration.load(std::memory_order_acquire)) {
        channel->mixState = MixState::Idle;
        channel->endedPlayId.store(playId, std::memory_order_release);
        return;
    }
    channel->mixState = MixState::Playing;
}

static void applyCommand(AudioEngine& engine, const Command& command)
{
    Mixer& mixer = engine.mixer;
    Channel* channel = command.channel;
    switch (command.type) {
    case CommandType::AddChannel:
        channel->mixNext = mixer.firstChannel;
        mixer.firstChannel = channel;
        break;
    case CommandType::RemoveChannel:
        for (Channel** link = &mixer.firstChannel; *link; link = &(*link)->mixNext) {
            if (*link == channel) {
                *link = channel->mixNext;
                break;
            }
        }
        engine.released.push(channel);
        break;
    case CommandType::Play:
        startPlaying(channel, command.playId);
        break;
    case CommandType::Halt:
        if (channel->mixState == MixState::Playing)
            channel->mixState = MixState::Halting;
        break;
    case CommandType::SetVolume:
        mixer.masterTarget = command.gain;
        mixer.masterRampLeft = VOLUME_RAMP_FRAMES;
        mixer.masterStep = (mixer.masterTarget - mixer.masterGain) / VOLUME_RAMP_FRAMES;
        break;
    }
}

// ---- One channel ---------------------------------------------------------------

static DecodedBlock* frontBlock(Channel* channel)
{
    uint32_t read = channel->blocksRead.load(std::memory_order_relaxed);
    if (read == channel->blocksWritten.load(std::memory_order_acquire))
        return nullptr;
    return &channel->blocks[read % RING_BLOCKS];
}

static void popBlock(Channel* channel)
{
    channel->readOffset = 0;
    channel->blocksRead.store(channel->blocksRead.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

static bool isOlder(uint32_t generation, uint32_t than) { return int32_t(generation - than) < 0; }

// Moves to the position the main thread asked for: what is left of the old one
// is dropped (it was faded out first if it was sounding).
static void switchGeneration(Channel* channel, uint32_t wanted)
{
    channel->mixGeneration = wanted;
    channel->mixAtEnd = false;
    channel->mixSounded = false;
    channel->readOffset = 0;
    channel->mixFramesPlayed = 0;
    while (DecodedBlock* block = frontBlock(channel)) {
        if (!isOlder(block->generation, wanted))
            break;
        popBlock(channel);
    }
}

static void reachEnd(Channel* channel)
{
    channel->mixAtEnd = true;
    if (channel->mixState == MixState::Playing)
        channel->endedPlayId.store(channel->mixPlayId, std::memory_order_release);
    channel->mixState = MixState::Idle;
    channel->gain = 0.0f;
}

// Adds count frames of src at gain 1 to out and records them in the history.
static void addFrames(Channel* channel, float* out, uint64_t firstFrame, const float* src, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++) {
        float left = src[i * 2];
        float right = src[i * 2 + 1];
        out[i * 2] += left;
        out[i * 2 + 1] += right;
        channel->history[(firstFrame + i) & (HISTORY_FRAMES - 1)].store((left + right) * 0.5f,
                                                                        std::memory_order_relaxed);
    }
}

// The same through a gain that moves by step per frame; returns the gain reached.
static float addRampedFrames(Channel* channel, float* out, uint64_t firstFrame, const float* src, uint32_t count,
                             float gain, float step)
{
    for (uint32_t i = 0; i < count; i++) {
        gain += step;
        gain = gain < 0.0f ? 0.0f : (gain > 1.0f ? 1.0f : gain);
        float left = src[i * 2] * gain;
        float right = src[i * 2 + 1] * gain;
        out[i * 2] += left;
        out[i * 2 + 1] += right;
        channel->history[(firstFrame + i) & (HISTORY_FRAMES - 1)].store((left + right) * 0.5f,
                                                                        std::memory_order_relaxed);
    }
    return gain;
}

// Adds up to `frames` frames from the ring to out (which holds the mix of frame
// firstFrame on) through the play/stop ramp. Returns the frames added: they
// always start at out[0].
static uint32_t renderChannel(Channel* channel, float* out, uint64_t firstFrame, uint32_t frames)
{
    // A new position is followed once its first block is decoded: until then the
    // old one goes on sounding, so a seek never leaves a gap while it decodes.
    const uint32_t wanted = channel->firstBlockGeneration.load(std::memory_order_acquire);
    uint32_t done = 0;
    while (done < frames) {
        if (channel->mixGeneration != wanted && channel->gain <= 0.0f)
            switchGeneration(channel, wanted);
        if (channel->mixState == MixState::Idle)
            break;
        const bool fadingOut = channel->mixState == MixState::Halting || channel->mixGeneration != wanted;
        const float target = fadingOut ? 0.0f : 1.0f;
        if (fadingOut && channel->gain <= 0.0f) {
            if (channel->mixState == MixState::Halting)
                channel->mixState = MixState::Idle;
            continue; // idle now, or ready to switch to the new position
        }

        DecodedBlock* block = frontBlock(channel);
        if (!block || block->generation != channel->mixGeneration) {
            // Old material ran out while fading: finish the fade in silence.
            if (channel->mixGeneration != wanted) {
                channel->gain = 0.0f;
                continue;
            }
            if (block && isOlder(block->generation, channel->mixGeneration)) {
                popBlock(channel);
                continue;
            }
            break; // not decoded yet: silence until it is
        }
        if (channel->readOffset == block->frames) {
            if (block->last && channel->mixGeneration != wanted) {
                channel->gain = 0.0f; // the old position ended mid-fade: go on to the new one
                continue;
            }
            if (block->last) {
                reachEnd(channel);
                break;
            }
            popBlock(channel);
            continue;
        }

        uint32_t count = block->frames - channel->readOffset;
        if (count > frames - done)
            count = frames - done;
        const float* src = block->samples + channel->readOffset * 2;
        if (channel->gain == target) {
            addFrames(channel, out + done * 2, firstFrame + done, src, count);
        } else {
            uint32_t rampLeft = uint32_t(std::ceil(std::fabs(target - channel->gain) * PLAY_RAMP_FRAMES));
            if (rampLeft == 0)
                rampLeft = 1;
            if (count > rampLeft)
                count = rampLeft;
            const float step = target > channel->gain ? 1.0f / PLAY_RAMP_FRAMES : -1.0f / PLAY_RAMP_FRAMES;
            float gain = addRampedFrames(channel, out + done * 2, firstFrame + done, src, count, channel->gain, step);
            channel->gain = count == rampLeft ? target : gain;
        }
        channel->readOffset += count;
        channel->mixFramesPlayed += count;
        done += count;
    }
    channel->mixPosition.store((uint64_t(channel->mixGeneration) << 32) | channel->mixFramesPlayed,
                               std::memory_order_release);
    return done;
}

// Silence in the history where the channel added nothing.
static void clearHistory(Channel* channel, uint64_t firstFrame, uint32_t frames)
{
    // Once the whole history is silent there is nothing left to clear.
    if (channel->silentFrames >= HISTORY_FRAMES)
        return;
    for (uint32_t i = 0; i < frames; i++)
        channel->history[(firstFrame + i) & (HISTORY_FRAMES - 1)].store(0.0f, std::memory_order_relaxed);
    channel->silentFrames += frames;
}

static void mixChannel(Mixer& mixer, Channel* channel, float* out, uint32_t frames)
{
    uint32_t added = renderChannel(channel, out, mixer.framesMixed, frames);
    // Still playing yet short of frames: its ring ran dry before its end. Before
    // the first frames of a new position that is a late start, not a gap.
    if (added < frames && channel->mixState == MixState::Playing) {
        if (channel->mixSounded)
            mixer.underruns++;
        else
            mixer.lateStarts++;
    }
    if (added > 0) {
        channel->mixSounded = true;
        channel->silentFrames = 0;
    }
    clearHistory(channel, mixer.framesMixed + added, frames - added);
}

// ---- The whole mix -----------------------------------------------------------------

// Written so that it compiles to maxss and minss, without branches.
static float clampSample(float sample)
{
    sample = sample > -1.0f ? sample : -1.0f;
    return sample < 1.0f ? sample : 1.0f;
}

static void applyMasterVolume(Mixer& mixer, float* out, uint32_t frames)
{
    uint32_t i = 0;
    for (; i < frames && mixer.masterRampLeft > 0; i++) {
        mixer.masterGain += mixer.masterStep;
        if (--mixer.masterRampLeft == 0)
            mixer.masterGain = mixer.masterTarget;
        out[i * 2] = clampSample(out[i * 2] * mixer.masterGain);
        out[i * 2 + 1] = clampSample(out[i * 2 + 1] * mixer.masterGain);
    }
    const float gain = mixer.masterGain;
    i *= 2;
#if defined(__SSE__)
    const __m128 gains = _mm_set1_ps(gain), low = _mm_set1_ps(-1.0f), high = _mm_set1_ps(1.0f);
    for (; i + 4 <= frames * 2; i += 4)
        _mm_storeu_ps(out + i, _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(out + i), gains), low), high));
#endif
    for (; i < frames * 2; i++)
        out[i] = clampSample(out[i] * gain);
}

static void publishClock(AudioEngine& engine, int64_t callbackNanos)
{
    MixClock& clock = engine.clock;
    uint32_t sequence = clock.sequence.load(std::memory_order_relaxed);
    clock.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    clock.framesMixed.store(engine.mixer.framesMixed, std::memory_order_relaxed);
    clock.callbackNanos.store(callbackNanos, std::memory_order_relaxed);
    clock.sequence.store(sequence + 2, std::memory_order_release);
}

void applyCommands(AudioEngine& engine)
{
    Command command;
    while (engine.commands.pop(command))
        applyCommand(engine, command);
}

void silenceChannels(AudioEngine& engine)
{
    for (Channel* channel = engine.mixer.firstChannel; channel; channel = channel->mixNext) {
        channel->gain = 0.0f;
        if (channel->mixState == MixState::Halting)
            channel->mixState = MixState::Idle;
    }
}

static bool anySounding(const Mixer& mixer)
{
    for (const Channel* channel = mixer.firstChannel; channel; channel = channel->mixNext)
        if (channel->mixState != MixState::Idle)
            return true;
    return false;
}

void mixInto(AudioEngine& engine, float* out, uint32_t frames)
{
    int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch()).count();
    Mixer& mixer = engine.mixer;
    applyCommands(engine);

    while (frames > 0) {
        uint32_t piece = frames < MAX_MIX_FRAMES ? frames : MAX_MIX_FRAMES;
        std::memset(out, 0, piece * 2 * sizeof(float));
        for (Channel* channel = mixer.firstChannel; channel; channel = channel->mixNext)
            mixChannel(mixer, channel, out, piece);
        applyMasterVolume(mixer, out, piece);
        mixer.framesMixed += piece;
        out += piece * 2;
        frames -= piece;
    }
    publishClock(engine, now);
    engine.clock.sounding.store(anySounding(mixer), std::memory_order_relaxed);
}

} // namespace audio_engine
