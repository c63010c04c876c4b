// wave: the building blocks that the songs synthesize their sounds from.
//
// Everything is plain float math with a fixed-seed noise generator, so the same
// call always yields the same samples. Rates are in Hz, times in seconds.
#pragma once
#include <cstdint>
#include <vector>

namespace compose {

constexpr double PI = 3.14159265358979323846;

// xorshift32 white noise in [-1, 1).
struct Noise {
    uint32_t state = 0x9E3779B9u;
};
float nextNoise(Noise& noise);

// Harmonic amplitude lists (index 0 = fundamental) of the classic waveforms.
std::vector<float> sawHarmonics(int count);
std::vector<float> squareHarmonics(int count);
std::vector<float> pulseHarmonics(int count, float duty);
std::vector<float> triangleHarmonics(int count);

// How many harmonics of `frequency` stay below 45% of `rate` (at least 1).
int harmonicsBelowNyquist(double frequency, double rate);

// `frames` samples of a wave with the given harmonics; `cycles` whole periods
// fit in `frames` exactly, so the result loops without a seam.
std::vector<float> harmonicLoop(int frames, int cycles, const std::vector<float>& harmonics);

// `cycles` single cycles of `cycleFrames` frames whose tone darkens from
// `brightStart` to `brightEnd` (the harmonic where the roll-off sets in) while
// the level falls from 1 to `levelEnd`: a pluck whose last cycle can be looped.
std::vector<float> darkeningCycles(int cycleFrames, int cycles, const std::vector<float>& harmonics, float brightStart,
                                   float brightEnd, float levelEnd);

// Topology-preserving state variable filter (one sample in, all outputs out).
struct Svf {
    float ic1 = 0, ic2 = 0;
};
struct SvfOut {
    float low, band, high;
};
SvfOut svfStep(Svf& filter, float input, float cutoff, float resonance, float rate);

// Percussion, each starting at full scale at frame 0 and ending in silence.
std::vector<float> renderKick(double rate, double seconds, double startHz, double endHz);
std::vector<float> renderSnare(double rate, double seconds, uint32_t seed);
std::vector<float> renderHat(double rate, double seconds, uint32_t seed);
std::vector<float> renderClap(double rate, uint32_t seed);
std::vector<float> renderCrash(double rate, double seconds, uint32_t seed);

float peakOf(const std::vector<float>& samples);
void scaleToPeak(std::vector<float>& samples, float peak);
// Linear ramps that take the first and last frames from and to silence.
void fadeEdges(std::vector<float>& samples, int fadeInFrames, int fadeOutFrames);

}  // namespace compose
