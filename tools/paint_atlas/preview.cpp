#include "preview.h"

#include "atlas_layout.h"
#include "canvas.h"
#include "font_atlas.h"

#include <algorithm>
#include <cctype>
#include <cmath>

const char* const PREVIEW_NAMES[PREVIEW_COUNT] = {"logo", "intro", "main", "info", "about"};

namespace {

struct Texel {
    float r, g, b, a;  // straight
};

struct MipLevel {
    int width, height;
    std::vector<Texel> texels;
};

using Texture = std::vector<MipLevel>;

Texture makeTexture(const RgbaImage& image)
{
    Texture t;
    MipLevel base{image.width, image.height, std::vector<Texel>(size_t(image.width) * size_t(image.height))};
    for (size_t i = 0; i < base.texels.size(); ++i)
        base.texels[i] = {image.rgba[i * 4] / 255.0f, image.rgba[i * 4 + 1] / 255.0f, image.rgba[i * 4 + 2] / 255.0f,
                          image.rgba[i * 4 + 3] / 255.0f};
    t.push_back(std::move(base));
    while (t.back().width > 1 || t.back().height > 1) {
        const MipLevel& up = t.back();
        MipLevel down{std::max(1, up.width / 2), std::max(1, up.height / 2), {}};
        down.texels.resize(size_t(down.width) * size_t(down.height));
        for (int y = 0; y < down.height; ++y)
            for (int x = 0; x < down.width; ++x) {
                Texel sum{0, 0, 0, 0};
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const int sx = std::min(up.width - 1, x * 2 + dx), sy = std::min(up.height - 1, y * 2 + dy);
                        const Texel& s = up.texels[size_t(sy) * size_t(up.width) + size_t(sx)];
                        sum = {sum.r + s.r / 4, sum.g + s.g / 4, sum.b + s.b / 4, sum.a + s.a / 4};
                    }
                down.texels[size_t(y) * size_t(down.width) + size_t(x)] = sum;
            }
        t.push_back(std::move(down));
    }
    return t;
}

Texel bilinear(const MipLevel& m, float u, float v)
{
    const float x = u * float(m.width) - 0.5f, y = v * float(m.height) - 0.5f;
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const float fx = x - float(x0), fy = y - float(y0);
    auto at = [&](int tx, int ty) {
        tx = std::clamp(tx, 0, m.width - 1);
        ty = std::clamp(ty, 0, m.height - 1);
        return m.texels[size_t(ty) * size_t(m.width) + size_t(tx)];
    };
    const Texel a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    auto lerp = [](Texel p, Texel q, float t) {
        return Texel{p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t, p.a + (q.a - p.a) * t};
    };
    return lerp(lerp(a, b, fx), lerp(c, d, fx), fy);
}

Texel trilinear(const Texture& t, float u, float v, float lod)
{
    lod = std::clamp(lod, 0.0f, float(t.size() - 1));
    const int l0 = int(lod);
    const int l1 = std::min(l0 + 1, int(t.size()) - 1);
    const float f = lod - float(l0);
    const Texel a = bilinear(t[size_t(l0)], u, v), b = bilinear(t[size_t(l1)], u, v);
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f};
}

struct Quad {
    const Texture* texture;
    float x, y, w, h;
    float u0, v0, u1, v1;
    float r, g, b, a;
    float depth;
};

struct Frame {
    const Texture* atlas;
    const Texture* font;
    std::vector<Quad> quads;

    void quad(const AtlasPlacement& e, float x, float y, float w, float h, float a = 1.0f, float depth = -1.0f)
    {
        const AtlasRect& r = ATLAS_RECTS[e.id];
        quads.push_back({atlas, x, y, w, h, r.u0, r.v0, r.u1, r.v1, 1, 1, 1, a, depth < 0 ? e.depth : depth});
    }
    void quad(AtlasPicture id)
    {
        const AtlasPlacement& e = ATLAS_PLACEMENTS[id];
        quad(e, e.x, e.y, e.w, e.h);
    }

    // The program's text layout: one quad per glyph, the pen moves by the shown width.
    bool glyph(char ch, float size, float* width, Quad* q)
    {
        const int c = std::toupper((unsigned char)ch);
        if (c < FIRST_GLYPH || c > LAST_GLYPH)
            return false;
        const int k = c - FIRST_GLYPH, col = k % 8, row = k / 8;
        const float t = GLYPH_INSET[k];
        *width = size - size * t * 2;
        *q = {font,
              0,
              0,
              *width,
              size * ASPECT,
              t * 0.125f + col * 0.125f,
              row * 0.125f + 0.008f,
              (col + 1) * 0.125f - t * 0.125f,
              (row + 1) * 0.125f,
              1,
              1,
              1,
              1,
              0.9f};
        return true;
    }
    void text(const char* s, float x, float y, float size)
    {
        float advance = 0;
        for (; *s; ++s) {
            if (x + advance > 1.0f)
                break;
            float gw;
            Quad q;
            if (!glyph(*s, size, &gw, &q))
                continue;
            q.x = x + advance;
            q.y = y;
            quads.push_back(q);
            advance += gw;
        }
    }
    void textWindow(const char* s, float x, float y, float size, float windowWidth, float offset)
    {
        float advance = 0, rel = -offset;
        for (; *s; ++s) {
            if (x + rel > 1.0f)
                break;
            float gw;
            Quad q;
            if (!glyph(*s, size, &gw, &q))
                continue;
            if (rel + gw > windowWidth)
                break;
            q.x = x + advance - offset;
            q.y = y;
            advance += gw;
            rel = advance - offset;
            if (rel >= 0)
                quads.push_back(q);
        }
    }
    void textBox(const char* s, float x, float y, float size, float boxWidth, float boxHeight, float offset)
    {
        float pen = 0, lineY = -offset;
        for (; *s; ++s) {
            if (lineY < -boxHeight)
                break;
            const int c = std::toupper((unsigned char)*s);
            if (c != 10 && (c < FIRST_GLYPH || c > LAST_GLYPH))
                continue;
            if (c == 10 || (c == 32 && pen > boxWidth)) {
                lineY -= size * 2.6f;
                pen = 0;
                continue;
            }
            float gw = 0;
            Quad q;
            glyph(*s, size, &gw, &q);
            q.x = x + pen;
            q.y = y + lineY;
            pen += gw;
            if (lineY <= 0)
                quads.push_back(q);
        }
    }
};

RgbaImage rasterise(std::vector<Quad> quads)
{
    std::stable_sort(quads.begin(), quads.end(), [](const Quad& a, const Quad& b) { return a.depth > b.depth; });
    std::vector<float> screen(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT * 3, 0.0f);
    for (const Quad& q : quads) {
        const MipLevel& base = (*q.texture)[0];
        const float pxPerUnitX = SCREEN_WIDTH / 2.0f, pxPerUnitY = SCREEN_HEIGHT / 2.0f;
        const float texelsPerPxX = std::fabs(q.u1 - q.u0) * base.width / (q.w * pxPerUnitX);
        const float texelsPerPxY = std::fabs(q.v1 - q.v0) * base.height / (q.h * pxPerUnitY);
        const float lod = std::log2(std::max({texelsPerPxX, texelsPerPxY, 1e-6f}));
        const int px0 = std::max(0, int(std::floor((q.x + 1) * pxPerUnitX)));
        const int px1 = std::min(SCREEN_WIDTH, int(std::ceil((q.x + q.w + 1) * pxPerUnitX)));
        const int py0 = std::max(0, int(std::floor((1 - q.y - q.h) * pxPerUnitY)));
        const int py1 = std::min(SCREEN_HEIGHT, int(std::ceil((1 - q.y) * pxPerUnitY)));
        for (int py = py0; py < py1; ++py)
            for (int px = px0; px < px1; ++px) {
                const float sx = (px + 0.5f) / pxPerUnitX - 1, sy = 1 - (py + 0.5f) / pxPerUnitY;
                if (sx < q.x || sx >= q.x + q.w || sy < q.y || sy >= q.y + q.h)
                    continue;
                const float u = q.u0 + (sx - q.x) / q.w * (q.u1 - q.u0);
                const float v = q.v0 + (q.y + q.h - sy) / q.h * (q.v1 - q.v0);
                const Texel t = trilinear(*q.texture, u, v, lod);
                const float a = t.a * q.a;
                float* d = &screen[(size_t(py) * SCREEN_WIDTH + size_t(px)) * 3];
                d[0] = t.r * q.r * a + d[0] * (1 - a);
                d[1] = t.g * q.g * a + d[1] * (1 - a);
                d[2] = t.b * q.b * a + d[2] * (1 - a);
            }
    }
    RgbaImage out{SCREEN_WIDTH, SCREEN_HEIGHT, std::vector<uint8_t>(size_t(SCREEN_WIDTH) * SCREEN_HEIGHT * 4, 255)};
    for (size_t i = 0; i < size_t(SCREEN_WIDTH) * SCREEN_HEIGHT; ++i)
        for (int c = 0; c < 3; ++c)
            out.rgba[i * 4 + size_t(c)] = uint8_t(std::lround(std::clamp(screen[i * 3 + size_t(c)], 0.0f, 1.0f) * 255));
    return out;
}

void mainScreen(Frame& f)
{
    f.quad(ATLAS_BACKGROUND);
    f.quad(ATLAS_TITLE_BANNER);
    f.quad(ATLAS_PLAYER_PANEL);
    for (AtlasPicture id : {ATLAS_STOP_BUTTON, ATLAS_PLAY_BUTTON, ATLAS_PAUSE_BUTTON, ATLAS_PREVIOUS_BUTTON,
                            ATLAS_NEXT_BUTTON, ATLAS_TRANSPORT_ORNAMENT})
        f.quad(id);
    const AtlasPlacement& pip = ATLAS_PLACEMENTS[ATLAS_VOLUME_PIP];
    for (int i = 0; i < 7; ++i)
        f.quad(pip, pip.x + 0.015f * float(i), pip.y, pip.w, pip.h);
    f.quad(ATLAS_TITLE_STRIP);
    f.textWindow("Moonrise over the lagoon  -  Quorvatelle", -0.435f, -0.495f, 0.03f, 0.7f, 0.2f);
    f.quad(ATLAS_TITLE_STRIP_FRAME);
    const AtlasPlacement& cell = ATLAS_PLACEMENTS[ATLAS_EQUALIZER_CELL];
    for (int c = 0; c < 16; ++c) {
        const float level = 11.5f * std::exp(-float(c) * 0.13f) * (0.65f + 0.35f * hashUnit(uint32_t(c) * 3 + 1));
        for (int r = 0; r < 12; ++r) {
            const float a = float(r) < level ? 1.0f : std::max(0.0f, 1.0f - (float(r) - level) * 0.45f);
            f.quad(cell, float(c) * 0.045f - 0.457f, float(r) * 0.05f - 0.32f, 0.04f, 0.04f, a > 0.5f ? a : a * 0.5f);
        }
    }
    for (AtlasPicture id :
         {ATLAS_INFO_BUTTON, ATLAS_ABOUT_BUTTON, ATLAS_EXIT_BUTTON, ATLAS_VOLUME_UP_BUTTON, ATLAS_VOLUME_DOWN_BUTTON})
        f.quad(id);
    const AtlasPlacement& bubble = ATLAS_PLACEMENTS[ATLAS_MAIN_BUBBLE];
    for (int i = 0; i < 50; ++i) {
        const float x = hashUnit(uint32_t(i) * 4 + 100) * 3 - 1.5f, y = hashUnit(uint32_t(i) * 4 + 101) * 0.4f - 1.5f;
        const float size = hashUnit(uint32_t(i) * 4 + 103) * 0.15f + 0.3f;
        f.quad(bubble, x, y, size, size * ASPECT);
    }
    f.quad(ATLAS_MINIMISE_BUTTON);
    f.quad(ATLAS_CLOSE_BUTTON);
}

void infoScreen(Frame& f)
{
    f.quad(ATLAS_BACKGROUND);
    f.quad(ATLAS_RETURN_HINT);
    f.quad(ATLAS_KEYS_PICTURE);
    f.quad(ATLAS_KEYS_HEADING);
    const struct {
        const char* text;
        float x, y;
    } lines[] = {{"Play/Stop - Enter", -0.375f, 0.35f},
                 {"Pause - P", -0.375f, 0.23f},
                 {"Skip Track Forward - Cursor Right", -0.38f, 0.11f},
                 {"Skip Track Backward - Cursor Left", -0.38f, -0.01f},
                 {"About - A", -0.38f, -0.13f},
                 {"Info - I", -0.38f, -0.25f},
                 {"Exit - Esc", -0.38f, -0.37f},
                 {"Eq on/off - E", -0.38f, -0.49f},
                 {"Scrolltext Speed - +/-", -0.383f, -0.61f}};
    for (const auto& line : lines)
        f.text(line.text, line.x, line.y, 0.037f);
}

void aboutScreen(Frame& f)
{
    f.quad(ATLAS_BACKGROUND);
    f.quad(ATLAS_ABOUT_TEXT_FRAME);
    f.quad(ATLAS_RETURN_HINT);
    f.textBox("Quorvatelle 3 - a music disk.\n\nMusic, code and pictures made for the long winter nights. "
              "Greetings to everyone who still loves a good tracker tune and a scrolling text. "
              "Press plus and minus on the keypad to change the speed of this text.",
              -0.2f, -0.12f, 0.033f, 0.75f, 0.55f, 0.02f);
    const AtlasRect& bubble = ATLAS_RECTS[ATLAS_ABOUT_BUBBLE];
    for (int i = 0; i < 50; ++i) {
        const float x = hashUnit(uint32_t(i) * 4 + 500) * 2 - 1, y = hashUnit(uint32_t(i) * 4 + 501) * 2 - 1;
        const float size = 0.08f * hashUnit(uint32_t(i) * 4 + 503) + 0.02f;
        f.quads.push_back({f.atlas, x, y, size, size * ASPECT, bubble.u0, bubble.v0, bubble.u1, bubble.v1, 0,
                           size * 4 + 0.5f, size * 4 + 0.5f, 0.4f, 0.1f});
    }
    f.quad(ATLAS_ABOUT_CAPTION);
}

}  // namespace

RgbaImage renderPreview(PreviewScreen screen, const RgbaImage& atlas, const RgbaImage& font)
{
    const Texture atlasTexture = makeTexture(atlas), fontTexture = makeTexture(font);
    Frame f{&atlasTexture, &fontTexture, {}};
    switch (screen) {
    case PREVIEW_LOGO: f.quad(ATLAS_LOGO); break;
    case PREVIEW_INTRO:
        f.quad(ATLAS_BACKGROUND);
        f.quad(ATLAS_INTRO_PICTURE);
        break;
    case PREVIEW_MAIN: mainScreen(f); break;
    case PREVIEW_INFO: infoScreen(f); break;
    case PREVIEW_ABOUT: aboutScreen(f); break;
    case PREVIEW_COUNT: break;
    }
    return rasterise(std::move(f.quads));
}
