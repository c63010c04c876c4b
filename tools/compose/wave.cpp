#include "tools/compose/wave.h"

#include <algorithm>
#include <cmath>

namespace compose {

float nextNoise(Noise& noise)
{
    uint32_t x = noise.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noise.state = x;
    return float(double(x) / 2147483648.0 - 1.0);
}

std::vector<float> sawHarmonics(int count)
{
    std::vector<float> amplitudes(size_t(std::max(count, 1)));
    for (size_t h = 0; h < amplitudes.size(); ++h)
        amplitudes[h] = float(2.0 / (PI * double(h + 1)));
    return amplitudes;
}

std::vector<float> squareHarmonics(int count) { return pulseHarmonics(count, 0.5f); }

std::vector<float> pulseHarmonics(int count, float duty)
{
    std::vector<float> amplitudes(size_t(std::max(count, 1)));
    for (size_t h = 0; h < amplitudes.size(); ++h) {
        double n = double(h + 1);
        amplitudes[h] = float(2.0 * std::sin(PI * n * duty) / (PI * n));
    }
    return amplitudes;
}

std::vector<float> triangleHarmonics(int count)
{
    std::vector<float> amplitudes(size_t(std::max(count, 1)));
    for (size_t h = 0; h < amplitudes.size(); h += 2) {
        double n = double(h + 1);
        amplitudes[h] = float(8.0 / (PI * PI * n * n)) * ((h / 2) % 2 ? -1.0f : 1.0f);
    }
    return amplitudes;
}

int harmonicsBelowNyquist(double frequency, double rate) { return std::max(1, int(0.45 * rate / frequency)); }

std::vector<float> harmonicLoop(int frames, int cycles, const std::vector<float>& harmonics)
{
    std::vector<float> out(size_t(std::max(frames, 0)), 0.0f);
    for (size_t h = 0; h < harmonics.size(); ++h) {
        if (harmonics[h] == 0.0f)
            continue;
        double step = 2.0 * PI * double(cycles) * double(h + 1) / double(frames);
        for (int i = 0; i < frames; ++i)
            out[size_t(i)] += harmonics[h] * float(std::sin(step * i));
    }
    return out;
}

std::vector<float> darkeningCycles(int cycleFrames, int cycles, const std::vector<float>& harmonics, float brightStart,
                                   float brightEnd, float levelEnd)
{
    std::vector<float> out;
    for (int k = 0; k < cycles; ++k) {
        float t = cycles > 1 ? float(k) / float(cycles - 1) : 1.0f;
        float cutoff = brightEnd + (brightStart - brightEnd) * (1 - t) * (1 - t);
        std::vector<float> shaped = harmonics;
        for (size_t h = 0; h < shaped.size(); ++h) {
            float ratio = float(h + 1) / cutoff;
            shaped[h] /= std::sqrt(1.0f + ratio * ratio * ratio * ratio);
        }
        float level = 1.0f + (levelEnd - 1.0f) * t;
        for (float x : harmonicLoop(cycleFrames, 1, shaped))
            out.push_back(x * level);
    }
    return out;
}

SvfOut svfStep(Svf& filter, float input, float cutoff, float resonance, float rate)
{
    float g = float(std::tan(PI * std::min(double(cutoff), 0.49 * rate) / rate));
    float k = 1.0f / std::max(resonance, 0.1f);
    float a1 = 1.0f / (1.0f + g * (g + k));
    float a2 = g * a1;
    float a3 = g * a2;
    float v3 = input - filter.ic2;
    float v1 = a1 * filter.ic1 + a2 * v3;
    float v2 = filter.ic2 + a2 * filter.ic1 + a3 * v3;
    filter.ic1 = 2.0f * v1 - filter.ic1;
    filter.ic2 = 2.0f * v2 - filter.ic2;
    return {v2, v1, input - k * v1 - v2};
}

std::vector<float> renderKick(double rate, double seconds, double startHz, double endHz)
{
    std::vector<float> out(size_t(rate * seconds));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        double t = double(i) / rate;
        double frequency = endHz + (startHz - endHz) * std::exp(-t / 0.035);
        phase += 2.0 * PI * frequency / rate;
        double body = std::sin(phase) * std::exp(-t / (seconds * 0.35));
        double attack = std::min(1.0, t / 0.0015);
        out[i] = float(std::tanh(1.6 * body * attack) / std::tanh(1.6));
    }
    fadeEdges(out, 0, int(rate * 0.01));
    return out;
}

std::vector<float> renderSnare(double rate, double seconds, uint32_t seed)
{
    std::vector<float> out(size_t(rate * seconds));
    Noise noise{seed};
    Svf band;
    for (size_t i = 0; i < out.size(); ++i) {
        double t = double(i) / rate;
        double tone = (std::sin(2 * PI * 185 * t) * 0.7 + std::sin(2 * PI * 330 * t) * 0.3) * std::exp(-t / 0.045);
        float hiss = svfStep(band, nextNoise(noise), 3200.0f, 0.7f, float(rate)).band;
        double noiseLevel = std::exp(-t / (seconds * 0.3));
        out[i] = float(0.65 * tone + 1.3 * hiss * noiseLevel) * float(std::min(1.0, t / 0.001));
    }
    scaleToPeak(out, 1.0f);
    fadeEdges(out, 0, int(rate * 0.01));
    return out;
}

std::vector<float> renderHat(double rate, double seconds, uint32_t seed)
{
    std::vector<float> out(size_t(rate * seconds));
    Noise noise{seed};
    Svf high;
    float cutoff = float(std::min(7500.0, rate * 0.3));
    for (size_t i = 0; i < out.size(); ++i) {
        double t = double(i) / rate;
        float hiss = svfStep(high, nextNoise(noise), cutoff, 0.8f, float(rate)).high;
        out[i] = hiss * float(std::exp(-t / (seconds * 0.3)));
    }
    scaleToPeak(out, 1.0f);
    fadeEdges(out, int(rate * 0.0005), int(rate * 0.004));
    return out;
}

std::vector<float> renderClap(double rate, uint32_t seed)
{
    std::vector<float> out(size_t(rate * 0.3));
    Noise noise{seed};
    Svf band;
    const double burstStarts[4] = {0.0, 0.011, 0.022, 0.034};
    for (size_t i = 0; i < out.size(); ++i) {
        double t = double(i) / rate;
        double level = 0;
        for (double start : burstStarts)
            if (t >= start)
                level = std::max(level, std::exp(-(t - start) / (start < 0.03 ? 0.006 : 0.09)));
        out[i] = svfStep(band, nextNoise(noise), 1400.0f, 1.2f, float(rate)).band * float(level);
    }
    scaleToPeak(out, 1.0f);
    fadeEdges(out, int(rate * 0.0005), int(rate * 0.01));
    return out;
}

std::vector<float> renderCrash(double rate, double seconds, uint32_t seed)
{
    std::vector<float> out(size_t(rate * seconds));
    Noise noise{seed};
    Svf high, band;
    for (size_t i = 0; i < out.size(); ++i) {
        double t = double(i) / rate;
        float x = nextNoise(noise);
        float hiss = svfStep(high, x, float(std::min(4000.0, rate * 0.25)), 0.6f, float(rate)).high;
        float ring = svfStep(band, x, float(std::min(5200.0, rate * 0.3)), 4.0f, float(rate)).band;
        out[i] = (hiss + 0.5f * ring) * float(std::exp(-t / (seconds * 0.28)));
    }
    scaleToPeak(out, 1.0f);
    fadeEdges(out, int(rate * 0.001), int(rate * 0.05));
    return out;
}

float peakOf(const std::vector<float>& samples)
{
    float peak = 0;
    for (float x : samples)
        peak = std::max(peak, std::fabs(x));
    return peak;
}

void scaleToPeak(std::vector<float>& samples, float peak)
{
    float current = peakOf(samples);
    if (current <= 0)
        return;
    for (float& x : samples)
        x *= peak / current;
}

void fadeEdges(std::vector<float>& samples, int fadeInFrames, int fadeOutFrames)
{
    int n = int(samples.size());
    for (int i = 0; i < std::min(fadeInFrames, n); ++i)
        samples[size_t(i)] *= float(i) / float(fadeInFrames);
    for (int i = 0; i < std::min(fadeOutFrames, n); ++i)
        samples[size_t(n - 1 - i)] *= float(i) / float(fadeOutFrames);
}

}  // namespace compose
