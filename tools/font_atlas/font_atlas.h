// font_atlas: renders the bitmap font atlas (data/font.png) from a TrueType font.
//
// The atlas is an 8 x 8 grid of equal square cells holding the characters space (32)
// through Z (90): character c lives in cell k = c - 32, column k % 8, row k / 8; the
// last five cells stay empty. The program shows only the middle (1 - 2t) of a cell's
// width, t = GLYPH_INSET[c - 32], and never the top TOP_STRIP of the image height of a
// cell, and it advances the pen by exactly the shown width. So every glyph is fitted into
// that window: stretched horizontally to fill it less a little letter spacing, on one
// baseline and cap height shared by all glyphs. Glyphs are white, alpha = coverage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int FIRST_GLYPH = 32;
constexpr int LAST_GLYPH = 90;
constexpr int GLYPH_COUNT = LAST_GLYPH - FIRST_GLYPH + 1;
constexpr int ATLAS_COLUMNS = 8;

// Fraction of the image height cut off the top of every cell when a glyph is shown.
constexpr float TOP_STRIP = 0.008f;

// Fraction of the cell width left out on each side of a glyph, indexed by c - 32.
// The program carries the same table; the two must agree.
extern const float GLYPH_INSET[GLYPH_COUNT];

struct FontImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4, rows top to bottom
};

// The pixel columns [left, right) of a cell that the program shows for character c,
// and the first row [top, ...) it shows, all relative to the cell's top-left corner.
struct GlyphWindow {
    float left;
    float right;
    float top;
};

GlyphWindow glyphWindow(int c, int atlasSize);

// Renders the atlas at atlasSize x atlasSize pixels (a multiple of 8, 64 to 4096) from
// the bytes of a TrueType file. Returns false, leaving *out empty, when the size is out
// of range, the file is not a readable TrueType font or a character has no glyph.
bool renderFontAtlas(const uint8_t* ttf, size_t ttfSize, int atlasSize, FontImage* out);
