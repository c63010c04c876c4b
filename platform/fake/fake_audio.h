// fake_audio: a scripted music service for tests.
//
// Loads succeed with handles 1, 2, 3, ... unless the path is in failingPaths.
// A channel's state follows play/stop/pause; a test ends a track by setting its
// state to ACTIVE_STOPPED. channelGetData copies `spectrum`. Every channel counts
// BYTES_PER_SECOND bytes a second; its length is `length` (a test sets it;
// POSITION_ERROR by default) and its position `position`.
#pragma once
#include <array>
#include <map>
#include <set>
#include <string>

#include "platform/audio.h"

namespace fake {

struct FakeChannel {
    std::string path;
    bool module;
    uint32_t state;
    uint64_t position;  // set by channelSetPosition and a test; a restart sets 0
    bool live;
    uint64_t length;
};

class FakeAudio : public audio::Audio {
public:
    static constexpr double BYTES_PER_SECOND = 176400.0;  // 44100 Hz, 16-bit stereo

    // Script.
    uint32_t version = 0x02030000;
    bool failInit = false;
    std::set<std::string> failingPaths;
    std::array<float, 256> spectrum = {};

    // Observations (and state a test may change).
    std::map<audio::Handle, FakeChannel> channels;
    uint32_t volume = 100;
    bool initialized = false;

    FakeChannel* channel(audio::Handle handle);

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

private:
    audio::Handle nextHandle = 1;
    audio::Handle load(const char* path, bool module);
};

} // namespace fake
