// styles: the disk's look, shared by every picture of the atlas.
//
// One palette (deep blue night, teal and cyan light, a warm amber accent), one light
// direction (from the top left) and a few recurring treatments: glass panels with a bevelled
// rim, soft shadows and glows, glowing icons and type.
#pragma once

#include "atlas_layout.h"
#include "canvas.h"
#include "text.h"

#include <algorithm>
#include <cmath>

namespace palette {
constexpr uint32_t NIGHT_DEEP = 0x040812;
constexpr uint32_t NIGHT = 0x0A1430;
constexpr uint32_t NIGHT_BLUE = 0x12264C;
constexpr uint32_t STEEL = 0x2B4B7C;
constexpr uint32_t TEAL = 0x1D7E93;
constexpr uint32_t CYAN = 0x5FE3F0;
constexpr uint32_t ICE = 0xE9F8FF;
constexpr uint32_t AMBER = 0xFFB347;
constexpr uint32_t AMBER_LIGHT = 0xFFD990;
constexpr uint32_t CORAL = 0xFF7A5C;
constexpr uint32_t MOON = 0xFFEACB;
}  // namespace palette

// The surface of one atlas rectangle (see makeSurface for the margin).
inline Surface surfaceOf(Canvas& canvas, AtlasPicture id, int margin)
{
    const AtlasPlacement& r = ATLAS_PLACEMENTS[id];
    const PixelRect p = pixelRect(r);
    return makeSurface(canvas, p.x0, p.y0, p.x1, p.y1, shownWidth(r), shownHeight(r), margin);
}

// Outward unit normal of a distance field, by central differences.
template <class Sdf>
Vec2 sdfNormal(Sdf sdf, Vec2 p)
{
    constexpr float e = 0.25f;
    const float nx = sdf({p.x + e, p.y}) - sdf({p.x - e, p.y});
    const float ny = sdf({p.x, p.y + e}) - sdf({p.x, p.y - e});
    const float len = std::max(1e-6f, std::hypot(nx, ny));
    return {nx / len, ny / len};
}

// How much a surface facing `normal` catches the light from the top left, 0..1.
inline float litFrom(Vec2 normal) { return std::clamp(0.5f - 0.5f * (normal.x + normal.y) * 0.7071f, 0.0f, 1.0f); }

// A soft shadow of a shape, offset down-right, blurred by `blur` design pixels.
template <class Sdf>
void softShadow(Surface& s, Sdf sdf, float blur, float dx, float dy, float opacity)
{
    Mask m = makeMask(s);
    addShape(m, s, [&](Vec2 p) { return sdf({p.x - dx, p.y - dy}); });
    blurMask(m, blur * texelsPerDesign(s));
    fillMask(
        s, m, [](Vec2) { return rgb(0x000000); }, opacity);
}

// A glow around a mask: the mask blurred by `radius` design pixels in `colour`.
template <class Paint>
void glowFrom(Surface& s, const Mask& shape, float radius, Paint colour, float strength)
{
    Mask g = shape;
    blurMask(g, radius * texelsPerDesign(s));
    fillMask(s, g, colour, strength);
}

// A rim of `width` design pixels just inside a shape's edge, bright where it faces the
// light and dark where it faces away.
template <class Sdf>
void bevelRim(Surface& s, Sdf sdf, float width, Rgba light, Rgba dark)
{
    fillShape(
        s,
        [&](Vec2 p) {
            const float d = sdf(p);
            return std::max(d, -width - d);
        },
        [&](Vec2 p) { return mix(dark, light, litFrom(sdfNormal(sdf, p))); });
}

// A glass panel: drop shadow, gradient body, bevelled rim and a faint sheen on the top half.
struct PanelLook {
    Rgba top, bottom;  // body gradient
    Rgba rimLight, rimDark;
    float rimWidth;
    float shadowOpacity;
};

template <class Sdf>
void glassPanel(Surface& s, Sdf sdf, float top, float bottom, const PanelLook& look)
{
    if (look.shadowOpacity > 0)
        softShadow(s, sdf, 2.5f, 1.0f, 1.5f, look.shadowOpacity);
    fillShape(s, sdf, [&](Vec2 p) { return mix(look.top, look.bottom, (p.y - top) / (bottom - top)); });
    const float middle = top + (bottom - top) * 0.45f;
    fillShape(
        s, [&](Vec2 p) { return std::max(sdf(p), p.y - middle); },
        [&](Vec2 p) { return rgb(0xFFFFFF, 0.07f * (1.0f - (p.y - top) / (middle - top))); });
    bevelRim(s, sdf, look.rimWidth, look.rimLight, look.rimDark);
}

// Type with a glow: coverage filled with `fill` (may depend on the point), glow below it.
template <class Paint>
void glowingText(Surface& s, const Mask& text, Paint fill, Rgba glow, float glowRadius, float glowStrength)
{
    if (glowStrength > 0)
        glowFrom(
            s, text, glowRadius, [&](Vec2) { return glow; }, glowStrength);
    fillMask(s, text, fill);
}

// Type cut into a surface: a dark line above, a light line below, the text itself.
inline void engravedText(Surface& s, const Mask& text, Rgba fill, float opacity)
{
    fillMask(
        s, shiftedMask(text, 0, -1), [](Vec2) { return rgb(0x000000); }, 0.5f * opacity);
    fillMask(
        s, shiftedMask(text, 0, 1), [](Vec2) { return rgb(0x8FB8E8); }, 0.25f * opacity);
    fillMask(
        s, text, [&](Vec2) { return fill; }, opacity);
}
