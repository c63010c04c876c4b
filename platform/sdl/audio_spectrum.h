// audio_spectrum: the magnitude spectrum behind channelGetData(DATA_FFT512).
//
// A Hann-windowed 512-point real FFT (kissfft) of mono samples, 256 magnitudes
// (bin k is k * 44100 / 512 Hz), scaled so that a full-scale sine centred on bin k
// reads 0.5 at bin k.
#pragma once

struct kiss_fftr_state;

namespace audio_engine {

constexpr int FFT_SIZE = 512;
constexpr int FFT_BINS = FFT_SIZE / 2;

struct Spectrum {
    kiss_fftr_state* fft;
    float window[FFT_SIZE];
};

bool createSpectrum(Spectrum& spectrum);
void destroySpectrum(Spectrum& spectrum);

// samples: FFT_SIZE values; magnitudes: FFT_BINS values.
void computeSpectrum(Spectrum& spectrum, const float* samples, float* magnitudes);

} // namespace audio_engine
