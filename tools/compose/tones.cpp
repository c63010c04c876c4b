#include "tools/compose/tones.h"

#include <sndfile.h>

#include <cmath>

#include "tools/compose/wave.h"

namespace compose {

namespace {

constexpr int TONE_RATE = 44100;
constexpr float TONE_PEAK = 0.5f;
constexpr int FADE_FRAMES = TONE_RATE / 100;

bool writeTone(const std::string& path, double frequency, double seconds, std::string* error)
{
    std::vector<float> samples(size_t(seconds * TONE_RATE));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = TONE_PEAK * float(std::sin(2.0 * PI * frequency * double(i) / TONE_RATE));
    fadeEdges(samples, FADE_FRAMES, FADE_FRAMES);
    SF_INFO info{};
    info.samplerate = TONE_RATE;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        *error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    bool ok = sf_writef_float(file, samples.data(), sf_count_t(samples.size())) == sf_count_t(samples.size());
    sf_close(file);
    if (!ok)
        *error = "cannot write all of " + path;
    return ok;
}

}  // namespace

const std::vector<ToneTrack>& toneTracks()
{
    static const std::vector<ToneTrack> tracks = {
        {"tone_a.wav", 440.0},
        {"tone_b.wav", 660.0},
        {"tone_c.wav", 990.0},
    };
    return tracks;
}

bool writeToneTracks(const std::string& folder, double seconds, std::vector<std::string>* written, std::string* error)
{
    if (!(seconds > 0.0 && seconds <= 600.0)) {
        *error = "a tone lasts more than 0 and at most 600 seconds";
        return false;
    }
    for (const ToneTrack& track : toneTracks()) {
        std::string path = folder + "/" + track.name;
        if (!writeTone(path, track.frequency, seconds, error))
            return false;
        written->push_back(path);
    }
    return true;
}

}  // namespace compose
