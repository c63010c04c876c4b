// font: the bitmap font, an image of 8 x 8 equal cells holding the characters
// space (32) through Z (90), row by row from the top-left cell.
//
// Each glyph leaves a fixed fraction t of its cell's width out on both sides
// (glyphInset), so it spans the middle 1 - 2t of the cell and is that much narrower
// on screen; the top 0.008 of every cell is never shown.
#pragma once
#include <cstdint>

#include "platform/gpu.h"

constexpr int FIRST_GLYPH = 32;  // space
constexpr int LAST_GLYPH = 90;   // Z
constexpr int GLYPH_COUNT = LAST_GLYPH - FIRST_GLYPH + 1;

extern const float glyphInset[GLYPH_COUNT];

// The font atlas; owned by the GuiRenderer.
extern gpu::Texture* fontTexture;

struct GlyphRect {
    float u0, v0, u1, v1;
};

inline bool isDrawableGlyph(int code) { return code >= FIRST_GLYPH && code <= LAST_GLYPH; }

// The texture rectangle of a drawable character code.
GlyphRect glyphRect(int code);

// The on-screen width of a drawable character at a text size.
inline float glyphWidth(int code, float size)
{
    return size - size * glyphInset[code - FIRST_GLYPH] * 2.0f;
}
