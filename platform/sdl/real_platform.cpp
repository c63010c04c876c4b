#include "platform/sdl/real_platform.h"

#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_gpu.h"
#include "platform/sdl/sdl_os.h"

RealPlatform::RealPlatform(const RealPlatformOptions& options)
{
    if (!options.sharedOs)
        ownedOs.reset(createSdlOs(options.scale));
    os = options.sharedOs ? options.sharedOs : ownedOs.get();
    ownedGpu.reset(createSdlGpu(options.decodeAhead));
    gpu = ownedGpu.get();
    ownedAudio.reset(createSdlAudio(options.loadAhead));
    audio = ownedAudio.get();
    os::installOs(os);
    gpu::installGpu(gpu);
    audio::installAudio(audio);
}

void RealPlatform::wrap(std::unique_ptr<os::Os> osDecorator, std::unique_ptr<gpu::Gpu> gpuDecorator,
                        std::unique_ptr<audio::Audio> audioDecorator)
{
    if (osDecorator) {
        osWrapper = std::move(osDecorator);
        os::installOs(osWrapper.get());
    }
    if (gpuDecorator) {
        gpuWrapper = std::move(gpuDecorator);
        gpu::installGpu(gpuWrapper.get());
    }
    if (audioDecorator) {
        audioWrapper = std::move(audioDecorator);
        audio::installAudio(audioWrapper.get());
    }
}

RealPlatform::~RealPlatform()
{
    audio::installAudio(nullptr);
    gpu::installGpu(nullptr);
    os::installOs(nullptr);
    audioWrapper.reset();
    gpuWrapper.reset();
    osWrapper.reset();
    ownedAudio.reset();
    ownedGpu.reset();
    ownedOs.reset();
}
