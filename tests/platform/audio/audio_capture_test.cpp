// What the browser's build adds to the engine, natively: the capture hook the page
// test reads the sound from, and commands that never wait for a callback that is
// not coming (a browser's audio context stays suspended until the first gesture).
#include "audio_test_util.h"
#include "platform/sdl/audio_capture.h"
#include "platform/sdl/audio_threadless.h"
#include "tests/support/test_media.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

using namespace audio_engine;
using namespace std::chrono_literals;

// The hook hands back, sample for sample, what SDL's disk driver wrote.
TEST(AudioCapture, ReturnsTheLastFramesTheOutputWasSent)
{
    if constexpr (!AUDIO_CAPTURE) {
        GTEST_SKIP() << "built without the capture hook";
    } else {
        TempDir dir;
        const std::string sine = dir.file("sine.wav"), capture = dir.file("capture.raw");
        ASSERT_TRUE(writeSineFile(sine.c_str(), SoundFormat::Wav16, 440.0, 44100, 2, 1.5, 0.5));
        useDiskDriver(capture);
        AudioEngine engine;
        ASSERT_TRUE(engine.init(-1, 44100, 0, nullptr, nullptr));
        audio::Handle handle = engine.streamCreateFile(false, sine.c_str(), 0, 0, audio::SAMPLE_FLOAT);
        ASSERT_NE(handle, 0u);
        ASSERT_TRUE(engine.channelPlay(handle, false));
        ASSERT_TRUE(waitUntilStopped(engine, handle, 5.0) >= 0);
        std::this_thread::sleep_for(100ms);
        engine.free();

        // The file holds what the device played, the capture what the mix made:
        // the file may lack the last buffers mixed before the device closed, and
        // holds silent ones SDL played while the device was still paused. Buffers
        // are whole, so the two line up with the file short of some whole ones.
        std::vector<float> written = readCapture(capture);
        const uint64_t writtenFrames = written.size() / 2;
        const uint64_t total = uint64_t(musicdisk_capture_total());
        const uint64_t compared = 44100, slack = 4 * DEVICE_FRAMES;
        ASSERT_GT(writtenFrames, compared + slack);
        const int asked = int(compared + slack);
        std::vector<float> captured(size_t(asked) * 2);
        ASSERT_EQ(musicdisk_capture(captured.data(), asked), asked);
        captured.resize(compared * 2);
        EXPECT_GT(peakOf(captured), 0.4f) << "the window holds the sine";
        bool lined = false;
        for (uint64_t lacking = 0; lacking <= slack && !lined; lacking += DEVICE_FRAMES) {
            const float* file = written.data() + (writtenFrames + lacking - compared - slack) * 2;
            lined = std::equal(captured.begin(), captured.end(), file);
        }
        EXPECT_TRUE(lined) << "the capture is what the device played, sample for sample";

        EXPECT_EQ(musicdisk_capture(nullptr, 10), 0);
        EXPECT_EQ(musicdisk_capture(captured.data(), -1), 0);
        std::vector<float> everything(size_t(CAPTURE_FRAMES + 10) * 2);
        EXPECT_EQ(musicdisk_capture(everything.data(), int(CAPTURE_FRAMES + 10)),
                  int(std::min<uint64_t>(total, CAPTURE_FRAMES)));
    }
}

// Before the first gesture a browser does not call back: commands pile up, and
// the ones that do not fit are taken in the mixer's place, none lost.
TEST(AudioThreadless, CommandsWhileTheOutputIsHeldAreNotLost)
{
    if constexpr (AUDIO_THREADS) {
        GTEST_SKIP() << "the threaded engine waits for its audio thread instead";
    } else {
        useDummyDriver();
        TempDir dir;
        const std::string tone = dir.file("tone.wav");
        ASSERT_TRUE(writeSineFile(tone.c_str(), SoundFormat::Wav16, 440.0, 44100, 2, 0.5));
        AudioEngine engine;
        ASSERT_TRUE(engine.init(-1, 44100, 0, nullptr, nullptr));
        SDL_PauseAudioDevice(engine.deviceId, 1);
        audio::Handle handle = engine.streamCreateFile(false, tone.c_str(), 0, 0, audio::SAMPLE_FLOAT);
        ASSERT_NE(handle, 0u);
        for (int i = 0; i < 600; i++) {
            ASSERT_TRUE(engine.setVolume(uint32_t(i % 101))) << i;
            ASSERT_TRUE(engine.channelPlay(handle, i % 3 == 0)) << i;
            ASSERT_TRUE(engine.channelStop(handle)) << i;
        }
        ASSERT_TRUE(engine.setVolume(100));
        ASSERT_TRUE(engine.channelPlay(handle, true));
        SDL_PauseAudioDevice(engine.deviceId, 0);
        EXPECT_TRUE(waitUntilStopped(engine, handle, 5.0) >= 0) << "it plays to its end once the output runs";
    }
}
