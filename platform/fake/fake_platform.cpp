#include "platform/fake/fake_platform.h"

namespace fake {

FakePlatform::FakePlatform()
{
    callLog().clear();
    os::installOs(&os);
    gpu::installGpu(&gpu);
    audio::installAudio(&audio);
}

FakePlatform::~FakePlatform()
{
    os::installOs(nullptr);
    gpu::installGpu(nullptr);
    audio::installAudio(nullptr);
}

} // namespace fake
