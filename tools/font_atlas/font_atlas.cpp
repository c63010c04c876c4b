#include "font_atlas.h"

#include <algorithm>
#include <cmath>

#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

const float GLYPH_INSET[GLYPH_COUNT] = {
    0.30f, 0.35f, 0.30f, 0.10f, 0.24f, 0.04f, 0.16f, 0.36f,  // space ! " # $ % & '
    0.28f, 0.28f, 0.28f, 0.20f, 0.35f, 0.20f, 0.38f, 0.26f,  // ( ) * + , - . /
    0.20f, 0.26f, 0.20f, 0.20f, 0.22f, 0.18f, 0.20f, 0.23f,  // 0 1 2 3 4 5 6 7
    0.22f, 0.22f, 0.30f, 0.30f, 0.20f, 0.20f, 0.20f, 0.18f,  // 8 9 : ; < = > ?
    0.02f, 0.14f, 0.14f, 0.12f, 0.16f, 0.18f, 0.20f, 0.14f,  // @ A B C D E F G
    0.14f, 0.36f, 0.22f, 0.16f, 0.20f, 0.08f, 0.17f, 0.10f,  // H I J K L M N O
    0.19f, 0.12f, 0.16f, 0.17f, 0.16f, 0.16f, 0.16f, 0.00f,  // P Q R S T U V W
    0.17f, 0.20f, 0.19f,                                     // X Y Z
};

namespace {

// Gap left free on each side of a glyph's ink, as a fraction of the cell size: the pen
// moves by exactly the shown width, so this is the only letter spacing there is.
constexpr float SIDE_GAP = 0.05f;

// Limits on how far a glyph is stretched or squeezed horizontally to fill its window;
// beyond them it keeps the limit and is centred, which looks better than a fat "!" or "I".
constexpr float MIN_STRETCH = 0.75f;
constexpr float MAX_STRETCH = 1.40f;

uint32_t readBig32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// stb_truetype trusts the file completely, so check that the table directory and every
// table it names lie inside the buffer before handing it over.
bool tableDirectoryFits(const uint8_t* ttf, size_t size)
{
    if (size < 12)
        return false;
    const uint32_t tag = readBig32(ttf);
    if (tag != 0x00010000u && tag != 0x74727565u /* true */ && tag != 0x4F54544Fu /* OTTO */)
        return false;
    const size_t tableCount = (size_t(ttf[4]) << 8) | ttf[5];
    if (tableCount == 0 || 12 + tableCount * 16 > size)
        return false;
    for (size_t i = 0; i < tableCount; ++i) {
        const uint8_t* record = ttf + 12 + i * 16;
        const uint64_t offset = readBig32(record + 8);
        const uint64_t length = readBig32(record + 12);
        if (offset + length > size)
            return false;
    }
    return true;
}

int topEmptyRows(int atlasSize) { return int(std::ceil(TOP_STRIP * float(atlasSize))) + 1; }

// Draws one glyph's coverage bitmap into the atlas, clipped to its cell.
void blitGlyph(const stbtt_fontinfo& font, int glyph, float scaleX, float scaleY, float originX, float originY,
               int cellX, int cellY, int cellSize, FontImage* out)
{
    const float baseX = std::floor(originX);
    const float baseY = std::floor(originY);
    const float shiftX = originX - baseX;
    const float shiftY = originY - baseY;
    int x0, y0, x1, y1;
    stbtt_GetGlyphBitmapBoxSubpixel(&font, glyph, scaleX, scaleY, shiftX, shiftY, &x0, &y0, &x1, &y1);
    const int w = x1 - x0;
    const int h = y1 - y0;
    if (w <= 0 || h <= 0)
        return;
    std::vector<uint8_t> coverage(size_t(w) * size_t(h));
    stbtt_MakeGlyphBitmapSubpixel(&font, coverage.data(), w, h, w, scaleX, scaleY, shiftX, shiftY, glyph);
    for (int y = 0; y < h; ++y) {
        const int ay = int(baseY) + y0 + y;
        if (ay < cellY || ay >= cellY + cellSize)
            continue;
        for (int x = 0; x < w; ++x) {
            const int ax = int(baseX) + x0 + x;
            if (ax < cellX || ax >= cellX + cellSize)
                continue;
            uint8_t& alpha = out->rgba[(size_t(ay) * size_t(out->width) + size_t(ax)) * 4 + 3];
            alpha = std::max(alpha, coverage[size_t(y) * size_t(w) + size_t(x)]);
        }
    }
}

}  // namespace

GlyphWindow glyphWindow(int c, int atlasSize)
{
    const float cell = float(atlasSize) / ATLAS_COLUMNS;
    const float inset = GLYPH_INSET[c - FIRST_GLYPH];
    return {inset * cell, (1.0f - inset) * cell, TOP_STRIP * float(atlasSize)};
}

bool renderFontAtlas(const uint8_t* ttf, size_t ttfSize, int atlasSize, FontImage* out)
{
    *out = FontImage{};
    if (atlasSize < 64 || atlasSize > 4096 || atlasSize % ATLAS_COLUMNS != 0)
        return false;
    if (ttf == nullptr || !tableDirectoryFits(ttf, ttfSize))
        return false;
    stbtt_fontinfo font;
    if (!stbtt_InitFont(&font, ttf, 0))
        return false;

    // One vertical scale for all glyphs: the tallest ascent and deepest descent of the set
    // just fit between the cell's hidden top strip and its bottom row.
    int glyphs[GLYPH_COUNT];
    int top = 0, bottom = 0;
    for (int c = FIRST_GLYPH; c <= LAST_GLYPH; ++c) {
        const int g = stbtt_FindGlyphIndex(&font, c);
        if (g == 0)
            return false;
        glyphs[c - FIRST_GLYPH] = g;
        int x0, y0, x1, y1;
        if (c != ' ' && stbtt_GetGlyphBox(&font, g, &x0, &y0, &x1, &y1)) {
            top = std::max(top, y1);
            bottom = std::min(bottom, y0);
        }
    }
    if (top <= bottom)
        return false;
    const int cell = atlasSize / ATLAS_COLUMNS;
    const int topEmpty = topEmptyRows(atlasSize);
    const float scaleY = float(cell - 1 - topEmpty) / float(top - bottom);
    const float baseline = float(topEmpty) + float(top) * scaleY;

    out->width = atlasSize;
    out->height = atlasSize;
    out->rgba.assign(size_t(atlasSize) * size_t(atlasSize) * 4, 255);
    for (size_t i = 3; i < out->rgba.size(); i += 4)
        out->rgba[i] = 0;

    for (int c = FIRST_GLYPH + 1; c <= LAST_GLYPH; ++c) {
        const int g = glyphs[c - FIRST_GLYPH];
        int x0, y0, x1, y1;
        if (!stbtt_GetGlyphBox(&font, g, &x0, &y0, &x1, &y1) || x1 <= x0)
            continue;
        const int k = c - FIRST_GLYPH;
        const int cellX = (k % ATLAS_COLUMNS) * cell;
        const int cellY = (k / ATLAS_COLUMNS) * cell;
        const GlyphWindow window = glyphWindow(c, atlasSize);
        const float target = window.right - window.left - 2.0f * SIDE_GAP * float(cell);
        const float natural = float(x1 - x0) * scaleY;
        const float stretch = std::clamp(target / natural, MIN_STRETCH, MAX_STRETCH);
        const float scaleX = scaleY * stretch;
        const float inkWidth = float(x1 - x0) * scaleX;
        const float inkLeft = float(cellX) + window.left + (window.right - window.left - inkWidth) / 2;
        blitGlyph(font, g, scaleX, scaleY, inkLeft - float(x0) * scaleX, float(cellY) + baseline, cellX, cellY, cell,
                  out);
    }
    return true;
}
