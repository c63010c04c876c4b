#include "platform/fake/fake_audio.h"

#include <cstring>

#include "platform/fake/call_log.h"

namespace fake {

static void log(const std::string& call) { callLog().add("audio." + call); }

FakeChannel* FakeAudio::channel(audio::Handle handle)
{
    auto it = channels.find(handle);
    return it == channels.end() || !it->second.live ? nullptr : &it->second;
}

uint32_t FakeAudio::getVersion()
{
    log("getVersion");
    return version;
}

bool FakeAudio::init(int device, uint32_t frequency, uint32_t flags, void* window, const void* clsid)
{
    log("init " + std::to_string(device) + " " + std::to_string(frequency) + " " + std::to_string(flags) + " " +
        (window ? "window" : "null") + " " + (clsid ? "clsid" : "null"));
    initialized = !failInit;
    return initialized;
}

bool FakeAudio::free()
{
    log("free");
    for (auto& entry : channels)
        entry.second.live = false;
    initialized = false;
    return true;
}

audio::Handle FakeAudio::load(const char* path, bool module)
{
    if (!initialized || failingPaths.count(path))
        return 0;
    audio::Handle handle = nextHandle++;
    channels[handle] = {path, module, audio::ACTIVE_STOPPED, 0, true, audio::POSITION_ERROR};
    return handle;
}

audio::Handle FakeAudio::musicLoad(bool fromMemory, const void* file, uint64_t offset, uint32_t length,
                                   uint32_t flags, uint32_t frequency)
{
    const char* path = static_cast<const char*>(file);
    log(std::string("musicLoad ") + (fromMemory ? "memory" : "file") + " " + path + " " + std::to_string(offset) +
        " " + std::to_string(length) + " " + std::to_string(flags) + " " + std::to_string(frequency));
    return load(path, true);
}

audio::Handle FakeAudio::streamCreateFile(bool fromMemory, const void* file, uint64_t offset, uint64_t length,
                                          uint32_t flags)
{
    const char* path = static_cast<const char*>(file);
    log(std::string("streamCreateFile ") + (fromMemory ? "memory" : "file") + " " + path + " " +
        std::to_string(offset) + " " + std::to_string(length) + " " + std::to_string(flags));
    return load(path, false);
}

bool FakeAudio::musicFree(audio::Handle handle)
{
    log("musicFree " + std::to_string(handle));
    FakeChannel* c = channel(handle);
    if (!c)
        return false;
    c->live = false;
    return true;
}

bool FakeAudio::channelPlay(audio::Handle handle, bool restart)
{
    log("channelPlay " + std::to_string(handle) + " " + std::to_string(int(restart)));
    FakeChannel* c = channel(handle);
    if (!c)
        return false;
    if (restart)
        c->position = 0;
    c->state = audio::ACTIVE_PLAYING;
    return true;
}

bool FakeAudio::channelStop(audio::Handle handle)
{
    log("channelStop " + std::to_string(handle));
    FakeChannel* c = channel(handle);
    if (!c)
        return false;
    c->state = audio::ACTIVE_STOPPED;
    return true;
}

bool FakeAudio::channelPause(audio::Handle handle)
{
    log("channelPause " + std::to_string(handle));
    FakeChannel* c = channel(handle);
    if (!c || c->state != audio::ACTIVE_PLAYING)
        return false;
    c->state = audio::ACTIVE_PAUSED;
    return true;
}

bool FakeAudio::channelSetPosition(audio::Handle handle, uint64_t position)
{
    log("channelSetPosition " + std::to_string(handle) + " " + std::to_string(position));
    FakeChannel* c = channel(handle);
    if (!c)
        return false;
    c->position = position;
    return true;
}

uint32_t FakeAudio::channelIsActive(audio::Handle handle)
{
    log("channelIsActive " + std::to_string(handle));
    FakeChannel* c = channel(handle);
    return c ? c->state : audio::ACTIVE_STOPPED;
}

uint32_t FakeAudio::channelGetData(audio::Handle handle, void* buffer, uint32_t length)
{
    log("channelGetData " + std::to_string(handle) + " " + std::to_string(length));
    if (!channel(handle) || length != audio::DATA_FFT512)
        return audio::DATA_ERROR;
    std::memcpy(buffer, spectrum.data(), sizeof spectrum);
    return sizeof spectrum;
}

uint64_t FakeAudio::channelGetLength(audio::Handle handle, uint32_t mode)
{
    log("channelGetLength " + std::to_string(handle) + " " + std::to_string(mode));
    FakeChannel* c = channel(handle);
    return c && mode == audio::POS_BYTE ? c->length : audio::POSITION_ERROR;
}

uint64_t FakeAudio::channelGetPosition(audio::Handle handle, uint32_t mode)
{
    log("channelGetPosition " + std::to_string(handle) + " " + std::to_string(mode));
    FakeChannel* c = channel(handle);
    return c && mode == audio::POS_BYTE ? c->position : audio::POSITION_ERROR;
}

double FakeAudio::channelBytes2Seconds(audio::Handle handle, uint64_t bytes)
{
    log("channelBytes2Seconds " + std::to_string(handle) + " " + std::to_string(bytes));
    if (!channel(handle) || bytes == audio::POSITION_ERROR)
        return -1.0;
    return double(bytes) / BYTES_PER_SECOND;
}

uint32_t FakeAudio::getVolume()
{
    log("getVolume");
    return volume;
}

bool FakeAudio::setVolume(uint32_t newVolume)
{
    log("setVolume " + std::to_string(newVolume));
    if (newVolume > 100)
        return false;
    volume = newVolume;
    return true;
}

} // namespace fake
