// audio_engine: the audio service on SDL2 audio, libopenmpt, libsndfile,
// libsamplerate and kissfft (platform/audio.h says what each call does).
//
// Internal header: main() only needs sdl_audio.h. Tests and benchmarks use this
// one to run the engine without a device (initHeadless, decodeAll, mixInto).
//
// Three threads meet here:
//   main thread   every call of the Audio interface; loading reads the file there.
//   decoder       keeps every channel's ring of decoded blocks full (file I/O,
//                 libopenmpt, libsndfile, libsamplerate).
//   audio thread  SDL's callback runs mixInto (audio_mixer.h): it reads decoded
//                 blocks, applies the play/stop ramps and the volume, and records
//                 each channel's output for the spectrum. It never allocates, locks
//                 or waits.
//   device watch  notices the output going away (a sound server restarting, a
//                 headset unplugged) or no longer asking for samples while
//                 something plays (a backend that never reports the loss), closes
//                 it and reopens the default output, trying every second while
//                 there is none. Between the two it takes the audio thread's place
//                 for commands (audio_queue.h says how the queue passes between
//                 them), so the play state carries over and the command queue
//                 never fills; what was sounding stands at silence, so nothing
//                 paused or stopped meanwhile is heard when the output returns.
// Built without threads (MUSICDISK_AUDIO_THREADS=0, audio_threadless.h) there is
// neither a decoder nor a device watch: SDL's callback decodes, then mixes.
// Commands reach the audio thread through a lock-free queue. A freed channel goes
// to the mixer as a command; the mixer hands it back through a second queue, and
// the main thread deletes it once the decoder is done with it too.
//
// The output is named with the product's name (product::NAME) and the role
// "music" for the sound server.
#pragma once
#include "platform/audio.h"
#include "platform/sdl/audio_ahead.h"
#include "platform/sdl/audio_channel.h"
#include "platform/sdl/audio_queue.h"
#include "platform/sdl/audio_spectrum.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace audio_engine {

constexpr uint32_t MAX_MIX_FRAMES = 1024;    // mixInto works in pieces of at most this
constexpr uint32_t DEVICE_FRAMES = 1024;     // frames per device callback: 23 ms
constexpr uint32_t PLAY_RAMP_FRAMES = 221;   // 5 ms fade on play, stop, pause, resume
constexpr uint32_t VOLUME_RAMP_FRAMES = 882; // 20 ms glide to a new volume

enum class CommandType : uint8_t { AddChannel, RemoveChannel, Play, Halt, SetVolume };

struct Command {
    CommandType type;
    Channel* channel;
    uint32_t playId;
    float gain;
};

// Owned by the audio thread. The channels it mixes are a list linked through
// Channel::mixNext, so any number of them can be added without allocating.
struct Mixer {
    Channel* firstChannel;
    float masterGain;
    float masterTarget;
    float masterStep;
    uint32_t masterRampLeft;
    uint64_t framesMixed;
    // Pieces in which a playing channel ran out of decoded sound (the decoder fell
    // behind): each is an audible gap. Late starts are the same before the first
    // frames of a new position (a restart the decoder has not reached yet): the
    // sound starts up to a piece late, without a gap. Both are reported on stderr
    // when the device closes.
    uint64_t underruns;
    uint64_t lateStarts;
};

// Where the mix stands, published after every callback under a sequence lock
// (odd while being written), so the main thread can place "now" in the history.
// The device watch reads framesMixed and sounding alone, to tell a device that has
// stopped asking for samples while there is something to play.
struct MixClock {
    std::atomic<uint32_t> sequence{0};
    std::atomic<uint64_t> framesMixed{0};
    std::atomic<int64_t> callbackNanos{0};
    std::atomic<bool> sounding{false};  // a channel was playing or fading out at the last callback
};

// A thread running warmUpModuleLibrary() for the first engine of the process;
// none for later engines, or if no thread can be made.
std::thread startLibraryWarmUp();

struct AudioEngine final : audio::Audio {
    ~AudioEngine() override;

    uint32_t getVersion() override;
    bool init(int device, uint32_t frequency, uint32_t flags, void* window, const void* clsid) override;
    bool free() override;
    audio::Handle musicLoad(bool fromMemory, const void* file, uint64_t offset, uint32_t length, uint32_t flags,
                            uint32_t frequency) override;
    audio::Handle streamCreateFile(bool fromMemory, const void* file, uint64_t offset, uint64_t length,
                                   uint32_t flags) override;
    bool musicFree(audio::Handle channel) override;
    bool channelPlay(audio::Handle channel, bool restart) override;
    bool channelStop(audio::Handle channel) override;
    bool channelPause(audio::Handle channel) override;
    bool channelSetPosition(audio::Handle channel, uint64_t position) override;
    uint32_t channelIsActive(audio::Handle channel) override;
    uint32_t channelGetData(audio::Handle channel, void* buffer, uint32_t length) override;
    uint64_t channelGetLength(audio::Handle channel, uint32_t mode) override;
    uint64_t channelGetPosition(audio::Handle channel, uint32_t mode) override;
    double channelBytes2Seconds(audio::Handle channel, uint64_t bytes) override;
    uint32_t getVolume() override;
    bool setVolume(uint32_t volume) override;

    // Starts the engine without a device and without the decoder thread: the
    // caller decodes with decodeAll() and mixes with mixInto() (audio_mixer.h), on
    // its own thread.
    bool initHeadless();
    void decodeAll();
    // Starts loading these modules on a worker (audio_ahead.h); the paths may be
    // written with backslashes, as musicLoad's.
    void loadAhead(const std::vector<audio::ModuleFile>& modules);

    // Main thread.
    bool initialized = false;
    bool headless = false;
    uint32_t volume = 100;
    uint32_t lastHandle = 0;
    uint32_t deviceId = 0;  // the device watch's while it runs
    // Every loaded channel, however many: a disk holds all its tracks at once.
    std::vector<Channel*> live;
    std::vector<Channel*> retired; // freed, waiting for the mixer and decoder to let go
    Spectrum spectrum = {};

    // Each release answers a removal command, and the main thread takes the
    // releases before it sends another removal: the return queue cannot fill
    // while it is as long as the command queue.
    SpscQueue<Command, 256> commands;   // main thread -> audio thread
    SpscQueue<Channel*, 256> released;  // audio thread -> main thread

    // Decoder thread; the list and flags are guarded by decodeMutex.
    std::thread decoder;
    std::mutex decodeMutex;
    std::condition_variable decodeWake;
    std::vector<Channel*> decodeList;
    bool decodeRequested = false;
    bool decodeQuit = false;

    Mixer mixer = {};
    MixClock clock;

    // Device watch thread; watchQuit is guarded by watchMutex.
    std::thread watcher;
    std::mutex watchMutex;
    std::condition_variable watchWake;
    bool watchQuit = false;

    // From the engine's creation: libopenmpt's tables are filled while the
    // program opens its window, not when the first track loads.
    std::thread libraryWarmUp = startLibraryWarmUp();
    ModulesAhead modulesAhead;
};

} // namespace audio_engine
