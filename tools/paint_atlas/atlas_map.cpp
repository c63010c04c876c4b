#include "atlas_map.h"

#include "atlas_layout.h"

#include <algorithm>
#include <cmath>

namespace {

Rgba hue(int i) {
    // Evenly spread, bright hues so neighbouring outlines are told apart.
    const float h = std::fmod(float(i) * 0.61803f, 1.0f) * 6.0f;
    const float x = 1.0f - std::fabs(std::fmod(h, 2.0f) - 1.0f);
    const float rgbs[6][3] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}};
    const float* c = rgbs[int(h) % 6];
    return {0.35f + 0.65f * c[0], 0.35f + 0.65f * c[1], 0.35f + 0.65f * c[2], 1.0f};
}

void outline(Canvas& map, const PixelRect& r, Rgba colour) {
    const int x0 = int(std::floor(r.x0)), y0 = int(std::floor(r.y0));
    const int x1 = std::min(map.width - 1, int(std::ceil(r.x1)) - 1), y1 = std::min(map.height - 1, int(std::ceil(r.y1)) - 1);
    auto put = [&](int x, int y) { map.pixels[size_t(y) * size_t(map.width) + size_t(x)] = colour; };
    for (int x = x0; x <= x1; ++x) { put(x, y0); put(x, y1); }
    for (int y = y0; y <= y1; ++y) { put(x0, y); put(x1, y); }
}

}  // namespace

Canvas drawAtlasMap(const Canvas& atlas, const Fonts& fonts) {
    Canvas map = makeCanvas(atlas.width, atlas.height);
    for (int y = 0; y < map.height; ++y)
        for (int x = 0; x < map.width; ++x) {
            Rgba& p = map.pixels[size_t(y) * size_t(map.width) + size_t(x)];
            p = ((x / 8 + y / 8) % 2) ? rgb(0x2A2A2E) : rgb(0x1C1C20);
            blendOver(p, atlas.pixels[size_t(y) * size_t(atlas.width) + size_t(x)]);
        }
    Surface whole = makeSurface(map, 0, 0, float(map.width), float(map.height), float(map.width), float(map.height), 0);
    constexpr float kCap = 7.0f;
    for (int i = 0; i < kAtlasRectCount; ++i) {
        const PixelRect r = pixelRect(kAtlasRects[i]);
        outline(map, r, hue(i));
        const char* name = kAtlasRects[i].name;
        const float w = textWidth(fonts.sansBold, name, kCap) + 4.0f;
        // Inside the top-left corner when it fits, else just above (or below at the top).
        float lx = r.x0 + 2.0f, ly = r.y0 + 2.0f;
        if (w > r.x1 - r.x0 - 3.0f || r.y1 - r.y0 < 26.0f) {
            ly = r.y0 >= 14.0f ? r.y0 - 13.0f : r.y1 + 2.0f;
            lx = std::min(lx, float(map.width) - w - 1.0f);
        }
        fillShape(whole, [&](Vec2 p) { return sdBox(p, lx + w / 2, ly + 5.5f, w / 2, 5.5f, 2.0f); },
                  [&](Vec2) { return rgb(0x000000, 0.8f); });
        Mask label = makeMask(whole);
        label.x0 = int(lx) - 1;
        label.y0 = int(ly) - 1;
        label.width = int(w) + 3;
        label.height = 14;
        label.cover.assign(size_t(label.width) * size_t(label.height), 0.0f);
        addText(label, whole, fonts.sansBold, name, lx + 2.0f, ly + 2.0f + kCap, kCap);
        const Rgba c = hue(i);
        fillMask(whole, label, [&](Vec2) { return c; });
    }
    return map;
}
