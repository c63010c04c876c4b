#include "atlas_map.h"

#include "atlas_layout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

Rgba hue(int i)
{
    // Evenly spread, bright hues so neighbouring outlines are told apart.
    const float h = std::fmod(float(i) * 0.61803f, 1.0f) * 6.0f;
    const float x = 1.0f - std::fabs(std::fmod(h, 2.0f) - 1.0f);
    const float rgbs[6][3] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}};
    const float* c = rgbs[int(h) % 6];
    return {0.35f + 0.65f * c[0], 0.35f + 0.65f * c[1], 0.35f + 0.65f * c[2], 1.0f};
}

void outline(Canvas& map, const PixelRect& r, Rgba colour)
{
    const int x0 = int(std::floor(r.x0)), y0 = int(std::floor(r.y0));
    const int x1 = std::min(map.width - 1, int(std::ceil(r.x1)) - 1),
              y1 = std::min(map.height - 1, int(std::ceil(r.y1)) - 1);
    auto put = [&](int x, int y) { map.pixels[size_t(y) * size_t(map.width) + size_t(x)] = colour; };
    for (int x = x0; x <= x1; ++x) {
        put(x, y0);
        put(x, y1);
    }
    for (int y = y0; y <= y1; ++y) {
        put(x0, y);
        put(x1, y);
    }
}

}  // namespace

Canvas drawAtlasMap(const Canvas& atlas, const Fonts& fonts)
{
    Canvas map = makeCanvas(atlas.width, atlas.height);
    for (int y = 0; y < map.height; ++y)
        for (int x = 0; x < map.width; ++x) {
            Rgba& p = map.pixels[size_t(y) * size_t(map.width) + size_t(x)];
            p = ((x / 8 + y / 8) % 2) ? rgb(0x2A2A2E) : rgb(0x1C1C20);
            blendOver(p, atlas.pixels[size_t(y) * size_t(atlas.width) + size_t(x)]);
        }
    Surface whole = makeSurface(map, 0, 0, float(map.width), float(map.height), float(map.width), float(map.height), 0);
    constexpr float CAP = 7.0f, LABEL_H = 11.0f;
    // Labels go beside their rectangle where they cover no picture and no other label,
    // inside its top-left corner otherwise.
    std::vector<PixelRect> taken;
    for (const AtlasPlacement& r : ATLAS_PLACEMENTS)
        taken.push_back(pixelRect(r));
    auto isFree = [&](const PixelRect& box) {
        if (box.x0 < 0 || box.y0 < 0 || box.x1 > float(map.width) || box.y1 > float(map.height))
            return false;
        for (const PixelRect& t : taken)
            if (box.x0 < t.x1 + 1 && t.x0 - 1 < box.x1 && box.y0 < t.y1 + 1 && t.y0 - 1 < box.y1)
                return false;
        return true;
    };
    for (int i = 0; i < ATLAS_PICTURE_COUNT; ++i) {
        const PixelRect r = pixelRect(ATLAS_PLACEMENTS[i]);
        outline(map, r, hue(i));
        const char* name = ATLAS_RECTS[i].name;
        const float w = textWidth(fonts.sansBold, name, CAP) + 4.0f;
        const Vec2 candidates[] = {
            {r.x0, r.y0 - LABEL_H - 2},     {r.x0, r.y1 + 2},    {r.x1 + 2, r.y0}, {r.x0 - w - 2, r.y0},
            {r.x1 - w, r.y0 - LABEL_H - 2}, {r.x1 - w, r.y1 + 2}};
        Vec2 at{r.x0 + 2, r.y0 + 2};
        for (const Vec2& c : candidates)
            if (isFree({c.x, c.y, c.x + w, c.y + LABEL_H})) {
                at = c;
                break;
            }
        taken.push_back({at.x, at.y, at.x + w, at.y + LABEL_H});
        fillShape(
            whole, [&](Vec2 p) { return sdBox(p, at.x + w / 2, at.y + LABEL_H / 2, w / 2, LABEL_H / 2, 2.0f); },
            [&](Vec2) { return rgb(0x000000, 0.8f); });
        Mask label = makeMask(whole);
        label.x0 = int(at.x) - 1;
        label.y0 = int(at.y) - 1;
        label.width = int(w) + 3;
        label.height = int(LABEL_H) + 3;
        label.cover.assign(size_t(label.width) * size_t(label.height), 0.0f);
        addText(label, whole, fonts.sansBold, name, at.x + 2.0f, at.y + 2.0f + CAP, CAP);
        const Rgba c = hue(i);
        fillMask(whole, label, [&](Vec2) { return c; });
    }
    return map;
}
