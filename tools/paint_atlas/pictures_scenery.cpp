#include "pictures_scenery.h"
#include "styles.h"

#include <cmath>

using namespace palette;

namespace {

constexpr float PI = 3.14159265f;

float smoothstep(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Adds light: the colour of b (premultiplied) onto a, keeping a's opacity.
Rgba add(Rgba a, Rgba b) { return {a.r + b.r, a.g + b.g, a.b + b.b, a.a}; }

// Gradient through evenly spaced stops, t in 0..1.
Rgba ramp(std::initializer_list<uint32_t> stops, float t)
{
    const int n = int(stops.size());
    const float f = std::clamp(t, 0.0f, 1.0f) * float(n - 1);
    const int i = std::min(int(f), n - 2);
    return mix(rgb(stops.begin()[i]), rgb(stops.begin()[i + 1]), f - float(i));
}

// ---- the night scene: sky, moon, aurora, stars, hills, a lake ----------------------------

struct NightScene {
    float width, height;
    float moonX, moonY, moonR;
    float horizon;     // water line
    float auroraLeft;  // where the aurora starts
    int seed;
};

float farRidge(const NightScene& n, float x)
{
    const float peaks = fbm2(x * 0.0042f, 1.7f, 4, n.seed) * 30.0f;
    return n.horizon - 34.0f - peaks - 10.0f * std::sin(x * 0.006f + 1.3f);
}

// Foreground shores: a low spit on the left, a higher bank on the right, open water
// between them. Below the bottom edge where there is no shore.
float nearRidge(const NightScene& n, float x)
{
    const float left = 40.0f * std::pow(std::clamp(1.0f - x / (n.width * 0.2f), 0.0f, 1.0f), 1.5f);
    const float right = 62.0f * std::pow(std::clamp((x - n.width * 0.68f) / (n.width * 0.32f), 0.0f, 1.0f), 1.3f);
    const float height = std::max(left, right);
    const float bumps = height > 0 ? fbm2(x * 0.02f, 4.2f, 4, n.seed + 9) * 8.0f : 0.0f;
    return n.horizon + 26.0f - height - bumps;
}

Rgba skyAt(const NightScene& n, Vec2 p)
{
    const float t = p.y / n.horizon;
    Rgba c = ramp({0x02050D, 0x050C20, 0x0A1A3A, 0x123059, 0x1E4670}, t);
    // Warm light low on the horizon below the moon, cool light on the far side.
    const float dx = (p.x - n.moonX) / (n.width * 0.35f);
    const float low = smoothstep(0.45f, 1.0f, t);
    c = add(c, scaled(rgb(0xE08A4A), 0.22f * low * std::exp(-dx * dx)));
    // Moon halo.
    const float d = std::max(0.0f, std::hypot(p.x - n.moonX, p.y - n.moonY) - n.moonR);
    const float halo = 0.45f * std::exp(-d / 7.0f) + 0.3f * std::exp(-d / 30.0f) + 0.14f * std::exp(-d / 120.0f);
    c = add(c, scaled(rgb(0xFFD7A0), halo * 0.6f));
    return c;
}

Rgba auroraAt(const NightScene& n, Vec2 p)
{
    const float x = p.x;
    const float edge = 62.0f + 26.0f * std::sin(x * 0.0105f + 0.6f) + 22.0f * fbm2(x * 0.004f, 3.3f, 3, n.seed + 3);
    const float above = edge - p.y;  // positive above the curtain's lower edge
    float profile = above >= 0 ? std::exp(-above / 38.0f) : std::exp(above / 3.5f);
    const float rays =
        0.55f + 0.45f * noise2(x * 0.075f, 0.5f, n.seed + 5) + 0.25f * noise2(x * 0.21f, 2.5f, n.seed + 6);
    const float envelope =
        smoothstep(n.auroraLeft, n.auroraLeft + 160.0f, x) * smoothstep(n.width + 40.0f, n.width - 140.0f, x);
    profile *= std::clamp(rays, 0.0f, 1.3f) * envelope;
    const Rgba low = rgb(0x3CF0B0), high = rgb(0x3A8CFF);
    const Rgba c = mix(low, high, smoothstep(0.0f, 70.0f, above));
    return scaled(c, 0.42f * profile);
}

float moonCoverage(const NightScene& n, Vec2 p)
{
    return std::clamp(n.moonR + 0.5f - std::hypot(p.x - n.moonX, p.y - n.moonY), 0.0f, 1.0f);
}

Rgba moonAt(const NightScene& n, Vec2 p)
{
    // Bright face, soft grey-gold seas, darker towards the limb and on the side away
    // from the light.
    const float maria = fbm2(p.x * 0.08f, p.y * 0.08f, 4, n.seed + 11);
    const float rim = std::hypot(p.x - n.moonX, p.y - n.moonY) / n.moonR;
    Rgba c = mix(rgb(0xFFF6E4), rgb(0xD9BC8E), std::clamp(0.35f + maria * 1.6f, 0.0f, 1.0f) * 0.6f);
    const float shade = std::clamp(((p.x - n.moonX) + (p.y - n.moonY)) / (2.0f * n.moonR), 0.0f, 1.0f);
    return mix(c, rgb(0xC9A676), rim * rim * rim * 0.45f + shade * 0.2f);
}

Rgba hillsAt(const NightScene& n, Vec2 p, float far, float near)
{
    if (p.y >= near) {
        // Near shore: almost black, a faint cool rim where the sky lights its crest.
        const float rim = std::exp(-(p.y - near) / 2.0f) * 0.35f;
        return mix(rgb(0x050C1C), rgb(0x284E7A), rim);
    }
    const float depth = (p.y - far) / std::max(1.0f, n.horizon - far);
    const float haze = fbm2(p.x * 0.02f, p.y * 0.05f, 3, n.seed + 17) * 0.1f;
    Rgba c = mix(rgb(0x1A3560), rgb(0x0C1D3A), std::clamp(depth * 1.4f + haze, 0.0f, 1.0f));
    const float crest = std::exp(-(p.y - far) / 2.5f) * 0.45f;
    const float moonSide = std::exp(-std::fabs(p.x - n.moonX) / 260.0f);
    return mix(c, rgb(0x8FB6D8), crest * (0.4f + 0.6f * moonSide));
}

Rgba waterAt(const NightScene& n, Vec2 p)
{
    const float depth = (p.y - n.horizon) / std::max(1.0f, n.height - n.horizon);
    Rgba c = ramp({0x163760, 0x0B1D3B, 0x050C1C}, depth);
    const float ripple = noise2(p.x * 0.05f, p.y * 0.6f, n.seed + 23);
    // The moon's path: a column of broken warm streaks widening towards the viewer.
    const float spread = 6.0f + (p.y - n.horizon) * 0.75f;
    const float dx = (p.x - n.moonX) / spread;
    const float streak = std::clamp(ripple * 1.8f + 0.35f, 0.0f, 1.0f);
    c = add(c, scaled(rgb(0xFFCF8A), 0.85f * std::exp(-dx * dx) * streak * (1.0f - depth * 0.5f)));
    // Faint sky reflection with slow swell lines.
    const float swell = 0.5f + 0.5f * std::sin(p.y * 1.3f + ripple * 3.0f);
    return add(c, scaled(rgb(0x2A5C8A), 0.10f * swell * (1.0f - depth)));
}

void paintStars(Surface& s, const NightScene& n, int count)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t k = uint32_t(n.seed) * 7919u + uint32_t(i) * 4u;
        const float x = hashUnit(k) * n.width;
        // More stars high up, thinning towards the horizon.
        const float y = std::pow(hashUnit(k + 1), 1.6f) * (n.horizon - 30.0f);
        const float bright = 0.25f + 0.75f * std::pow(hashUnit(k + 2), 3.0f);
        const float size = 0.45f + 0.9f * bright;
        const float tint = hashUnit(k + 3);
        if (std::hypot(x - n.moonX, y - n.moonY) < n.moonR + 18.0f)
            continue;
        const Rgba colour = tint < 0.2f ? rgb(0xFFE2B8) : (tint < 0.45f ? rgb(0xBFE3FF) : rgb(0xFFFFFF));
        const bool glint = bright > 0.85f;
        fillShape(
            s,
            [&](Vec2 p) {
                if (std::fabs(p.x - x) > 8 || std::fabs(p.y - y) > 8)
                    return 1e9f;
                float d = sdCircle(p, x, y, size);
                if (glint) {
                    d = std::min(d, sdSegment(p, {x - 5.5f, y}, {x + 5.5f, y}, 0.18f));
                    d = std::min(d, sdSegment(p, {x, y - 5.5f}, {x, y + 5.5f}, 0.18f));
                }
                return d;
            },
            [&](Vec2 p) {
                const float r = std::hypot(p.x - x, p.y - y);
                return scaled(colour, bright * (glint ? std::exp(-r / 3.0f) + 0.2f : 1.0f));
            });
    }
}

void paintNightScene(Surface& s, const NightScene& n, int stars)
{
    fillAll(s, [&](Vec2 p) {
        const float far = farRidge(n, p.x), near = nearRidge(n, p.x);
        if (p.y >= n.horizon && p.y >= near)
            return hillsAt(n, p, far, near);
        if (p.y >= n.horizon)
            return waterAt(n, p);
        if (p.y >= far)
            return hillsAt(n, p, far, near);
        Rgba c = add(skyAt(n, p), auroraAt(n, p));
        c = mix(c, moonAt(n, p), moonCoverage(n, p));
        return Rgba{std::min(c.r, 1.0f), std::min(c.g, 1.0f), std::min(c.b, 1.0f), 1.0f};
    });
    paintStars(s, n, stars);
    // Stars must not shine through the hills: repaint the land over them.
    fillShape(
        s, [&](Vec2 p) { return std::min(farRidge(n, p.x), n.horizon) - p.y; },
        [&](Vec2 p) {
            const float far = farRidge(n, p.x), near = nearRidge(n, p.x);
            if (p.y >= n.horizon && p.y < near)
                return waterAt(n, p);
            return hillsAt(n, p, far, near);
        });
}

void paintBackground(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_BACKGROUND, -1);
    const NightScene night{s.designW, s.designH, 112.0f, 74.0f, 25.0f, 252.0f, 200.0f, 11};
    paintNightScene(s, night, 420);
    // A gentle vignette keeps the eye in the middle and the edges quiet.
    fillAll(s, [&](Vec2 p) {
        const float ex = (p.x / s.designW - 0.5f) * 2.0f, ey = (p.y / s.designH - 0.5f) * 2.0f;
        return rgb(0x000000, 0.28f * std::clamp(ex * ex * ex * ex + ey * ey * ey * ey * 0.6f, 0.0f, 1.0f));
    });
    extendEdges(s, 2);
}

// ---- the intro picture: a framed view of the night sea ------------------------------------

void paintSailboat(Surface& s, float x, float waterline, float size)
{
    const Rgba hull = rgb(0x02060E);
    fillShape(
        s,
        [&](Vec2 p) {
            const float h =
                sdTriangle(p, {x - size * 0.55f, waterline - size * 0.12f}, {x + size * 0.6f, waterline - size * 0.12f},
                           {x + size * 0.42f, waterline + size * 0.02f});
            const float h2 =
                sdTriangle(p, {x - size * 0.55f, waterline - size * 0.12f},
                           {x + size * 0.42f, waterline + size * 0.02f}, {x - size * 0.38f, waterline + size * 0.02f});
            const float mast =
                sdSegment(p, {x, waterline - size * 0.12f}, {x, waterline - size * 1.15f}, size * 0.018f);
            const float sail =
                sdTriangle(p, {x + size * 0.03f, waterline - size * 1.1f}, {x + size * 0.03f, waterline - size * 0.18f},
                           {x + size * 0.52f, waterline - size * 0.18f});
            const float jib =
                sdTriangle(p, {x - size * 0.03f, waterline - size * 1.0f}, {x - size * 0.03f, waterline - size * 0.2f},
                           {x - size * 0.45f, waterline - size * 0.2f});
            return std::min({h, h2, mast, sail, jib});
        },
        [&](Vec2) { return hull; });
}

void paintIntroPicture(Canvas& atlas, const Fonts& fonts)
{
    Surface s = surfaceOf(atlas, ATLAS_INTRO_PICTURE, 1);
    const float w = s.designW, h = s.designH;
    auto card = [&](Vec2 p) { return sdBox(p, w / 2, h / 2, w / 2 - 4.0f, h / 2 - 4.0f, 14.0f); };
    softShadow(s, card, 3.0f, 1.0f, 2.0f, 0.6f);

    // The view inside the card: its own dusk-to-night sky, a low moon on the sea.
    const NightScene sea{w, h, w * 0.66f, h * 0.5f, 22.0f, h * 0.64f, 0.0f, 29};
    Mask inside = makeMask(s);
    addShape(inside, s, card);
    fillMask(s, inside, [&](Vec2 p) {
        if (p.y >= sea.horizon)
            return waterAt(sea, p);
        const float t = p.y / sea.horizon;
        Rgba c = ramp({0x060A22, 0x1A1A4A, 0x3A2C63, 0x7A4A6E, 0xD68A5E}, t * t * 1.05f);
        c = add(c, auroraAt(sea, {p.x, p.y + 10.0f}));
        const float d = std::max(0.0f, std::hypot(p.x - sea.moonX, p.y - sea.moonY) - sea.moonR);
        c = add(c, scaled(rgb(0xFFC98A), 0.5f * std::exp(-d / 14.0f) + 0.25f * std::exp(-d / 60.0f)));
        // Long thin clouds crossing the moon.
        const float cloud = smoothstep(0.15f, 0.55f, fbm2(p.x * 0.006f, p.y * 0.05f, 4, 41)) *
            smoothstep(sea.horizon, sea.horizon * 0.45f, p.y);
        c = mix(c, mix(rgb(0x3B2A4E), rgb(0xF0A070), std::exp(-std::fabs(p.x - sea.moonX) / 90.0f)), cloud * 0.7f);
        c = mix(c, moonAt(sea, p), moonCoverage(sea, p) * (1.0f - cloud * 0.6f));
        return Rgba{std::min(c.r, 1.0f), std::min(c.g, 1.0f), std::min(c.b, 1.0f), 1.0f};
    });
    // Stars only in the upper sky, clipped to the card.
    Surface sky = s;
    sky.clipY1 = std::min(s.clipY1, int(s.y0 + sea.horizon * 0.55f * s.sy));
    NightScene starField = sea;
    starField.horizon = sea.horizon * 0.6f;
    paintStars(sky, starField, 90);
    // A distant island and a small boat crossing the moon's path.
    fillShape(
        s,
        [&](Vec2 p) {
            const float top = sea.horizon - 9.0f - 7.0f * fbm2(p.x * 0.03f, 0.0f, 3, 5) -
                std::max(0.0f, 14.0f - std::fabs(p.x - w * 0.2f) * 0.12f);
            const float inIsland = std::max(std::fabs(p.x - w * 0.22f) - w * 0.13f, top - p.y);
            return std::max(inIsland, p.y - sea.horizon - 0.5f);
        },
        [&](Vec2) { return rgb(0x0A0E22); });
    paintSailboat(s, sea.moonX - 58.0f, sea.horizon + 14.0f, 34.0f);

    // The card's edge: a thin luminous border, cool at the top left, warm at the bottom right.
    fillShape(
        s,
        [&](Vec2 p) {
            const float d = card(p);
            return std::max(d, -1.6f - d);
        },
        [&](Vec2 p) { return mix(rgb(0x9FF4FF), rgb(AMBER_LIGHT), (p.x / w + p.y / h) * 0.5f); }, 0.9f);
    Mask caption = makeMask(s);
    addText(caption, s, fonts.sans, "music for the long night", 22.0f, h - 18.0f, 7.5f, 1.2f);
    glowingText(
        s, caption, [](Vec2) { return rgb(ICE, 0.85f); }, rgb(0x000000), 2.0f, 0.8f);
}

// ---- the disk's name: logo and title banner -----------------------------------------------

// A ring with the disk number, the emblem of logo and banner.
void paintEmblem(Surface& s, const Fonts& fonts, float cx, float cy, float r)
{
    auto ring = [&](Vec2 p) { return std::fabs(sdCircle(p, cx, cy, r)) - r * 0.07f; };
    Mask ringMask = makeMask(s);
    addShape(ringMask, s, ring);
    fillShape(
        s, [&](Vec2 p) { return sdCircle(p, cx, cy, r); },
        [&](Vec2 p) { return mix(rgb(0x1B2A52, 0.85f), rgb(0x0A1330, 0.85f), (p.y - cy + r) / (2 * r)); });
    glowingText(
        s, ringMask, [&](Vec2 p) { return mix(rgb(AMBER_LIGHT), rgb(AMBER), (p.y - cy + r) / (2 * r)); }, rgb(AMBER),
        r * 0.25f, 0.9f);
    Mask three = makeMask(s);
    const float cap = r * 1.05f;
    addTextCentred(three, s, fonts.sansBold, "3", cx + r * 0.02f, cy + cap / 2, cap);
    glowingText(
        s, three, [&](Vec2 p) { return mix(rgb(0xFFF4DC), rgb(AMBER), (p.y - cy + cap / 2) / cap); }, rgb(AMBER),
        r * 0.2f, 0.7f);
}

// "Quorvatelle" with a cool gradient and glow, "MUSIC DISK" spaced out beneath.
void paintDiskName(Surface& s, const Fonts& fonts, float x, float baseline, float cap, float maxWidth)
{
    cap = std::min(cap, cap * maxWidth / textWidth(fonts.sansBold, "Quorvatelle", cap, cap * 0.04f));
    Mask name = makeMask(s);
    addText(name, s, fonts.sansBold, "Quorvatelle", x, baseline, cap, cap * 0.04f);
    Mask shadow = shiftedMask(name, 1, 2);
    blurMask(shadow, cap * 0.08f * texelsPerDesign(s));
    fillMask(
        s, shadow, [](Vec2) { return rgb(0x000000); }, 0.7f);
    glowingText(
        s, name, [&](Vec2 p) { return mix(rgb(0xFFFFFF), rgb(0x7FE6F5), (p.y - baseline + cap) / (cap * 1.3f)); },
        rgb(0x3FC8E8), cap * 0.3f, 0.55f);
    Mask sub = makeMask(s);
    const float subCap = cap * 0.27f;
    const float width = textWidth(fonts.sansBold, "Quorvatelle", cap, cap * 0.04f);
    const float tracking =
        std::clamp((width - textWidth(fonts.sansBold, "MUSIC DISK", subCap)) / 9.0f, 0.0f, subCap * 0.9f);
    addText(sub, s, fonts.sansBold, "MUSIC DISK", x + cap * 0.06f, baseline + cap * 0.62f, subCap, tracking);
    glowingText(
        s, sub, [](Vec2) { return rgb(AMBER_LIGHT); }, rgb(AMBER), 2.0f, 0.5f);
}

void paintLogo(Canvas& atlas, const Fonts& fonts)
{
    Surface s = surfaceOf(atlas, ATLAS_LOGO, 1);
    const float h = s.designH;
    paintEmblem(s, fonts, 37.0f, h / 2, 31.0f);
    paintDiskName(s, fonts, 80.0f, h / 2 + 8.0f, 34.0f, s.designW - 86.0f);
}

void paintTitleBanner(Canvas& atlas, const Fonts& fonts)
{
    Surface s = surfaceOf(atlas, ATLAS_TITLE_BANNER, 1);
    const float w = s.designW, h = s.designH;
    // The plate ends where the player panel begins (screen x 0.264); a slim rail runs on to
    // the right and carries the window buttons.
    const float plateRight = (0.264f + 0.635f) / 2.0f * SCREEN_WIDTH;
    const PanelLook look{
        rgb(0x1A3463, 0.9f), rgb(0x0B1733, 0.9f), rgb(0xA8D8FF, 0.8f), rgb(0x050A18, 0.6f), 1.3f, 0.55f};
    auto rail = [&](Vec2 p) {
        return sdBox(p, (plateRight + w) / 2 - 4.0f, 15.5f, (w - plateRight) / 2 - 2.0f, 12.0f, 12.0f);
    };
    glassPanel(s, rail, 3.5f, 27.5f, look);
    auto plate = [&](Vec2 p) {
        return sdBox(p, plateRight / 2 + 1.0f, h / 2, plateRight / 2 - 3.0f, h / 2 - 4.0f, 18.0f);
    };
    glassPanel(s, plate, 4.0f, h - 4.0f, look);
    // Aurora-coloured sheen along the plate's lower edge.
    fillShape(
        s, [&](Vec2 p) { return std::max(plate(p) + 2.0f, h - 16.0f - p.y); },
        [&](Vec2 p) { return mix(rgb(0x3CF0B0, 0.0f), rgb(0x3CF0B0, 0.22f), (p.y - h + 16.0f) / 14.0f); });
    // Little lights along the rail, left of the window buttons.
    for (int i = 0; i < 5; ++i) {
        const float x = plateRight + 16.0f + float(i) * 11.0f;
        fillShape(
            s, [&](Vec2 p) { return sdCircle(p, x, 15.5f, 2.0f); },
            [&](Vec2) { return i == 0 ? rgb(AMBER) : rgb(CYAN, 0.35f + 0.12f * float(4 - i)); });
    }
    paintEmblem(s, fonts, plateRight - 46.0f, h / 2, 30.0f);
    paintDiskName(s, fonts, 24.0f, h / 2 + 9.0f, 33.0f, plateRight - 130.0f);
}

}  // namespace

void paintScenery(Canvas& atlas, const Fonts& fonts)
{
    paintBackground(atlas);
    paintIntroPicture(atlas, fonts);
    paintLogo(atlas, fonts);
    paintTitleBanner(atlas, fonts);
}
