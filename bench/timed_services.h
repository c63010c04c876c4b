// timed_services: thin decorators of the three platform services, for benchmarks.
//
// Each forwards every call to the service it wraps (which it does not own)
// unchanged and adds the wall time spent inside it to a counter, so that a frame
// of the main loop splits into the system's own work and the time inside the
// services (the graphics driver, the pacing sleep, the message pump, the audio
// engine's main-thread calls). The graphics decorator also calls a hook after
// every present, where a benchmark stamps its frames. Reading a clock costs
// about 20 ns, twice per call.
#pragma once
#include <time.h>

#include <cstdint>
#include <functional>

#include "platform/audio.h"
#include "platform/gpu.h"
#include "platform/os.h"

namespace bench {

// CLOCK_MONOTONIC in nanoseconds: the same clock in every process, so a parent
// can compare its own stamps with those a child reports.
inline int64_t monotonicNanos()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct ServiceTime {
    int64_t nanos = 0;
    uint64_t calls = 0;
};

// Adds the time from construction to destruction to a counter.
struct TimedCall {
    ServiceTime& into;
    int64_t start;
    explicit TimedCall(ServiceTime& counter) : into(counter), start(monotonicNanos()) {}
    ~TimedCall()
    {
        into.nanos += monotonicNanos() - start;
        into.calls++;
    }
};

class TimedGpu : public gpu::Gpu {
public:
    explicit TimedGpu(gpu::Gpu* wrapped) : inner(wrapped) {}

    gpu::Gpu* inner;
    ServiceTime inside;      // every call, present included
    ServiceTime presenting;  // present alone
    uint64_t draws = 0;
    // Called right before each beginScene, and right before and after each present
    // is forwarded (not timed).
    std::function<void()> beforeBeginScene;
    std::function<void(gpu::Device*)> beforePresent;
    std::function<void(gpu::Device*)> afterPresent;

    gpu::Direct3D* create(uint32_t sdkVersion) override
    {
        TimedCall t(inside);
        return inner->create(sdkVersion);
    }
    gpu::Result getDeviceCaps(gpu::Direct3D* d, uint32_t adapter, uint32_t type, gpu::DeviceCaps* caps) override
    {
        TimedCall t(inside);
        return inner->getDeviceCaps(d, adapter, type, caps);
    }
    gpu::Result createDevice(gpu::Direct3D* d, uint32_t adapter, uint32_t type, os::WindowHandle window,
                             uint32_t flags, gpu::PresentParameters* parameters, gpu::Device** device) override
    {
        TimedCall t(inside);
        return inner->createDevice(d, adapter, type, window, flags, parameters, device);
    }
    gpu::Result testCooperativeLevel(gpu::Device* device) override
    {
        TimedCall t(inside);
        return inner->testCooperativeLevel(device);
    }
    gpu::Result reset(gpu::Device* device, gpu::PresentParameters* parameters) override
    {
        TimedCall t(inside);
        return inner->reset(device, parameters);
    }
    gpu::Result beginScene(gpu::Device* device) override
    {
        if (beforeBeginScene)
            beforeBeginScene();
        TimedCall t(inside);
        return inner->beginScene(device);
    }
    gpu::Result clear(gpu::Device* device, uint32_t count, const void* rects, uint32_t flags, uint32_t color, float z,
                      uint32_t stencil) override
    {
        TimedCall t(inside);
        return inner->clear(device, count, rects, flags, color, z, stencil);
    }
    gpu::Result endScene(gpu::Device* device) override
    {
        TimedCall t(inside);
        return inner->endScene(device);
    }
    gpu::Result present(gpu::Device* device) override
    {
        if (beforePresent)
            beforePresent(device);
        gpu::Result result;
        {
            TimedCall a(inside), p(presenting);
            result = inner->present(device);
        }
        if (afterPresent)
            afterPresent(device);
        return result;
    }
    gpu::Result createVertexDeclaration(gpu::Device* device, const gpu::VertexElement* elements,
                                        gpu::VertexDeclaration** declaration) override
    {
        TimedCall t(inside);
        return inner->createVertexDeclaration(device, elements, declaration);
    }
    gpu::Result createVertexBuffer(gpu::Device* device, uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                   gpu::VertexBuffer** buffer) override
    {
        TimedCall t(inside);
        return inner->createVertexBuffer(device, length, usage, fvf, pool, buffer);
    }
    gpu::Result createIndexBuffer(gpu::Device* device, uint32_t length, uint32_t usage, uint32_t format,
                                  uint32_t pool, gpu::IndexBuffer** buffer) override
    {
        TimedCall t(inside);
        return inner->createIndexBuffer(device, length, usage, format, pool, buffer);
    }
    gpu::Result lock(gpu::VertexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags) override
    {
        TimedCall t(inside);
        return inner->lock(buffer, offset, size, data, flags);
    }
    gpu::Result unlock(gpu::VertexBuffer* buffer) override
    {
        TimedCall t(inside);
        return inner->unlock(buffer);
    }
    gpu::Result lock(gpu::IndexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags) override
    {
        TimedCall t(inside);
        return inner->lock(buffer, offset, size, data, flags);
    }
    gpu::Result unlock(gpu::IndexBuffer* buffer) override
    {
        TimedCall t(inside);
        return inner->unlock(buffer);
    }
    gpu::Result setVertexDeclaration(gpu::Device* device, gpu::VertexDeclaration* declaration) override
    {
        TimedCall t(inside);
        return inner->setVertexDeclaration(device, declaration);
    }
    gpu::Result setStreamSource(gpu::Device* device, uint32_t stream, gpu::VertexBuffer* buffer, uint32_t offset,
                                uint32_t stride) override
    {
        TimedCall t(inside);
        return inner->setStreamSource(device, stream, buffer, offset, stride);
    }
    gpu::Result setIndices(gpu::Device* device, gpu::IndexBuffer* buffer) override
    {
        TimedCall t(inside);
        return inner->setIndices(device, buffer);
    }
    gpu::Result drawIndexedPrimitive(gpu::Device* device, uint32_t type, int32_t base, uint32_t minIndex,
                                     uint32_t count, uint32_t start, uint32_t primitives) override
    {
        TimedCall t(inside);
        draws++;
        return inner->drawIndexedPrimitive(device, type, base, minIndex, count, start, primitives);
    }
    gpu::Result createTextureFromFile(gpu::Device* device, const char* path, gpu::Texture** texture) override
    {
        TimedCall t(inside);
        return inner->createTextureFromFile(device, path, texture);
    }
    gpu::Result getLevelDesc(gpu::Texture* texture, uint32_t level, gpu::SurfaceDesc* desc) override
    {
        TimedCall t(inside);
        return inner->getLevelDesc(texture, level, desc);
    }
    gpu::Result setMipmapping(gpu::Device* device, uint32_t sampler, bool enabled) override
    {
        TimedCall t(inside);
        return inner->setMipmapping(device, sampler, enabled);
    }
    gpu::Result getRenderState(gpu::Device* device, uint32_t state, uint32_t* value) override
    {
        TimedCall t(inside);
        return inner->getRenderState(device, state, value);
    }
    gpu::Result getBackBufferDesc(gpu::Device* device, gpu::SurfaceDesc* desc) override
    {
        TimedCall t(inside);
        return inner->getBackBufferDesc(device, desc);
    }
    gpu::Result createTexture(gpu::Device* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                              uint32_t format, uint32_t pool, gpu::Texture** texture) override
    {
        TimedCall t(inside);
        return inner->createTexture(device, width, height, levels, usage, format, pool, texture);
    }
    gpu::Result stretchRect(gpu::Device* device, gpu::Texture* source, gpu::Texture* destination) override
    {
        TimedCall t(inside);
        return inner->stretchRect(device, source, destination);
    }
    gpu::Result createEffectFromFile(gpu::Device* device, const char* path, gpu::Effect** effect) override
    {
        TimedCall t(inside);
        return inner->createEffectFromFile(device, path, effect);
    }
    gpu::TechniqueHandle getTechniqueByName(gpu::Effect* effect, const char* name) override
    {
        TimedCall t(inside);
        return inner->getTechniqueByName(effect, name);
    }
    gpu::Result setTechnique(gpu::Effect* effect, gpu::TechniqueHandle technique) override
    {
        TimedCall t(inside);
        return inner->setTechnique(effect, technique);
    }
    gpu::Result begin(gpu::Effect* effect, uint32_t* passes, uint32_t flags) override
    {
        TimedCall t(inside);
        return inner->begin(effect, passes, flags);
    }
    gpu::Result beginPass(gpu::Effect* effect, uint32_t pass) override
    {
        TimedCall t(inside);
        return inner->beginPass(effect, pass);
    }
    gpu::Result setTexture(gpu::Effect* effect, const char* parameter, gpu::Texture* texture) override
    {
        TimedCall t(inside);
        return inner->setTexture(effect, parameter, texture);
    }
    gpu::Result commitChanges(gpu::Effect* effect) override
    {
        TimedCall t(inside);
        return inner->commitChanges(effect);
    }
    gpu::Result endPass(gpu::Effect* effect) override
    {
        TimedCall t(inside);
        return inner->endPass(effect);
    }
    gpu::Result end(gpu::Effect* effect) override
    {
        TimedCall t(inside);
        return inner->end(effect);
    }
    void release(gpu::Direct3D* object) override { inner->release(object); }
    void release(gpu::Device* object) override { inner->release(object); }
    void release(gpu::VertexDeclaration* object) override { inner->release(object); }
    void release(gpu::VertexBuffer* object) override { inner->release(object); }
    void release(gpu::IndexBuffer* object) override { inner->release(object); }
    void release(gpu::Texture* object) override { inner->release(object); }
    void release(gpu::Effect* object) override { inner->release(object); }
};

class TimedOs : public os::Os {
public:
    explicit TimedOs(os::Os* wrapped) : inner(wrapped) {}

    os::Os* inner;
    ServiceTime inside;    // every call but sleep
    ServiceTime sleeping;  // sleep alone

    uint32_t tickCount() override
    {
        TimedCall t(inside);
        return inner->tickCount();
    }
    void sleep(uint32_t milliseconds) override
    {
        TimedCall t(sleeping);
        inner->sleep(milliseconds);
    }
    int messageBox(os::WindowHandle owner, const char* text, const char* caption, uint32_t type) override
    {
        return inner->messageBox(owner, text, caption, type);
    }
    uint16_t registerClass(const os::WindowClass& windowClass) override
    {
        TimedCall t(inside);
        return inner->registerClass(windowClass);
    }
    bool unregisterClass(const char* className) override { return inner->unregisterClass(className); }
    os::WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x,
                                  int y, int width, int height) override
    {
        TimedCall t(inside);
        return inner->createWindow(exStyle, className, title, style, x, y, width, height);
    }
    bool showWindow(os::WindowHandle window, int command) override
    {
        TimedCall t(inside);
        return inner->showWindow(window, command);
    }
    bool updateWindow(os::WindowHandle window) override
    {
        TimedCall t(inside);
        return inner->updateWindow(window);
    }
    bool isIconic(os::WindowHandle window) override
    {
        TimedCall t(inside);
        return inner->isIconic(window);
    }
    bool isWindowVisible(os::WindowHandle window) override
    {
        TimedCall t(inside);
        return inner->isWindowVisible(window);
    }
    bool cursorPosition(os::Point* point) override
    {
        TimedCall t(inside);
        return inner->cursorPosition(point);
    }
    bool peekMessage(os::Message* message) override
    {
        TimedCall t(inside);
        return inner->peekMessage(message);
    }
    bool translateMessage(const os::Message& message) override
    {
        TimedCall t(inside);
        return inner->translateMessage(message);
    }
    os::LResult dispatchMessage(const os::Message& message) override
    {
        TimedCall t(inside);
        return inner->dispatchMessage(message);
    }
    os::LResult sendMessage(os::WindowHandle window, uint32_t message, os::WParam wParam, os::LParam lParam) override
    {
        TimedCall t(inside);
        return inner->sendMessage(window, message, wParam, lParam);
    }
    os::LResult defaultWindowProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam,
                                       os::LParam lParam) override
    {
        TimedCall t(inside);
        return inner->defaultWindowProcedure(window, message, wParam, lParam);
    }
    void postQuitMessage(int exitCode) override { inner->postQuitMessage(exitCode); }
    void setNowPlaying(const os::NowPlaying& state) override
    {
        TimedCall t(inside);
        inner->setNowPlaying(state);
    }
};

class TimedAudio : public audio::Audio {
public:
    explicit TimedAudio(audio::Audio* wrapped) : inner(wrapped) {}

    audio::Audio* inner;
    ServiceTime inside;

    uint32_t getVersion() override
    {
        TimedCall t(inside);
        return inner->getVersion();
    }
    bool init(int device, uint32_t frequency, uint32_t flags, void* window, const void* clsid) override
    {
        TimedCall t(inside);
        return inner->init(device, frequency, flags, window, clsid);
    }
    bool free() override
    {
        TimedCall t(inside);
        return inner->free();
    }
    audio::Handle musicLoad(bool fromMemory, const void* file, uint64_t offset, uint32_t length, uint32_t flags,
                            uint32_t frequency) override
    {
        TimedCall t(inside);
        return inner->musicLoad(fromMemory, file, offset, length, flags, frequency);
    }
    audio::Handle streamCreateFile(bool fromMemory, const void* file, uint64_t offset, uint64_t length,
                                   uint32_t flags) override
    {
        TimedCall t(inside);
        return inner->streamCreateFile(fromMemory, file, offset, length, flags);
    }
    bool musicFree(audio::Handle channel) override
    {
        TimedCall t(inside);
        return inner->musicFree(channel);
    }
    bool channelPlay(audio::Handle channel, bool restart) override
    {
        TimedCall t(inside);
        return inner->channelPlay(channel, restart);
    }
    bool channelStop(audio::Handle channel) override
    {
        TimedCall t(inside);
        return inner->channelStop(channel);
    }
    bool channelPause(audio::Handle channel) override
    {
        TimedCall t(inside);
        return inner->channelPause(channel);
    }
    bool channelSetPosition(audio::Handle channel, uint64_t position) override
    {
        TimedCall t(inside);
        return inner->channelSetPosition(channel, position);
    }
    uint32_t channelIsActive(audio::Handle channel) override
    {
        TimedCall t(inside);
        return inner->channelIsActive(channel);
    }
    uint32_t channelGetData(audio::Handle channel, void* buffer, uint32_t length) override
    {
        TimedCall t(inside);
        return inner->channelGetData(channel, buffer, length);
    }
    uint64_t channelGetLength(audio::Handle channel, uint32_t mode) override
    {
        TimedCall t(inside);
        return inner->channelGetLength(channel, mode);
    }
    uint64_t channelGetPosition(audio::Handle channel, uint32_t mode) override
    {
        TimedCall t(inside);
        return inner->channelGetPosition(channel, mode);
    }
    double channelBytes2Seconds(audio::Handle channel, uint64_t bytes) override
    {
        TimedCall t(inside);
        return inner->channelBytes2Seconds(channel, bytes);
    }
    uint32_t getVolume() override
    {
        TimedCall t(inside);
        return inner->getVolume();
    }
    bool setVolume(uint32_t volume) override
    {
        TimedCall t(inside);
        return inner->setVolume(volume);
    }
};

} // namespace bench
