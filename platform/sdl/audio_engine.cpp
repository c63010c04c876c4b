// The audio service's calls and the threads that serve them (audio_engine.h says
// how the threads meet; the audio thread's own work is in audio_mixer.cpp).
//
// Sections: the decoder thread; channels on the main thread (commands, lookup,
// waiting for a first block); the output device and its watch thread; the Audio
// interface. Builds without threads (audio_threadless.h) have neither thread.
#include "platform/sdl/audio_engine.h"
#include "platform/product.h"
#include "platform/sdl/audio_capture.h"
#include "platform/sdl/audio_mixer.h"
#include "platform/sdl/audio_threadless.h"

#include <SDL.h>
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

namespace audio_engine {

// How long a main-thread call may wait for room in a full command queue (only a
// stalled device fills it) before it gives up.
constexpr int COMMAND_WAIT_MS = 500;

// What the sound server lists the program's stream as.
constexpr const char* STREAM_NAME = product::NAME;
constexpr const char* STREAM_ROLE = "media.role=music";

#if MUSICDISK_AUDIO_THREADS
// How often the device watch looks at the output, and how often it tries to open
// one while there is none.
constexpr auto WATCH_INTERVAL = std::chrono::milliseconds(100);
constexpr auto REOPEN_INTERVAL = std::chrono::milliseconds(1000);
// How long an open device may go without asking for samples while something
// plays before it counts as lost: some twenty device buffers. A new stream may
// ask for its first buffer and then wait over a second before it starts (a
// PulseAudio server just started does), so until it has taken STARTED_FRAMES it
// is given START_LIMIT instead.
constexpr auto STALL_LIMIT = std::chrono::milliseconds(500);
constexpr auto START_LIMIT = std::chrono::milliseconds(3000);
constexpr uint64_t STARTED_FRAMES = 8 * DEVICE_FRAMES;

// When every ring is full the decoder sleeps. Each wake-up costs a context
// switch, so it sleeps long while every ring holds plenty of its channel's current
// position, and briefly while one holds little: right after a seek, when the
// mixer drops the old position's blocks at its next callback and only the few
// blocks decoded since are left.
constexpr auto DECODER_SHORT_IDLE = std::chrono::milliseconds(10);
constexpr auto DECODER_LONG_IDLE = std::chrono::milliseconds(100);
constexpr uint32_t PLENTY_BLOCKS = 8; // 186 ms, well over the long sleep
#endif

// How long a play waits for the first block of the position it starts from.
// Decoding a block takes well under a millisecond, and the ring keeps room for
// it; only a stalled file or a full ring the mixer has not yet drained (one
// device buffer) make the wait longer.
constexpr auto FIRST_BLOCK_WAIT = std::chrono::milliseconds(200);
constexpr auto FIRST_BLOCK_POLL = std::chrono::microseconds(100);

// ---- Decoder thread ----------------------------------------------------------

#if MUSICDISK_AUDIO_THREADS
// Blocks one decoder pass gives each channel, so a seek on one channel never
// waits behind a long refill of another.
constexpr uint32_t BLOCKS_PER_PASS = 4;

// Whether the ring holds plenty of the current position, or all that is left of it.
static bool holdsPlenty(const Channel* channel)
{
    if (channel->decoderAtEnd)
        return true;
    uint32_t buffered = channel->blocksWritten.load(std::memory_order_relaxed) -
                        channel->blocksRead.load(std::memory_order_acquire);
    return std::min(buffered, channel->blocksSinceSeek) >= PLENTY_BLOCKS;
}

static void decoderMain(AudioEngine* engine)
{
    // Named, so a profiler or top tells it from the program's other threads.
    pthread_setname_np(pthread_self(), "audio-decoder");
    std::vector<Channel*> work;
    std::unique_lock<std::mutex> lock(engine->decodeMutex);
    while (!engine->decodeQuit) {
        engine->decodeRequested = false;
        work = engine->decodeList;
        for (Channel* channel : work)
            channel->decoderRefs++;
        lock.unlock();

        bool worked = false;
        bool plenty = true;
        for (Channel* channel : work) {
            worked |= decodeAhead(channel, BLOCKS_PER_PASS);
            plenty = plenty && holdsPlenty(channel);
        }

        lock.lock();
        for (Channel* channel : work)
            channel->decoderRefs--;
        if (!worked && !engine->decodeRequested && !engine->decodeQuit)
            engine->decodeWake.wait_for(lock, plenty ? DECODER_LONG_IDLE : DECODER_SHORT_IDLE);
    }
}
#endif

static void wakeDecoder(AudioEngine& engine)
{
    {
        std::lock_guard<std::mutex> lock(engine.decodeMutex);
        engine.decodeRequested = true;
    }
    engine.decodeWake.notify_one();
}

static void stopDecoder(AudioEngine& engine)
{
    if (!engine.decoder.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(engine.decodeMutex);
        engine.decodeQuit = true;
    }
    engine.decodeWake.notify_one();
    engine.decoder.join();
}

// ---- Channels on the main thread -------------------------------------------

static bool pushCommand(AudioEngine& engine, const Command& command)
{
    for (int waited = 0;; waited++) {
        if (engine.commands.push(command))
            return true;
        // Headless, nobody drains the queue until the caller mixes again.
        if (engine.headless || waited >= COMMAND_WAIT_MS)
            return false;
        // Without threads nobody else would take them: the caller does.
        if (!AUDIO_THREADS) {
            takeCommandsNow(engine);
            continue;
        }
        SDL_Delay(1);
    }
}

// Deletes freed channels that neither the mixer nor the decoder still hold.
static void collectRetired(AudioEngine& engine)
{
    Channel* channel;
    while (engine.released.pop(channel))
        channel->releasedByMixer = true;
    for (size_t i = 0; i < engine.retired.size();) {
        channel = engine.retired[i];
        int refs;
        {
            std::lock_guard<std::mutex> lock(engine.decodeMutex);
            refs = channel->decoderRefs;
        }
        if (channel->releasedByMixer && refs == 0) {
            destroyChannel(channel);
            engine.retired[i] = engine.retired.back();
            engine.retired.pop_back();
        } else {
            i++;
        }
    }
}

static Channel* findChannel(AudioEngine& engine, audio::Handle handle)
{
    collectRetired(engine);
    if (handle == 0)
        return nullptr;
    for (Channel* channel : engine.live)
        if (channel->handle == handle)
            return channel;
    return nullptr;
}

// A channel the mixer has played to its end reports stopped from then on.
static void noticeEnd(Channel* channel)
{
    if (channel->state == ChannelState::Playing &&
        channel->endedPlayId.load(std::memory_order_acquire) == channel->playId) {
        channel->state = ChannelState::Stopped;
        channel->ended = true;
    }
}

// A play is reported only once the ring holds the first block of the position
// it starts from: the mixer then has sound for it at its next callback, so a
// play or restart is never heard late.
static void waitForFirstBlock(AudioEngine& engine, Channel* channel)
{
    const uint32_t generation = channel->seekGeneration.load(std::memory_order_relaxed);
    auto ready = [&] { return channel->firstBlockGeneration.load(std::memory_order_acquire) == generation; };
    if (ready())
        return;
    // Headless or without threads, the caller is the decoding side.
    if (engine.headless || !AUDIO_THREADS) {
        decodeFirstBlockNow(engine, channel);
        return;
    }
    wakeDecoder(engine);
    const auto deadline = std::chrono::steady_clock::now() + FIRST_BLOCK_WAIT;
    while (!ready() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(FIRST_BLOCK_POLL);
}

static bool handleInUse(const AudioEngine& engine, uint32_t handle)
{
    for (const Channel* channel : engine.live)
        if (channel->handle == handle)
            return true;
    return false;
}

static audio::Handle addChannel(AudioEngine& engine, Channel* channel)
{
    if (!channel)
        return 0;
    do {
        engine.lastHandle++;
    } while (engine.lastHandle == 0 || handleInUse(engine, engine.lastHandle));
    channel->handle = engine.lastHandle;

    if (!pushCommand(engine, Command{CommandType::AddChannel, channel, 0, 0.0f})) {
        destroyChannel(channel);
        return 0;
    }
    engine.live.push_back(channel);
    {
        std::lock_guard<std::mutex> lock(engine.decodeMutex);
        engine.decodeList.push_back(channel);
        engine.decodeRequested = true;
    }
    engine.decodeWake.notify_one();
    return channel->handle;
}

static bool canLoad(AudioEngine& engine)
{
    collectRetired(engine);
    return engine.initialized;
}

// The system writes paths with backslashes; here they are slashes.
static std::string localPath(const void* file)
{
    std::string path = static_cast<const char*>(file);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

static void drainQueues(AudioEngine& engine)
{
    Command command;
    while (engine.commands.pop(command)) {
    }
    Channel* channel;
    while (engine.released.pop(channel)) {
    }
}

// Puts the mixer and the clock in their starting state; the audio thread is not running.
static void startEngine(AudioEngine& engine)
{
    engine.mixer = Mixer{};
    engine.mixer.masterGain = engine.mixer.masterTarget = volumeToGain(engine.volume);
    engine.clock.sequence.store(0);
    engine.clock.framesMixed.store(0);
    engine.clock.callbackNanos.store(0);
    createSpectrum(engine.spectrum);
    engine.decodeQuit = false;
    engine.initialized = true;
}

static void SDLCALL audioCallback(void* user, Uint8* stream, int length)
{
    AudioEngine& engine = *static_cast<AudioEngine*>(user);
    float* out = reinterpret_cast<float*>(stream);
    const uint32_t frames = uint32_t(length) / (2 * sizeof(float));
    if constexpr (!AUDIO_THREADS)
        topUpRings(engine);
    mixInto(engine, out, frames);
    if constexpr (AUDIO_CAPTURE)
        captureMix(out, frames);
}

// ---- The output device ---------------------------------------------------------

// The names the sound server shows. SDL's PulseAudio backend takes the names from
// its hints but not the role, so the role goes in PulseAudio's own client
// properties (PipeWire's PulseAudio service reads them too), after any the user
// set. The environment is read when SDL audio starts.
static void nameOutputStream()
{
    SDL_SetHint(SDL_HINT_APP_NAME, STREAM_NAME);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, STREAM_NAME);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, STREAM_NAME);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Music");
    const char* properties = SDL_getenv("PULSE_PROP");
    if (!properties || !*properties)
        SDL_setenv("PULSE_PROP", STREAM_ROLE, 1);
    else if (!SDL_strstr(properties, "media.role"))
        SDL_setenv("PULSE_PROP", (std::string(properties) + " " + STREAM_ROLE).c_str(), 1);
}

// Opens the output (name null: the default) and starts it; 0 on failure. The mix
// is always 44100 Hz float stereo (the spectrum's bins depend on it); SDL converts
// when the device wants something else.
static SDL_AudioDeviceID openOutput(AudioEngine& engine, const char* name)
{
    SDL_AudioSpec want{};
    want.freq = MIX_RATE;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = DEVICE_FRAMES;
    want.callback = audioCallback;
    want.userdata = &engine;
    SDL_AudioSpec have{};
    return SDL_OpenAudioDevice(name, 0, &want, &have, 0);
}

#if MUSICDISK_AUDIO_THREADS
// What the device watch keeps between its looks at the output.
struct OutputWatch {
    std::chrono::steady_clock::time_point lastAttempt;  // the last try at opening one
    std::chrono::steady_clock::time_point progressed;   // the mix last moved, or nothing waited for it
    uint64_t framesMixed;                               // the mix clock at the last look
    uint64_t openedAt;                                  // the mix clock when the device opened
    bool down;                                          // said to have gone, not yet heard again
};

// Whether the open device has stopped asking for samples while a channel plays or
// a command waits: some backends (SDL's PipeWire one when the server dies) never
// report the loss. The device's first callbacks after the output comes back end
// the outage on stderr.
static bool outputStalled(AudioEngine& engine, OutputWatch& watch, std::chrono::steady_clock::time_point now)
{
    uint64_t frames = engine.clock.framesMixed.load(std::memory_order_relaxed);
    if (frames != watch.framesMixed) {
        watch.framesMixed = frames;
        watch.progressed = now;
        if (watch.down)
            std::fprintf(stderr, "audio: the output is back\n");
        watch.down = false;
        return false;
    }
    bool waited = engine.clock.sounding.load(std::memory_order_relaxed) || !engine.commands.empty();
    if (!waited || SDL_GetAudioDeviceStatus(engine.deviceId) != SDL_AUDIO_PLAYING)
        watch.progressed = now;
    bool started = watch.framesMixed - watch.openedAt >= STARTED_FRAMES;
    return now - watch.progressed > (started ? STALL_LIMIT : START_LIMIT);
}

// The device has gone or stalled: SDL would go on calling the mixer without anyone
// hearing it, or not call it at all, so the track would run on in silence or stand
// still. Closing it stops the mix where it is. The backend restarts too, as a
// sound server that comes back is a new connection.
static void closeLostOutput(AudioEngine& engine, OutputWatch& watch, const char* what)
{
    SDL_CloseAudioDevice(engine.deviceId);
    engine.deviceId = 0;
    SDL_AudioQuit();
    // No audio thread runs: this one stands in for it.
    silenceChannels(engine);
    if (!watch.down)
        std::fprintf(stderr, "audio: the output %s; reopening it when there is one\n", what);
    watch.down = true;
}

static bool reopenOutput(AudioEngine& engine, OutputWatch& watch)
{
    if (SDL_AudioInit(nullptr) != 0)
        return false;
    // Commands given meanwhile go first: the audio thread takes over from here.
    applyCommands(engine);
    SDL_AudioDeviceID id = openOutput(engine, nullptr);
    if (id == 0) {
        SDL_AudioQuit();
        return false;
    }
    engine.deviceId = id;
    watch.framesMixed = watch.openedAt = engine.clock.framesMixed.load(std::memory_order_relaxed);
    watch.progressed = std::chrono::steady_clock::now();
    SDL_PauseAudioDevice(id, 0);
    return true;
}

static void watchMain(AudioEngine* engine)
{
    pthread_setname_np(pthread_self(), "audio-watch");
    // A new output is tried at once after a loss, unless the last try was under
    // REOPEN_INTERVAL ago (a reopened device that stalled again).
    OutputWatch watch{};
    watch.progressed = std::chrono::steady_clock::now();
    watch.lastAttempt = watch.progressed - REOPEN_INTERVAL;
    watch.framesMixed = watch.openedAt = engine->clock.framesMixed.load(std::memory_order_relaxed);
    std::unique_lock<std::mutex> lock(engine->watchMutex);
    while (!engine->watchWake.wait_for(lock, WATCH_INTERVAL, [engine] { return engine->watchQuit; })) {
        auto now = std::chrono::steady_clock::now();
        if (engine->deviceId) {
            if (SDL_GetAudioDeviceStatus(engine->deviceId) == SDL_AUDIO_STOPPED)
                closeLostOutput(*engine, watch, "went away");
            else if (outputStalled(*engine, watch, now))
                closeLostOutput(*engine, watch, "stopped taking sound");
            else
                continue;
        }
        applyCommands(*engine);
        if (now - watch.lastAttempt < REOPEN_INTERVAL)
            continue;
        watch.lastAttempt = now;
        reopenOutput(*engine, watch);
    }
}
#endif

static void stopWatch(AudioEngine& engine)
{
    if (!engine.watcher.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(engine.watchMutex);
        engine.watchQuit = true;
    }
    engine.watchWake.notify_one();
    engine.watcher.join();
    engine.watchQuit = false;
}

// The mix frame the listener hears now: frames mixed, less those still queued
// (the callback's own buffer and about as much inside the device), plus the time
// since that callback.
static uint64_t listenerFrame(AudioEngine& engine)
{
    uint64_t frames = 0;
    int64_t nanos = 0;
    for (int attempt = 0; attempt < 1000; attempt++) {
        uint32_t before = engine.clock.sequence.load(std::memory_order_acquire);
        frames = engine.clock.framesMixed.load(std::memory_order_relaxed);
        nanos = engine.clock.callbackNanos.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (!(before & 1) && engine.clock.sequence.load(std::memory_order_relaxed) == before)
            break;
    }
    if (engine.headless)
        return frames;
    int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch()).count();
    int64_t since = (now - nanos) * MIX_RATE / 1000000000;
    if (since < 0)
        since = 0;
    if (since > int64_t(DEVICE_FRAMES))
        since = DEVICE_FRAMES;
    int64_t heard = int64_t(frames) - 2 * int64_t(DEVICE_FRAMES) + since;
    return heard > 0 ? uint64_t(heard) : 0;
}

// ---- The Audio interface -------------------------------------------------------

std::thread startLibraryWarmUp()
{
    // The tables live as long as the process: one warm-up is enough.
    static std::atomic<bool> started{false};
    if (started.exchange(true))
        return std::thread();
#if MUSICDISK_AUDIO_THREADS
    try {
        return std::thread([] {
            pthread_setname_np(pthread_self(), "openmpt-warmup");
            warmUpModuleLibrary();
        });
    } catch (const std::system_error&) {
    }
#endif
    return std::thread(); // the first load fills the tables instead
}

AudioEngine::~AudioEngine()
{
    free();
    if (libraryWarmUp.joinable())
        libraryWarmUp.join();
}

uint32_t AudioEngine::getVersion() { return (audio::VERSION_2_3 << 16) | 0x0001; }

bool AudioEngine::init(int device, uint32_t, uint32_t, void*, const void*)
{
    // -1 is the default output, 1.. the devices SDL lists. BASS's 0 ("no sound")
    // is not offered.
    if (initialized || device == 0 || device < -1)
        return false;
    nameOutputStream();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    const char* name = nullptr;
    if (device > 0 && !(name = SDL_GetAudioDeviceName(device - 1, 0))) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }

    SDL_AudioDeviceID id = openOutput(*this, name);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    deviceId = id;
    startEngine(*this);
#if MUSICDISK_AUDIO_THREADS
    try {
        decoder = std::thread(decoderMain, this);
    } catch (const std::system_error&) {
        // The system has no thread left to give: no sound, as without a device.
        free();
        return false;
    }
#endif
    SDL_PauseAudioDevice(id, 0);
#if MUSICDISK_AUDIO_THREADS
    try {
        watcher = std::thread(watchMain, this);
    } catch (const std::system_error&) {
        // Without the watch the music plays as long as its device lasts.
    }
#endif
    return true;
}

bool AudioEngine::initHeadless()
{
    if (initialized)
        return false;
    headless = true;
    startEngine(*this);
    return true;
}

void AudioEngine::decodeAll()
{
    for (Channel* channel : live)
        decodeAhead(channel, RING_BLOCKS);
}

bool AudioEngine::free()
{
    if (!initialized)
        return false;
    stopWatch(*this);
    // The watch may have left the output closed (a device gone and none back):
    // SDL audio was started all the same.
    if (!headless) {
        if (deviceId)
            SDL_CloseAudioDevice(deviceId);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        deviceId = 0;
        // The callback has stopped: the mixer's counts can be read.
        if (mixer.underruns > 0)
            std::fprintf(stderr, "audio: %llu underruns\n", static_cast<unsigned long long>(mixer.underruns));
        if (mixer.lateStarts > 0)
            std::fprintf(stderr, "audio: %llu late starts\n", static_cast<unsigned long long>(mixer.lateStarts));
    }
    stopDecoder(*this);
    // Both other threads are gone: everything can be deleted directly.
    for (Channel* channel : live)
        destroyChannel(channel);
    for (Channel* channel : retired)
        destroyChannel(channel);
    live.clear();
    retired.clear();
    decodeList.clear();
    drainQueues(*this);
    destroySpectrum(spectrum);
    initialized = headless = false;
    return true;
}

audio::Handle AudioEngine::musicLoad(bool fromMemory, const void* file, uint64_t offset, uint32_t length,
                                     uint32_t flags, uint32_t)
{
    if (!file || !canLoad(*this))
        return 0;
    if (fromMemory)
        return addChannel(*this, openModuleMemory(static_cast<const unsigned char*>(file) + offset, length, flags));
    const std::string path = localPath(file);
    if (offset == 0 && length == 0)
        if (Channel* channel = modulesAhead.take(path, flags))
            return addChannel(*this, channel);
    return addChannel(*this, openModuleFile(path.c_str(), offset, length, flags));
}

void AudioEngine::loadAhead(const std::vector<audio::ModuleFile>& modules)
{
    std::vector<audio::ModuleFile> local;
    for (const audio::ModuleFile& module : modules)
        local.push_back({localPath(module.path.c_str()), module.flags});
    modulesAhead.start(std::move(local));
}

audio::Handle AudioEngine::streamCreateFile(bool fromMemory, const void* file, uint64_t offset, uint64_t length,
                                            uint32_t flags)
{
    // Streams come from whole files only.
    if (!file || fromMemory || offset != 0 || length != 0 || !canLoad(*this))
        return 0;
    return addChannel(*this, openStreamFile(localPath(file).c_str(), flags));
}

bool AudioEngine::musicFree(audio::Handle handle)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel)
        return false;
    live.erase(std::find(live.begin(), live.end(), channel));
    {
        std::lock_guard<std::mutex> lock(decodeMutex);
        decodeList.erase(std::find(decodeList.begin(), decodeList.end(), channel));
    }
    // If the command cannot be sent the mixer keeps the channel until free().
    pushCommand(*this, Command{CommandType::RemoveChannel, channel, 0, 0.0f});
    retired.push_back(channel);
    return true;
}

bool AudioEngine::channelPlay(audio::Handle handle, bool restart)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel)
        return false;
    noticeEnd(channel);
    // A channel that played to its end starts over rather than stay at its end.
    if ((restart || channel->ended) && !channel->rewound)
        requestSeek(channel, 0);
    waitForFirstBlock(*this, channel);
    channel->rewound = false;
    channel->ended = false;
    channel->playId++;
    channel->state = ChannelState::Playing;
    return pushCommand(*this, Command{CommandType::Play, channel, channel->playId, 0.0f});
}

bool AudioEngine::channelStop(audio::Handle handle)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel)
        return false;
    noticeEnd(channel);
    if (channel->state != ChannelState::Stopped)
        pushCommand(*this, Command{CommandType::Halt, channel, 0, 0.0f});
    channel->state = ChannelState::Stopped;
    return true;
}

bool AudioEngine::channelPause(audio::Handle handle)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel)
        return false;
    noticeEnd(channel);
    if (channel->state != ChannelState::Playing)
        return false;
    channel->state = ChannelState::Paused;
    return pushCommand(*this, Command{CommandType::Halt, channel, 0, 0.0f});
}

bool AudioEngine::channelSetPosition(audio::Handle handle, uint64_t position)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel)
        return false;
    noticeEnd(channel);
    uint64_t frame = bytePositionToFrame(channel, position);
    requestSeek(channel, frame);
    wakeDecoder(*this);
    channel->rewound = frame == 0;
    channel->ended = false;
    return true;
}

uint32_t AudioEngine::channelIsActive(audio::Handle handle)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel)
        return audio::ACTIVE_STOPPED;
    noticeEnd(channel);
    switch (channel->state) {
    case ChannelState::Playing:
        return audio::ACTIVE_PLAYING;
    case ChannelState::Paused:
        return audio::ACTIVE_PAUSED;
    case ChannelState::Stopped:
        break;
    }
    return audio::ACTIVE_STOPPED;
}

uint32_t AudioEngine::channelGetData(audio::Handle handle, void* buffer, uint32_t length)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel || !buffer || length != audio::DATA_FFT512)
        return audio::DATA_ERROR;
    noticeEnd(channel);
    float* magnitudes = static_cast<float*>(buffer);
    if (channel->state != ChannelState::Playing) {
        std::memset(magnitudes, 0, FFT_BINS * sizeof(float));
        return FFT_BINS * sizeof(float);
    }
    float samples[FFT_SIZE];
    uint64_t first = listenerFrame(*this) - FFT_SIZE;
    for (int i = 0; i < FFT_SIZE; i++)
        samples[i] = channel->history[(first + i) % HISTORY_FRAMES].load(std::memory_order_relaxed);
    computeSpectrum(spectrum, samples, magnitudes);
    return FFT_BINS * sizeof(float);
}

uint64_t AudioEngine::channelGetLength(audio::Handle handle, uint32_t mode)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel || mode != audio::POS_BYTE || channel->lengthFrames == 0)
        return audio::POSITION_ERROR;
    return channel->lengthFrames * channel->bytesPerFrame;
}

uint64_t AudioEngine::channelGetPosition(audio::Handle handle, uint32_t mode)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel || mode != audio::POS_BYTE)
        return audio::POSITION_ERROR;
    return playedFrame(channel) * channel->bytesPerFrame;
}

double AudioEngine::channelBytes2Seconds(audio::Handle handle, uint64_t bytes)
{
    Channel* channel = findChannel(*this, handle);
    if (!channel || bytes == audio::POSITION_ERROR)
        return -1.0;
    return double(bytes / channel->bytesPerFrame) / channelRate(channel);
}

uint32_t AudioEngine::getVolume() { return volume; }

bool AudioEngine::setVolume(uint32_t newVolume)
{
    if (newVolume > 100)
        return false;
    volume = newVolume;
    if (initialized)
        pushCommand(*this, Command{CommandType::SetVolume, nullptr, 0, volumeToGain(newVolume)});
    return true;
}

} // namespace audio_engine
