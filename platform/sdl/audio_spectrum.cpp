#include "platform/sdl/audio_spectrum.h"

#include <kiss_fftr.h>

#include <cmath>

namespace audio_engine {

bool createSpectrum(Spectrum& spectrum)
{
    spectrum.fft = kiss_fftr_alloc(FFT_SIZE, 0, nullptr, nullptr);
    // The periodic Hann window: its samples sum to exactly FFT_SIZE / 2, and a sine
    // centred on a bin leaks only into the two neighbouring bins.
    for (int n = 0; n < FFT_SIZE; n++)
        spectrum.window[n] = float(0.5 - 0.5 * std::cos(2.0 * M_PI * n / FFT_SIZE));
    return spectrum.fft != nullptr;
}

void destroySpectrum(Spectrum& spectrum)
{
    if (spectrum.fft)
        kiss_fftr_free(spectrum.fft);
    spectrum.fft = nullptr;
}

void computeSpectrum(Spectrum& spectrum, const float* samples, float* magnitudes)
{
    float windowed[FFT_SIZE];
    kiss_fft_cpx bins[FFT_SIZE / 2 + 1];
    for (int n = 0; n < FFT_SIZE; n++)
        windowed[n] = samples[n] * spectrum.window[n];
    kiss_fftr(spectrum.fft, windowed, bins);
    // A sine of amplitude A on bin k gives |X[k]| = A * (sum of window) / 2 = A * N / 4,
    // so 2 / N turns it into A / 2: 0.5 at full scale.
    const float scale = 2.0f / FFT_SIZE;
    for (int k = 0; k < FFT_BINS; k++)
        magnitudes[k] = std::sqrt(bins[k].r * bins[k].r + bins[k].i * bins[k].i) * scale;
}

} // namespace audio_engine
