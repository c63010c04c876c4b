// text: type for the artwork, DejaVu (fonts-dejavu-core) rendered with stb_truetype
// straight into masks at the texel resolution of the picture it belongs to.
#pragma once

#include "canvas.h"

#include <stb_truetype.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct Font {
    std::vector<uint8_t> bytes;
    stbtt_fontinfo info{};
    float capHeightUnits = 0;  // height of "H" in font units
};

struct Fonts {
    Font sans;
    Font sansBold;
    Font serifBold;
};

// Reads a TrueType file; false for a missing, truncated or unreadable file.
bool loadFont(const char* path, Font* font);
bool loadFontBytes(std::vector<uint8_t> bytes, Font* font);

// Loads the three DejaVu faces from fontDir; false (with a message on stderr) on failure.
bool loadFonts(const char* fontDir, Fonts* fonts);

// Width in design pixels of text set with capitals capHeight tall and `tracking` extra
// design pixels after every character but the last.
float textWidth(const Font& font, const char* text, float capHeight, float tracking = 0.0f);

// Adds the text's coverage to the mask; (x, baseline) in design pixels.
void addText(Mask& mask, const Surface& s, const Font& font, const char* text, float x, float baseline, float capHeight,
             float tracking = 0.0f);

// The same, centred on x.
void addTextCentred(Mask& mask, const Surface& s, const Font& font, const char* text, float x, float baseline,
                    float capHeight, float tracking = 0.0f);
