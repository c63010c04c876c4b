#include "scenes/equalizer.h"

#include <algorithm>

#include "app/frame_timer.h"
#include "disk/global_initialization.h"
#include "gui/draw.h"
#include "scenes/artwork_atlas.h"

float spectrum[SPECTRUM_SIZE];
float lastSpectrumTime = 0.0f;

void fetchSpectrum(audio::Handle channel, float elapsed)
{
    if (elapsed - lastSpectrumTime >= SPECTRUM_FETCH_INTERVAL) {
        audio::audio().channelGetData(channel, spectrum, audio::DATA_FFT512);
        lastSpectrumTime = elapsed;
    }
}

void decayEqualizer(EqualizerLevels& levels, float delta)
{
    for (auto& column : levels.cells)
        for (float& level : column) {
            level -= delta * EQUALIZER_DECAY_PER_SECOND;
            if (!(level > 0.0f))
                level = 0.0f;
        }
}

// How many cells a spectrum value lights, 0 .. EQUALIZER_ROWS. The comparisons come
// before the conversion so that any value (huge, negative, not a number) is safe.
static int litCells(float value)
{
    float scaled = value * SPECTRUM_SCALE;
    if (!(scaled >= 1.0f))
        return 0;
    if (scaled >= float(EQUALIZER_ROWS))
        return EQUALIZER_ROWS;
    return int(scaled);
}

void lightEqualizer(EqualizerLevels& levels)
{
    for (int c = 0; c < EQUALIZER_COLUMNS; ++c) {
        int n = litCells(spectrum[c]);
        for (int r = 0; r < n; ++r)
            levels.cells[c][r] = 1.0f;
    }
}

void drawEqualizer(const EqualizerLevels& levels, float alpha)
{
    const AtlasRect& cell = ATLAS_RECTS[ATLAS_EQUALIZER_CELL];
    for (int c = 0; c < EQUALIZER_COLUMNS; ++c)
        for (int r = 0; r < EQUALIZER_ROWS; ++r) {
            float x = float(c * double(0.045f) - double(0.457f));
            float y = float(r * double(0.05f) - double(0.32f));
            float a = std::min(alpha, levels.cells[c][r]);
            drawQuad(skinTexture, x, y, 0.04f, 0.04f, cell.u0, cell.v0, cell.u1, cell.v1, 1.0f, 1.0f, 1.0f, a);
        }
}

void runEqualizer(EqualizerLevels& levels, audio::Handle channel, float alpha)
{
    const FrameTimer& timer = FrameTimer::instance();
    fetchSpectrum(channel, timer.elapsed);
    decayEqualizer(levels, timer.delta);
    lightEqualizer(levels);
    drawEqualizer(levels, alpha);
}
