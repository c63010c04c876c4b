// Benchmark: what the audio engine costs per second of music, against the floor
// of libopenmpt rendering the same module on its own.
//
// The engine runs without a device: decodeAll() does the decoder thread's work
// (libopenmpt, libsndfile, libsamplerate into the block rings) and mixInto() the
// audio thread's (ramps, volume, spectrum history), 1024 frames at a time as the
// device asks for them. Figures are thread CPU time, the best of several
// interleaved runs, as a share of real time (1 s of audio made in 10 ms = 1.0 %).
//
//   bench_audio_mixer            prints the table
//   bench_audio_mixer --rows     prints table rows | figure | value | goal | verdict |
#include "platform/sdl/audio_mixer.h"
#include "platform/sdl/audio_engine.h"
#include "tests/support/test_media.h"

#include <libopenmpt/libopenmpt.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <time.h>
#include <vector>

constexpr double SECONDS = 10.0;  // audio made per run
constexpr int RUNS = 9;
constexpr double OVERHEAD_GOAL = 0.10;  // over libopenmpt alone
constexpr uint32_t CALLBACK_FRAMES = 1024;
constexpr uint32_t FLAGS_MODULE = audio::MUSIC_POSRESET | audio::MUSIC_FT2MOD | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT;

using Clock = std::chrono::steady_clock;

// CPU time of this thread: time the machine gives other programs does not count.
// It costs a system call, so it is read once per run; the cheap steady clock
// splits off the mixing.
static double threadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Seconds of work per second of audio.
struct Cost {
    double decode = 1e9;  // the decoder thread's share (all of it, for libopenmpt alone)
    double mix = 0.0;     // the audio thread's share
    double total() const { return decode + mix; }
};

static void keepBest(Cost& best, const Cost& run)
{
    if (run.total() < best.total())
        best = run;
}

// One run of the engine playing a file for SECONDS; restarted if it ends early.
static Cost runEngine(const std::string& path, bool module)
{
    audio_engine::AudioEngine engine;
    engine.initHeadless();
    audio::Handle handle = module ? engine.musicLoad(false, path.c_str(), 0, 0, FLAGS_MODULE, 0)
                                  : engine.streamCreateFile(false, path.c_str(), 0, 0, audio::SAMPLE_FLOAT);
    if (!handle) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        std::exit(1);
    }
    engine.channelPlay(handle, true);
    std::vector<float> out(CALLBACK_FRAMES * 2);
    Cost cost;
    double start = threadSeconds();
    for (uint32_t done = 0; done < SECONDS * audio_engine::MIX_RATE; done += CALLBACK_FRAMES) {
        engine.decodeAll();
        Clock::time_point start = Clock::now();
        audio_engine::mixInto(engine, out.data(), CALLBACK_FRAMES);
        cost.mix += std::chrono::duration<double>(Clock::now() - start).count();
        if (engine.channelIsActive(handle) == audio::ACTIVE_STOPPED)
            engine.channelPlay(handle, true);
    }
    // The run's CPU time less the mixing is the decoding.
    cost.decode = (threadSeconds() - start - cost.mix) / SECONDS;
    cost.mix /= SECONDS;
    return cost;
}

// One run of libopenmpt alone on the module, with the settings the engine gives it.
static Cost runLibopenmpt(const std::vector<unsigned char>& data)
{
    const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "fadeout"}, {nullptr, nullptr}};
    openmpt_module* module =
        openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent, nullptr,
                                           openmpt_error_func_ignore, nullptr, nullptr, nullptr, ctls);
    openmpt_module_ctl_set_boolean(module, "render.resampler.emulate_amiga", 0);
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, -1);
    std::vector<float> out(CALLBACK_FRAMES * 2);
    double start = threadSeconds();
    for (uint32_t done = 0; done < SECONDS * audio_engine::MIX_RATE; done += CALLBACK_FRAMES) {
        if (openmpt_module_read_interleaved_float_stereo(module, audio_engine::MIX_RATE, CALLBACK_FRAMES, out.data()) ==
            0)
            openmpt_module_set_position_order_row(module, 0, 0);
    }
    Cost cost;
    cost.decode = (threadSeconds() - start) / SECONDS;
    openmpt_module_destroy(module);
    return cost;
}

static std::vector<unsigned char> readAll(const std::string& path)
{
    std::vector<unsigned char> data(1 << 20);
    FILE* file = std::fopen(path.c_str(), "rb");
    data.resize(file ? std::fread(data.data(), 1, data.size(), file) : 0);
    if (file)
        std::fclose(file);
    return data;
}

static void printRow(const char* name, const Cost& cost, const Cost& floor)
{
    std::printf("%-40s %8.3f%% %8.3f%% %8.3f%% %9.3f\n", name, cost.decode * 100, cost.mix * 100, cost.total() * 100,
                cost.total() / floor.total());
}

int main(int argc, char** argv)
{
    const bool rows = argc > 1 && std::strcmp(argv[1], "--rows") == 0;
    char folder[] = "/tmp/bench_audio_XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    std::string mod = std::string(folder) + "/bench.mod";
    std::string wav = std::string(folder) + "/bench44.wav";
    std::string ogg = std::string(folder) + "/bench48.ogg";
    if (!writeTestMod(mod.c_str(), 30.0) ||
        !writeSineFile(wav.c_str(), SoundFormat::Wav16, 440.0, 44100, 2, 30.0, 0.5) ||
        !writeSineFile(ogg.c_str(), SoundFormat::OggVorbis, 440.0, 48000, 2, 30.0, 0.5)) {
        std::fprintf(stderr, "cannot write the test media in %s\n", folder);
        return 1;
    }
    std::vector<unsigned char> modData = readAll(mod);

    // Runs interleaved, so a busy moment on the machine hits every row alike.
    Cost floor, module, wave, vorbis;
    for (int run = 0; run < RUNS; run++) {
        keepBest(floor, runLibopenmpt(modData));
        keepBest(module, runEngine(mod, true));
        keepBest(wave, runEngine(wav, false));
        keepBest(vorbis, runEngine(ogg, false));
    }

    const double overhead = module.total() / floor.total() - 1.0;
    if (rows) {
        std::printf("| audio engine on a 4-channel MOD vs libopenmpt alone, CPU per second of audio (decode + mix) | "
                    "%.3f%% vs %.3f%% (%+.1f%%) | under +%.0f%% | %s |\n",
                    module.total() * 100, floor.total() * 100, overhead * 100, OVERHEAD_GOAL * 100,
                    overhead < OVERHEAD_GOAL ? "met" : "NOT met");
        std::printf(
            "| audio engine, WAV 44.1 kHz / Ogg Vorbis 48 kHz stereo, CPU per second of audio | %.3f%% / %.3f%% "
            "| | |\n",
            wave.total() * 100, vorbis.total() * 100);
    } else {
        std::printf("audio engine: work per second of audio, %% of real time (best of %d runs of %.0f s)\n\n", RUNS,
                    SECONDS);
        std::printf("%-40s %9s %9s %9s %9s\n", "source", "decode", "mix", "total", "x floor");
        printRow("libopenmpt alone, 4-channel MOD (floor)", floor, floor);
        printRow("engine, same MOD", module, floor);
        printRow("engine, WAV 44.1 kHz stereo", wave, floor);
        printRow("engine, Ogg Vorbis 48 kHz stereo", vorbis, floor);
        std::printf("\nengine overhead on the module over libopenmpt alone: %+.1f%% (goal: under 10%%)\n",
                    overhead * 100);
    }

    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
    return 0;
}
