// audio: the music service (a subset of the BASS 2.3 API).
//
// One process-wide instance, installed with installAudio() by main() (the real
// engine in platform/sdl) or by a test (platform/fake). The system calls it only
// from its main thread.
//
// Channels are 32-bit handles; 0 is never a valid handle. Every call on 0 or on an
// unknown handle fails harmlessly: bool calls return false, channelIsActive returns
// ACTIVE_STOPPED, channelGetData returns DATA_ERROR.
//
//   getVersion()              0x0203xxxx for the 2.3 interface.
//   init(device, freq, ...)   open the output (device -1: the default) at freq Hz.
//   free()                    stop and release every channel and the output.
//   musicLoad(...)            load a tracker module from a file; 0 on failure.
//   streamCreateFile(...)     open a sampled audio file; 0 on failure.
//   musicFree(h)              release a channel of either kind.
//   channelPlay(h, restart)   restart true: from the beginning; false: resume.
//   channelStop(h)            stop; the channel then reports ACTIVE_STOPPED.
//   channelPause(h)           pause; reports ACTIVE_PAUSED until played again.
//   channelSetPosition(h, p)  byte position; 0 is the start.
//   channelIsActive(h)        ACTIVE_STOPPED (also at the end), _PLAYING, _PAUSED.
//   channelGetLength(h, POS_BYTE)    the length in bytes; POSITION_ERROR when
//                             unknown (a module that never ends, a bad handle).
//   channelGetPosition(h, POS_BYTE)  where the channel stands, in bytes.
//   channelBytes2Seconds(h, b)  b bytes of the channel in seconds; negative on error.
//   channelGetData(h, buf, DATA_FFT512)  256 floats: magnitudes of a Hann-windowed
//                             512-point FFT of what the listener hears now; a full
//                             scale sine on bin k reads 0.5 at bin k.
//   getVolume() / setVolume(v)  output volume 0..100 (100 = unity gain).
//
// Paths are 8-bit strings; a path written with backslashes opens the same file.
//
// ModuleFile names a module as musicLoad will be asked for it (path and flags):
// the real service can be given a disk's modules to load while the window opens.
#pragma once
#include <cstdint>
#include <string>

namespace audio {

using Handle = uint32_t;

struct ModuleFile {
    std::string path;
    uint32_t flags;
};

constexpr uint32_t VERSION_2_3 = 0x0203;

// Channel states reported by channelIsActive.
constexpr uint32_t ACTIVE_STOPPED = 0;
constexpr uint32_t ACTIVE_PLAYING = 1;
constexpr uint32_t ACTIVE_STALLED = 2;
constexpr uint32_t ACTIVE_PAUSED = 3;

// Load flags.
constexpr uint32_t SAMPLE_FLOAT = 0x100;
constexpr uint32_t MUSIC_RAMP = 0x200;
constexpr uint32_t MUSIC_FT2MOD = 0x2000;
constexpr uint32_t MUSIC_POSRESET = 0x8000;

// channelGetData request and error result.
constexpr uint32_t DATA_FFT512 = 0x80000000;
constexpr uint32_t DATA_ERROR = 0xFFFFFFFF;
constexpr uint32_t VOLUME_ERROR = 0xFFFFFFFF;

// channelGetLength / channelGetPosition mode and error result.
constexpr uint32_t POS_BYTE = 0;
constexpr uint64_t POSITION_ERROR = ~uint64_t(0);

class Audio {
public:
    virtual ~Audio() = default;
    virtual uint32_t getVersion() = 0;
    virtual bool init(int device, uint32_t frequency, uint32_t flags, void* window, const void* clsid) = 0;
    virtual bool free() = 0;
    virtual Handle musicLoad(bool fromMemory, const void* file, uint64_t offset, uint32_t length,
                             uint32_t flags, uint32_t frequency) = 0;
    virtual Handle streamCreateFile(bool fromMemory, const void* file, uint64_t offset, uint64_t length,
                                    uint32_t flags) = 0;
    virtual bool musicFree(Handle channel) = 0;
    virtual bool channelPlay(Handle channel, bool restart) = 0;
    virtual bool channelStop(Handle channel) = 0;
    virtual bool channelPause(Handle channel) = 0;
    virtual bool channelSetPosition(Handle channel, uint64_t position) = 0;
    virtual uint32_t channelIsActive(Handle channel) = 0;
    virtual uint64_t channelGetLength(Handle channel, uint32_t mode) = 0;
    virtual uint64_t channelGetPosition(Handle channel, uint32_t mode) = 0;
    virtual double channelBytes2Seconds(Handle channel, uint64_t bytes) = 0;
    virtual uint32_t channelGetData(Handle channel, void* buffer, uint32_t length) = 0;
    virtual uint32_t getVolume() = 0;
    virtual bool setVolume(uint32_t volume) = 0;
};

// The installed instance; installAudio(nullptr) uninstalls. Calling audio() with
// nothing installed is a programming error and aborts.
Audio& audio();
void installAudio(Audio* instance);

} // namespace audio
