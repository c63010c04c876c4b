// real_platform: the three real services (window system, graphics, audio), made
// and installed for the life of a scope.
//
//   RealPlatform platform({.scale = 2, .decodeAhead = {FONT_FILE, ARTWORK_FILE}, .loadAhead = modules});
//   Application::instance().run();
//
// Construction makes the services in that order and installs them; destruction
// uninstalls them and deletes them in the reverse order, so the graphics service
// goes before the window system, whose deletion stops SDL video.
//
// wrap() installs decorators (a benchmark's timers, a test's still clock) in
// place of the real services; a null one keeps the real service. The platform
// owns them and deletes them before the services they wrap. A test process that
// must keep one window system for its whole life (deleting it unloads the OpenGL
// driver under the leak checker) passes it as `sharedOs`, which is used and not
// deleted.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/gpu.h"
#include "platform/os.h"

struct RealPlatformOptions {
    int scale = 1;                         // the window system's scale (sdl_os.h)
    std::vector<std::string> decodeAhead;  // images the graphics service starts decoding at once
    std::vector<audio::ModuleFile> loadAhead;  // modules the audio service starts loading at once
    os::Os* sharedOs = nullptr;            // use this window system instead of making one
};

struct RealPlatform {
    explicit RealPlatform(const RealPlatformOptions& options = {});
    ~RealPlatform();
    RealPlatform(const RealPlatform&) = delete;
    RealPlatform& operator=(const RealPlatform&) = delete;

    void wrap(std::unique_ptr<os::Os> osWrapper, std::unique_ptr<gpu::Gpu> gpuWrapper,
              std::unique_ptr<audio::Audio> audioWrapper);

    // The real services.
    os::Os* os = nullptr;
    gpu::Gpu* gpu = nullptr;
    audio::Audio* audio = nullptr;

private:
    std::unique_ptr<os::Os> ownedOs;
    std::unique_ptr<gpu::Gpu> ownedGpu;
    std::unique_ptr<audio::Audio> ownedAudio;
    std::unique_ptr<os::Os> osWrapper;
    std::unique_ptr<gpu::Gpu> gpuWrapper;
    std::unique_ptr<audio::Audio> audioWrapper;
};
