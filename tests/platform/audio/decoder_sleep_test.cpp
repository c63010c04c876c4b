// The decoder thread sleeps long while every ring holds plenty and briefly right
// after a seek. A stream longer than a ring, played in real time through SDL's
// disk driver and restarted while it plays, must still come out whole: a ring
// that ran dry would show as a jump to silence in the capture.
#include "audio_test_util.h"
#include "platform/sdl/sdl_audio.h"
#include "tests/support/test_media.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr double RAMP_SECONDS = 3.0;

// The left channel of the float stereo frames the disk driver wrote.
std::vector<float> readLeft(const std::string& path)
{
    const std::vector<float> stereo = readCapture(path);
    std::vector<float> left;
    for (size_t i = 0; i + 1 < stereo.size(); i += 2)
        left.push_back(stereo[i]);
    return left;
}

} // namespace

TEST(DecoderSleep, LongStreamRestartedWhilePlayingComesOutWhole)
{
    TempDir dir;
    const std::string ramp = dir.file("ramp.wav"), capture = dir.file("capture.raw");
    // From -0.5 to +0.5 over the whole file: every sample tells where it came from.
    ASSERT_TRUE(writeRampWav(ramp.c_str(), 44100, 2, RAMP_SECONDS));
    useDiskDriver(capture);
    std::unique_ptr<audio::Audio> engine(createSdlAudio());
    ASSERT_TRUE(engine->init(-1, 44100, 0, nullptr, nullptr));
    audio::Handle handle = engine->streamCreateFile(false, ramp.c_str(), 0, 0, audio::SAMPLE_FLOAT);
    ASSERT_NE(handle, 0u);

    engine->channelPlay(handle, false);
    std::this_thread::sleep_for(1200ms);
    engine->channelPlay(handle, true);
    ASSERT_GE(waitUntilStopped(*engine, handle, 10.0), 0.0);
    engine->free();
    std::vector<float> left = readLeft(capture);

    // Two starts from the top (below -0.45 is the file's first 0.2 s) ...
    int starts = 0;
    bool atStart = false;
    for (float sample : left) {
        bool nearStart = sample < -0.45f;
        starts += nearStart && !atStart;
        atStart = nearStart || (atStart && sample < -0.3f);
    }
    EXPECT_EQ(starts, 2);
    // ... the second played to the end of the file ...
    size_t end = left.size();
    while (end > 0 && left[end - 1] == 0.0f)
        end--;
    ASSERT_GT(end, size_t(RAMP_SECONDS * 44100));
    EXPECT_NEAR(left[end - 1], 0.5f, 0.001f);
    // ... and no jump anywhere: the restart fades, and the rings never ran dry.
    for (size_t i = 1; i < end; i++)
        ASSERT_LT(std::fabs(left[i] - left[i - 1]), 0.01f) << "jump at frame " << i;
}
