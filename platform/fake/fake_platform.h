// fake_platform: installs the three fake services for the life of a test.
//
//   TEST(Thing, works) { fake::FakePlatform platform; ... platform.gpu.passes = 2; }
//
// Construction clears the shared call log; destruction uninstalls the fakes.
#pragma once
#include "platform/fake/call_log.h"
#include "platform/fake/fake_audio.h"
#include "platform/fake/fake_gpu.h"
#include "platform/fake/fake_os.h"

namespace fake {

struct FakePlatform {
    FakeOs os;
    FakeGpu gpu;
    FakeAudio audio;

    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    CallLog& log() { return callLog(); }
};

} // namespace fake
