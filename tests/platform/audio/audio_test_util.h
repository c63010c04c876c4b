// Helpers shared by the audio engine tests: a scratch folder, an engine driven
// without a device, and a few measurements on mixed output.
#pragma once
#include "platform/sdl/audio_engine.h"
#include "platform/sdl/audio_mixer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

// A fresh folder under /tmp, removed with everything in it at the end of the test.
struct TempDir {
    std::string path;
    TempDir()
    {
        char pattern[] = "/tmp/audio_test_XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "/tmp";
    }
    ~TempDir()
    {
        if (path != "/tmp")
            std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
};

// The output device the next engine opens: SDL's disk driver, writing float stereo
// frames to `capture` (a file or a FIFO), or the dummy driver, playing to nothing.
inline void useDiskDriver(const std::string& capture)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
}
inline void useDummyDriver() { setenv("SDL_AUDIODRIVER", "dummy", 1); }

// The float stereo samples the disk driver wrote, interleaved.
inline std::vector<float> readCapture(const std::string& path)
{
    std::vector<float> samples;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return samples;
    float chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, sizeof(float), 4096, file)) > 0)
        samples.insert(samples.end(), chunk, chunk + got);
    std::fclose(file);
    return samples;
}

// Seconds until the channel reported stopped, or -1 after `timeout` seconds.
inline double waitUntilStopped(audio::Audio& engine, audio::Handle handle, double timeout)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (engine.channelIsActive(handle) == audio::ACTIVE_STOPPED)
            return elapsed;
        if (elapsed > timeout)
            return -1.0;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// 12 * 44100 / 512 Hz: a sine on this frequency lies exactly on FFT bin 12.
constexpr double BIN12_HZ = 12.0 * 44100.0 / 512.0;

// The engine without a device: the test decodes and mixes on its own thread, so
// every run produces the same samples.
struct HeadlessEngine {
    audio_engine::AudioEngine engine;
    HeadlessEngine() { engine.initHeadless(); }

    // The channel's first `frames` frames, played from its start; stopped afterwards.
    std::vector<float> playFromStart(audio::Handle handle, uint32_t frames = 8192)
    {
        engine.channelPlay(handle, true);
        std::vector<float> out = mix(frames);
        engine.channelStop(handle);
        mix(1024);
        return out;
    }

    // Mixes `frames` frames of float stereo, decoding ahead as the decoder thread would.
    std::vector<float> mix(uint32_t frames)
    {
        std::vector<float> out(size_t(frames) * 2);
        for (uint32_t done = 0; done < frames;) {
            uint32_t piece = frames - done < 1024 ? frames - done : 1024;
            engine.decodeAll();
            audio_engine::mixInto(engine, out.data() + size_t(done) * 2, piece);
            done += piece;
        }
        return out;
    }

    std::vector<float> mixSeconds(double seconds) { return mix(uint32_t(seconds * 44100)); }

    // Mixes until the channel reports stopped; returns the frames mixed, or -1 if it
    // still plays after maxSeconds.
    long mixUntilStopped(audio::Handle handle, double maxSeconds, std::vector<float>* output = nullptr)
    {
        long frames = 0;
        while (engine.channelIsActive(handle) != audio::ACTIVE_STOPPED) {
            if (frames > long(maxSeconds * 44100))
                return -1;
            std::vector<float> piece = mix(1024);
            if (output)
                output->insert(output->end(), piece.begin(), piece.end());
            frames += 1024;
        }
        return frames;
    }

    std::vector<float> spectrum(audio::Handle handle)
    {
        std::vector<float> bins(256, -1.0f);
        EXPECT_EQ(engine.channelGetData(handle, bins.data(), audio::DATA_FFT512), 256u * 4);
        return bins;
    }
};

inline float peakOf(const std::vector<float>& samples, size_t from = 0, size_t to = SIZE_MAX)
{
    float peak = 0.0f;
    for (size_t i = from; i < samples.size() && i < to; i++)
        peak = std::fmax(peak, std::fabs(samples[i]));
    return peak;
}

inline float largestBinFrom(const std::vector<float>& bins, size_t first)
{
    float largest = 0.0f;
    for (size_t k = first; k < bins.size(); k++)
        largest = std::fmax(largest, bins[k]);
    return largest;
}
