// The engine through an output that goes away and comes back. SDL's disk driver
// writes into a FIFO that the test reads: closing the reading end makes the
// driver's next write fail, as a sound server that dies; opening it again lets the
// engine's reopened device through, as a server that returns.
#include "audio_test_util.h"
#include "platform/sdl/audio_engine.h"
#include "tests/support/test_media.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The FIFO's reading end: what it receives is what a listener hears.
class Listener {
public:
    explicit Listener(std::string fifo) : path(std::move(fifo)) {}
    ~Listener() { leave(); }

    // Opens the reading end (the output is there) and keeps reading.
    void attend()
    {
        running = true;
        reader = std::thread([this] { readUntilLeft(); });
    }
    // Closes it: the output is gone.
    void leave()
    {
        running = false;
        if (reader.joinable())
            reader.join();
    }
    // The left channel of what arrived since the last call, once it holds at least
    // `frames` frames (fewer after 5 s).
    std::vector<float> heard(size_t frames)
    {
        for (int waited = 0; waited < 500 && received() < frames * 8; waited++)
            std::this_thread::sleep_for(10ms);
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<float> left;
        size_t whole = bytes.size() / 8 * 8;
        for (size_t i = 0; i < whole; i += 8) {
            float sample;
            std::memcpy(&sample, &bytes[i], sizeof sample);
            left.push_back(sample);
        }
        bytes.erase(bytes.begin(), bytes.begin() + whole);
        return left;
    }

private:
    size_t received()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return bytes.size();
    }
    void readUntilLeft()
    {
        // Without waiting for a writer: the engine opens its end when it reopens.
        int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return;
        char chunk[8192];
        while (running) {
            ssize_t got = read(fd, chunk, sizeof chunk);
            if (got > 0) {
                std::lock_guard<std::mutex> lock(mutex);
                bytes.insert(bytes.end(), chunk, chunk + got);
            } else {
                std::this_thread::sleep_for(2ms);
            }
        }
        close(fd);
    }

    std::string path;
    std::thread reader;
    std::atomic<bool> running{false};
    std::mutex mutex;
    std::vector<char> bytes;
};

float largestStep(const std::vector<float>& samples)
{
    float largest = 0.0f;
    for (size_t i = 1; i < samples.size(); i++)
        largest = std::fmax(largest, std::fabs(samples[i] - samples[i - 1]));
    return largest;
}

constexpr size_t SOME = 8820;  // 200 ms

}  // namespace

// A 4 s ramp from -0.5 to 0.5 plays on through three outages: it comes back
// without a click; paused or stopped while the output is away, nothing of it
// sounds when the output returns, and a play goes on with it.
TEST(AudioOutage, NothingHaltedSoundsWhenTheOutputReturns)
{
    // A desktop program outlives a closed pipe; the failed write is the outage.
    signal(SIGPIPE, SIG_IGN);
    TempDir dir;
    std::string ramp = dir.file("ramp.wav");
    ASSERT_TRUE(writeRampWav(ramp.c_str(), 44100, 2, 4.0));
    std::string fifo = dir.file("output");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    useDiskDriver(fifo);

    auto listener = std::make_unique<Listener>(fifo);
    listener->attend();
    audio_engine::AudioEngine engine;
    ASSERT_TRUE(engine.init(-1, 44100, 0, nullptr, nullptr));
    audio::Handle handle = engine.streamCreateFile(false, ramp.c_str(), 0, 0, audio::SAMPLE_FLOAT);
    ASSERT_NE(handle, 0u);
    engine.channelPlay(handle, false);
    std::vector<float> before = listener->heard(SOME);
    ASSERT_GT(peakOf(before), 0.3f);

    // Each outage: the listener leaves, the engine notices, the listener comes back.
    auto outage = [&](auto duringIt) {
        listener.reset();
        std::this_thread::sleep_for(400ms);
        duringIt();
        listener = std::make_unique<Listener>(fifo);
        listener->attend();
        return listener->heard(SOME);
    };

    std::vector<float> back = outage([] {});
    EXPECT_GT(peakOf(back), 0.2f) << "plays on after the output returns";
    EXPECT_LT(largestStep(back), 0.01f) << "comes back without a click";

    std::vector<float> paused = outage([&] { engine.channelPause(handle); });
    EXPECT_EQ(peakOf(paused), 0.0f) << "paused while the output was away";
    EXPECT_EQ(engine.channelIsActive(handle), audio::ACTIVE_PAUSED);
    engine.channelPlay(handle, false);
    listener->heard(1);
    std::vector<float> resumed = listener->heard(SOME);
    EXPECT_GT(peakOf(resumed), 0.05f) << "a play goes on after the return";
    EXPECT_LT(largestStep(resumed), 0.01f);

    std::vector<float> stopped = outage([&] { engine.channelStop(handle); });
    EXPECT_EQ(peakOf(stopped), 0.0f) << "stopped while the output was away";
    engine.free();
}
