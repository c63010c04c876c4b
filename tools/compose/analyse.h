// analyse: renders or decodes a track and measures what a listener and the
// equalizer get from it.
//
// Modules are rendered with libopenmpt at 44100 Hz stereo, played once; other
// files are decoded with libsndfile. The spectrum is a Hann-windowed 512-point
// FFT of the mono mix taken every 40 ms, scaled so that a full-scale sine on a
// bin reads 0.5 there; bins 0..15 are what the disk's equalizer shows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace compose {

constexpr int ANALYSIS_RATE = 44100;
constexpr int EQUALIZER_BINS = 16;

struct TrackStats {
    double seconds = 0;
    float peak = 0;
    float rms = 0;
    float binMedian[EQUALIZER_BINS] = {};
    float binP90[EQUALIZER_BINS] = {};
};

// Renders a module from memory once through at 44100 Hz into interleaved
// stereo. Messages libopenmpt logs while loading go to *warnings (may be null).
bool renderModule(const std::vector<uint8_t>& file, std::vector<float>* stereo, std::vector<std::string>* warnings,
                  std::string* error);

// Decodes a sampled file into interleaved stereo (mono is duplicated); *rate
// receives its sample rate.
bool decodeSampled(const std::string& path, std::vector<float>* stereo, int* rate, std::string* error);

// 256 magnitudes of one 512-frame window of mono audio.
std::vector<float> spectrum512(const float* mono);

TrackStats measureTrack(const std::vector<float>& stereo, int rate);

// Renders or decodes the file (modules recognised by their extension) and
// measures it.
bool analyseFile(const std::string& path, TrackStats* stats, std::string* error);

bool readWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace compose
