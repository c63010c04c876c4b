// equalizer: the player screen's bar graph of 16 columns of 12 cells, lit by the
// lowest 16 bins of the current track's spectrum.
//
// Each frame it runs: fetch the spectrum (at most every 0.04 s), let every cell
// fade (to dark in 0.25 s), light each column up to its bin's level (from the
// last fetched spectrum, so those cells stay lit between fetches) and draw all 192
// cells. The cell levels belong to the player screen and stay frozen while the
// equalizer is not run.
#pragma once
#include "platform/audio.h"

constexpr int EQUALIZER_COLUMNS = 16;
constexpr int EQUALIZER_ROWS = 12;
constexpr int SPECTRUM_SIZE = 256;
constexpr float SPECTRUM_FETCH_INTERVAL = 0.04f;
constexpr float SPECTRUM_SCALE = 70.0f;  // a bin of 1/70 lights one cell
constexpr float EQUALIZER_DECAY_PER_SECOND = 4.0f;

// Brightness 0..1 of each cell; row 0 is the bottom one.
struct EqualizerLevels {
    float cells[EQUALIZER_COLUMNS][EQUALIZER_ROWS];
};

// The magnitudes of the latest fetch, and the timer's elapsed time at that fetch.
extern float spectrum[SPECTRUM_SIZE];
extern float lastSpectrumTime;

// The steps of one frame, in the order runEqualizer takes them.
void fetchSpectrum(audio::Handle channel, float elapsed);
void decayEqualizer(EqualizerLevels& levels, float delta);
void lightEqualizer(EqualizerLevels& levels);
// Every cell at depth 1.0; a cell's alpha is the smaller of the screen's alpha and
// its level, so dark cells are submitted too, at alpha 0.
void drawEqualizer(const EqualizerLevels& levels, float alpha);

// One frame of the equalizer for the current track's channel, with the frame
// timer's elapsed time and delta.
void runEqualizer(EqualizerLevels& levels, audio::Handle channel, float alpha);
