#include "text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

// stb_truetype's implementation is compiled once, in font_atlas_lib, which this links.

namespace {

uint32_t readBig32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// stb_truetype does not bounds-check, so make sure every table lies inside the file.
bool tableDirectoryFits(const std::vector<uint8_t>& ttf)
{
    if (ttf.size() < 12)
        return false;
    const uint32_t tag = readBig32(ttf.data());
    if (tag != 0x00010000u && tag != 0x74727565u && tag != 0x4F54544Fu)
        return false;
    const size_t tables = (size_t(ttf[4]) << 8) | ttf[5];
    if (tables == 0 || 12 + tables * 16 > ttf.size())
        return false;
    for (size_t i = 0; i < tables; ++i) {
        const uint8_t* record = ttf.data() + 12 + i * 16;
        if (uint64_t(readBig32(record + 8)) + readBig32(record + 12) > ttf.size())
            return false;
    }
    return true;
}

template <class GlyphFn>
float layOut(const Font& font, const char* text, float capHeight, float tracking, GlyphFn onGlyph)
{
    const float scale = capHeight / font.capHeightUnits;
    float pen = 0.0f;
    int previous = 0;
    for (const char* c = text; *c; ++c) {
        const int glyph = stbtt_FindGlyphIndex(&font.info, (unsigned char)*c);
        if (previous)
            pen += float(stbtt_GetGlyphKernAdvance(&font.info, previous, glyph)) * scale;
        onGlyph(glyph, pen, scale);
        int advance, bearing;
        stbtt_GetGlyphHMetrics(&font.info, glyph, &advance, &bearing);
        pen += float(advance) * scale;
        if (c[1])
            pen += tracking;
        previous = glyph;
    }
    return pen;
}

}  // namespace

bool loadFontBytes(std::vector<uint8_t> bytes, Font* font)
{
    *font = Font{};
    if (!tableDirectoryFits(bytes))
        return false;
    font->bytes = std::move(bytes);
    if (!stbtt_InitFont(&font->info, font->bytes.data(), 0))
        return false;
    int x0, y0, x1, y1;
    const int h = stbtt_FindGlyphIndex(&font->info, 'H');
    if (h == 0 || !stbtt_GetGlyphBox(&font->info, h, &x0, &y0, &x1, &y1) || y1 <= 0)
        return false;
    font->capHeightUnits = float(y1);
    return true;
}

bool loadFont(const char* path, Font* font)
{
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && bytes.size() < (64u << 20))
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return loadFontBytes(std::move(bytes), font);
}

bool loadFonts(const char* fontDir, Fonts* fonts)
{
    const std::pair<Font*, const char*> faces[] = {{&fonts->sans, "DejaVuSans.ttf"},
                                                   {&fonts->sansBold, "DejaVuSans-Bold.ttf"},
                                                   {&fonts->serifBold, "DejaVuSerif-Bold.ttf"}};
    for (const auto& [font, file] : faces) {
        const std::string path = std::string(fontDir) + "/" + file;
        if (!loadFont(path.c_str(), font)) {
            std::fprintf(stderr, "paint_atlas: cannot load font %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

float textWidth(const Font& font, const char* text, float capHeight, float tracking)
{
    return layOut(font, text, capHeight, tracking, [](int, float, float) {});
}

void addText(Mask& mask, const Surface& s, const Font& font, const char* text, float x, float baseline, float capHeight,
             float tracking)
{
    layOut(font, text, capHeight, tracking, [&](int glyph, float pen, float scale) {
        const float scaleX = scale * s.sx, scaleY = scale * s.sy;
        const float ox = s.x0 + (x + pen) * s.sx, oy = s.y0 + baseline * s.sy;
        const float baseX = std::floor(ox), baseY = std::floor(oy);
        int x0, y0, x1, y1;
        stbtt_GetGlyphBitmapBoxSubpixel(&font.info, glyph, scaleX, scaleY, ox - baseX, oy - baseY, &x0, &y0, &x1, &y1);
        const int w = x1 - x0, h = y1 - y0;
        if (w <= 0 || h <= 0)
            return;
        std::vector<uint8_t> bitmap(size_t(w) * size_t(h));
        stbtt_MakeGlyphBitmapSubpixel(&font.info, bitmap.data(), w, h, w, scaleX, scaleY, ox - baseX, oy - baseY,
                                      glyph);
        for (int y = 0; y < h; ++y)
            for (int gx = 0; gx < w; ++gx) {
                const int mx = int(baseX) + x0 + gx - mask.x0, my = int(baseY) + y0 + y - mask.y0;
                if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height)
                    continue;
                float& c = mask.cover[size_t(my) * size_t(mask.width) + size_t(mx)];
                c = std::min(1.0f, c + float(bitmap[size_t(y) * size_t(w) + size_t(gx)]) / 255.0f);
            }
    });
}

void addTextCentred(Mask& mask, const Surface& s, const Font& font, const char* text, float x, float baseline,
                    float capHeight, float tracking)
{
    addText(mask, s, font, text, x - textWidth(font, text, capHeight, tracking) / 2, baseline, capHeight, tracking);
}
