// Fuzz target: any bytes as a music file, through the real audio engine without
// a device (its headless mode: the caller decodes and mixes). The file is loaded
// as a module (the disk's module flags) and as a stream (the disk's stream
// flags); whatever loads is played, mixed for a while, asked for its spectrum,
// repositioned by an amount the input picks, restarted, paused, mixed again and
// freed. The mix must stay finite and within full scale.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_temp_file.h"
#include "platform/sdl/audio_engine.h"
#include "platform/sdl/audio_mixer.h"

namespace {

constexpr uint32_t MODULE_FLAGS = audio::MUSIC_POSRESET | audio::MUSIC_FT2MOD | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT;
constexpr uint32_t STREAM_FLAGS = audio::SAMPLE_FLOAT;
constexpr uint32_t MIX_FRAMES = 2048;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void mixAndCheck(audio_engine::AudioEngine& engine)
{
    static float out[MIX_FRAMES * 2];
    engine.decodeAll();
    audio_engine::mixInto(engine, out, MIX_FRAMES);
    for (float sample : out)
        check(std::isfinite(sample) && sample >= -1.0f && sample <= 1.0f);
}

void exercise(audio_engine::AudioEngine& engine, audio::Handle channel, uint64_t position)
{
    if (channel == 0)
        return;
    float spectrum[256];
    check(engine.channelPlay(channel, false));
    mixAndCheck(engine);
    check(engine.channelGetData(channel, spectrum, audio::DATA_FFT512) == sizeof spectrum);
    for (float bin : spectrum)
        check(std::isfinite(bin) && bin >= 0.0f);
    engine.channelSetPosition(channel, position);
    mixAndCheck(engine);
    engine.channelPlay(channel, true);
    mixAndCheck(engine);
    engine.channelPause(channel);
    mixAndCheck(engine);
    (void)engine.channelIsActive(channel);
    check(engine.musicFree(channel));
    mixAndCheck(engine);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = writeFuzzInput(data, size);
    // A byte position picked by the input's first bytes, so seeks land anywhere,
    // far past the end included.
    uint64_t position = 0;
    std::memcpy(&position, data, size < sizeof position ? size : sizeof position);

    audio_engine::AudioEngine engine;
    check(engine.initHeadless());
    exercise(engine, engine.musicLoad(false, path, 0, 0, MODULE_FLAGS, 0), position);
    exercise(engine, engine.streamCreateFile(false, path, 0, 0, STREAM_FLAGS), position >> 3);
    check(engine.free());
    return 0;
}
