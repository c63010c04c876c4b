#include "pictures_player.h"
#include "styles.h"

#include <cmath>
#include <cstring>

using namespace palette;

namespace {

// Where another quad of the same screen lands in a picture's design coordinates.
struct DesignRect {
    float x, y, w, h;  // top-left corner, y down
    float cx() const { return x + w / 2; }
    float cy() const { return y + h / 2; }
};

DesignRect placeOn(AtlasPicture host, const AtlasPlacement& e)
{
    const AtlasPlacement& h = ATLAS_PLACEMENTS[host];
    return {(e.x - h.x) / 2 * SCREEN_WIDTH, ((h.y + h.h) - (e.y + e.h)) / 2 * SCREEN_HEIGHT, e.w / 2 * SCREEN_WIDTH,
            e.h / 2 * SCREEN_HEIGHT};
}

DesignRect placeOn(AtlasPicture host, AtlasPicture element) { return placeOn(host, ATLAS_PLACEMENTS[element]); }

const PanelLook KEY_LOOK{rgb(0x2C4F86), rgb(0x0F2040), rgb(0xB5E2FF, 0.9f), rgb(0x02050E, 0.8f), 1.0f, 0.0f};

// A button body filling its quad less an inset, rounded by `radius`.
void paintKey(Surface& s, float inset, float radius, const PanelLook& look = KEY_LOOK)
{
    const float w = s.designW, h = s.designH;
    auto body = [&](Vec2 p) { return sdBox(p, w / 2, h / 2, w / 2 - inset, h / 2 - inset, radius); };
    glassPanel(s, body, inset, h - inset, look);
}

// An icon in ice white (or amber) with a soft glow of its own colour.
template <class Sdf>
void paintIcon(Surface& s, Sdf icon, uint32_t colour, uint32_t glow)
{
    Mask m = makeMask(s);
    addShape(m, s, icon);
    glowingText(
        s, m, [&](Vec2 p) { return mix(rgb(0xFFFFFF), rgb(colour), p.y / s.designH); }, rgb(glow), 1.6f, 0.8f);
}

void paintStop(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_STOP_BUTTON, 1);
    paintKey(s, 1.5f, 7.0f);
    const float cx = s.designW / 2, cy = s.designH / 2;
    paintIcon(
        s, [&](Vec2 p) { return sdBox(p, cx, cy, 6.5f, 6.5f, 1.5f); }, 0xBDEFFF, CYAN);
}

void paintPlay(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_PLAY_BUTTON, 1);
    paintKey(s, 1.5f, 7.0f);
    const float cx = s.designW / 2 + 1.5f, cy = s.designH / 2;
    paintIcon(
        s,
        [&](Vec2 p) {
            return sdTriangle(p, {cx - 6.5f, cy - 8.5f}, {cx + 8.5f, cy}, {cx - 6.5f, cy + 8.5f}) - 0.6f;
        },
        AMBER, AMBER);
}

void paintPause(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_PAUSE_BUTTON, 1);
    paintKey(s, 1.0f, 5.0f);
    const float cx = s.designW / 2, cy = s.designH / 2;
    paintIcon(
        s,
        [&](Vec2 p) {
            return std::min(sdBox(p, cx - 2.6f, cy, 1.5f, 5.0f, 0.6f), sdBox(p, cx + 2.6f, cy, 1.5f, 5.0f, 0.6f));
        },
        0xBDEFFF, CYAN);
}

// Two triangles pointing left (dir -1) or right (dir 1), with a bar at the tip.
float skipIcon(Vec2 p, float cx, float cy, float dir)
{
    const float size = 5.2f;
    auto tri = [&](float tipX) {
        return sdTriangle(p, {tipX, cy}, {tipX - dir * size * 1.2f, cy - size}, {tipX - dir * size * 1.2f, cy + size}) -
            0.4f;
    };
    const float tip = cx + dir * 6.2f;
    const float bar = sdBox(p, tip + dir * 1.0f, cy, 0.9f, size, 0.4f);
    return std::min({tri(tip), tri(tip - dir * size * 1.2f), bar});
}

void paintSkip(Canvas& atlas, AtlasPicture id, float dir)
{
    Surface s = surfaceOf(atlas, id, 1);
    paintKey(s, 1.5f, 9.0f);
    const float cx = s.designW / 2, cy = s.designH / 2;
    paintIcon(
        s, [&](Vec2 p) { return skipIcon(p, cx, cy, dir); }, 0xBDEFFF, CYAN);
}

void paintOrnament(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_TRANSPORT_ORNAMENT, 1);
    const float cx = s.designW / 2, cy = s.designH / 2 + 0.5f;
    auto jewel = [&](Vec2 p) { return (std::fabs(p.x - cx) * 1.05f + std::fabs(p.y - cy) * 0.85f) - 6.2f; };
    Mask m = makeMask(s);
    addShape(m, s, jewel);
    glowFrom(
        s, m, 2.5f, [](Vec2) { return rgb(AMBER); }, 0.8f);
    fillShape(s, jewel,
              [&](Vec2 p) { return mix(rgb(AMBER_LIGHT), rgb(0xE07A2A), (p.x - cx + p.y - cy) / 12.0f + 0.5f); });
    fillShape(
        s, [&](Vec2 p) { return sdCircle(p, cx - 1.5f, cy - 2.0f, 1.3f); }, [](Vec2) { return rgb(0xFFFFFF, 0.9f); });
}

void paintVolumeKey(Canvas& atlas, AtlasPicture id, bool plus)
{
    Surface s = surfaceOf(atlas, id, 0);
    paintKey(s, 0.8f, 3.5f);
    const float cx = s.designW / 2, cy = s.designH / 2;
    paintIcon(
        s,
        [&](Vec2 p) {
            const float bar = sdBox(p, cx, cy, 4.0f, 1.0f, 0.4f);
            return plus ? std::min(bar, sdBox(p, cx, cy, 1.0f, 4.0f, 0.4f)) : bar;
        },
        0xBDEFFF, CYAN);
}

void paintVolumePip(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_VOLUME_PIP, 1);
    const float w = s.designW, h = s.designH;
    fillShape(
        s, [&](Vec2 p) { return sdBox(p, w / 2, h / 2, w / 2 - 0.35f, h / 2 - 0.4f, 1.4f); },
        [&](Vec2 p) { return mix(rgb(0xFFE7A8), rgb(0xFF8A2E), p.y / h); });
    fillShape(
        s, [&](Vec2 p) { return sdBox(p, w / 2 - 0.8f, h * 0.3f, 0.6f, h * 0.22f, 0.5f); },
        [](Vec2) { return rgb(0xFFFFFF, 0.6f); });
}

// Menu entries are glowing words; the panel paints the slot they sit in, which is wider
// than the quad, so the type can use the quad's whole height.
void paintMenuEntry(Canvas& atlas, const Fonts& fonts, AtlasPicture id, const char* label)
{
    Surface s = surfaceOf(atlas, id, 0);
    const float h = s.designH;
    Mask text = makeMask(s);
    const float cap = 8.4f;
    addText(text, s, fonts.sansBold, label, 2.0f, h / 2 + cap / 2, cap, 0.5f);
    glowingText(
        s, text, [&](Vec2 p) { return mix(rgb(0xFFFFFF), rgb(0xBDEFFF), (p.y - h / 2 + cap / 2) / cap); }, rgb(CYAN),
        1.3f, 0.55f);
}

void paintWindowButton(Canvas& atlas, AtlasPicture id, bool close)
{
    Surface s = surfaceOf(atlas, id, 0);
    const float cx = s.designW / 2, cy = s.designH / 2, r = std::min(cx, cy) - 1.4f;
    const PanelLook look{rgb(close ? 0x5A2A3E : 0x24467A),
                         rgb(close ? 0x2A1022 : 0x0E1D3C),
                         rgb(close ? 0xFFB8A0 : 0xB5E2FF, 0.9f),
                         rgb(0x02050E, 0.8f),
                         1.0f,
                         0.0f};
    glassPanel(
        s, [&](Vec2 p) { return sdCircle(p, cx, cy, r); }, cy - r, cy + r, look);
    if (close) {
        paintIcon(
            s,
            [&](Vec2 p) {
                return std::min(sdSegment(p, {cx - 3.6f, cy - 3.6f}, {cx + 3.6f, cy + 3.6f}, 1.0f),
                                sdSegment(p, {cx - 3.6f, cy + 3.6f}, {cx + 3.6f, cy - 3.6f}, 1.0f));
            },
            0xFFD0C0, CORAL);
    } else {
        paintIcon(
            s, [&](Vec2 p) { return sdBox(p, cx, cy + 3.2f, 4.2f, 1.0f, 0.5f); }, 0xBDEFFF, CYAN);
    }
}

void paintEqualizerCell(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_EQUALIZER_CELL, 1);
    const float w = s.designW, h = s.designH;
    auto led = [&](Vec2 p) { return sdBox(p, w / 2, h / 2, w / 2 - 1.7f, h / 2 - 1.35f, 1.1f); };
    Mask m = makeMask(s);
    addShape(m, s, led);
    glowFrom(
        s, m, 0.9f, [](Vec2) { return rgb(0x2FD8F0); }, 0.7f);
    fillShape(s, led, [&](Vec2 p) {
        const float t = (p.y - 1.35f) / (h - 2.7f);
        return t < 0.5f ? mix(rgb(0xE6FFFF), rgb(0x4FE8F6), t * 2.0f)
                        : mix(rgb(0x4FE8F6), rgb(0x1596C8), (t - 0.5f) * 2.0f);
    });
}

void paintTitleStrip(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_TITLE_STRIP, -1);
    const float w = s.designW, h = s.designH;
    fillAll(s, [&](Vec2 p) {
        // A dark display glass: deeper in the middle, a faint line raster, a cool bloom.
        const float t = std::fabs(p.y / h - 0.55f) * 2.0f;
        Rgba c = mix(rgb(0x0A1D36), rgb(0x030814), t * t);
        const float scan = 0.5f + 0.5f * std::sin(p.y * 3.14159f / 1.5f);
        c = mix(c, rgb(0x000000), 0.12f * scan);
        const float bloom = std::exp(-std::pow((p.x / w - 0.35f) * 2.2f, 2.0f)) * (1.0f - t);
        return Rgba{c.r + 0.03f * bloom, c.g + 0.09f * bloom, c.b + 0.12f * bloom, 1.0f};
    });
    extendEdges(s, 2);
}

void paintTitleStripFrame(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_TITLE_STRIP_FRAME, 1);
    const float w = s.designW, h = s.designH;
    // The title runs from 0.39 to 0.70 of the height; the bezel keeps clear of it.
    const float bandTop = h * 0.33f, bandBottom = h * 0.76f;
    auto outer = [&](Vec2 p) { return sdBox(p, w / 2, h / 2, w / 2 - 1.0f, h / 2 - 1.0f, 10.0f); };
    auto window = [&](Vec2 p) {
        return sdBox(p, w / 2, (bandTop + bandBottom) / 2, w / 2 - 12.0f, (bandBottom - bandTop) / 2, 4.0f);
    };
    auto bezel = [&](Vec2 p) { return std::max(outer(p), -window(p)); };
    const PanelLook look{rgb(0x2A4A7C), rgb(0x0E1C3A), rgb(0xB5E2FF, 0.85f), rgb(0x02050E, 0.85f), 1.2f, 0.0f};
    glassPanel(s, bezel, 1.0f, h - 1.0f, look);
    // Inner lip of the window, lit from the top left: dark on top, light below.
    fillShape(
        s,
        [&](Vec2 p) {
            const float d = window(p);
            return std::max(-d - 1.2f, d);
        },
        [&](Vec2 p) { return p.y < (bandTop + bandBottom) / 2 ? rgb(0x000000, 0.7f) : rgb(0x7FD8F0, 0.45f); });
    // The ends of the window fade the title in and out instead of letting glyphs pop.
    fillShape(s, window, [&](Vec2 p) {
        const float left = std::clamp(1.0f - (p.x - 12.0f) / 16.0f, 0.0f, 1.0f);
        const float right = std::clamp(1.0f - (w - 12.0f - p.x) / 14.0f, 0.0f, 1.0f);
        return rgb(0x040A18, std::max(left * left, right * right) * 0.95f);
    });
    // Two small cyan studs on the bezel's top bar.
    for (float x : {22.0f, w - 22.0f})
        fillShape(
            s, [&](Vec2 p) { return sdCircle(p, x, bandTop / 2, 1.6f); }, [](Vec2) { return rgb(CYAN, 0.8f); });
}

// Fifty of these drift along the bottom in front of everything, buttons included, so they
// are mostly clear: a faint film, a thin iridescent rim and a soft highlight.
void paintMainBubble(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_MAIN_BUBBLE, 2);
    const float cx = s.designW / 2, cy = s.designH / 2, r = cx - 3.0f;
    auto disc = [&](Vec2 p) { return sdCircle(p, cx, cy, r); };
    fillShape(s, disc, [&](Vec2 p) {
        const float d = std::hypot(p.x - cx, p.y - cy) / r;
        return rgb(0x9FE8FF, 0.01f + 0.04f * d * d * d * d);
    });
    fillShape(
        s,
        [&](Vec2 p) {
            const float d = disc(p);
            return std::max(d, -1.6f - d);
        },
        [&](Vec2 p) {
            const float a = std::atan2(p.y - cy, p.x - cx);
            const float t = 0.5f + 0.5f * std::sin(a + 2.2f);
            return mix(mix(rgb(0xA8F4FF), rgb(0xC8A8FF), t), rgb(AMBER_LIGHT),
                       std::max(0.0f, std::sin(a - 0.4f)) * 0.6f);
        },
        0.14f);
    Mask crescent = makeMask(s);
    addShape(crescent, s,
             [&](Vec2 p) { return std::max(disc(p) + 4.0f, -sdCircle(p, cx + r * 0.08f, cy + r * 0.1f, r * 0.9f)); });
    blurMask(crescent, 2.0f * texelsPerDesign(s));
    fillMask(
        s, crescent, [](Vec2) { return rgb(0xFFFFFF); }, 0.14f);
    fillShape(
        s, [&](Vec2 p) { return sdCircle(p, cx - r * 0.48f, cy - r * 0.5f, r * 0.07f); },
        [](Vec2) { return rgb(0xFFFFFF, 0.15f); });
}

// The player panel, with sockets and labels painted where the controls will sit.
void paintPlayerPanel(Canvas& atlas, const Fonts& fonts)
{
    Surface s = surfaceOf(atlas, ATLAS_PLAYER_PANEL, 0);
    const float w = s.designW, h = s.designH;
    auto body = [&](Vec2 p) { return sdBox(p, w / 2, h / 2, w / 2 - 1.0f, h / 2 - 1.0f, 14.0f); };
    const PanelLook look{
        rgb(0x173461, 0.93f), rgb(0x0A1630, 0.95f), rgb(0xA8D8FF, 0.8f), rgb(0x02050E, 0.7f), 1.3f, 0.0f};
    glassPanel(s, body, 1.0f, h - 1.0f, look);

    // The transport cluster sits in a recessed well.
    const DesignRect stop = placeOn(ATLAS_PLAYER_PANEL, ATLAS_STOP_BUTTON),
                     next = placeOn(ATLAS_PLAYER_PANEL, ATLAS_NEXT_BUTTON);
    const float wellL = stop.x - 7.0f, wellR = next.x + next.w + 7.0f, wellT = stop.y - 7.0f,
                wellB = next.y + next.h + 7.0f;
    auto well = [&](Vec2 p) {
        return sdBox(p, (wellL + wellR) / 2, (wellT + wellB) / 2, (wellR - wellL) / 2, (wellB - wellT) / 2, 12.0f);
    };
    fillShape(s, well,
              [&](Vec2 p) { return mix(rgb(0x040A18, 0.8f), rgb(0x0A1630, 0.6f), (p.y - wellT) / (wellB - wellT)); });
    bevelRim(s, well, 1.2f, rgb(0x000000, 0.7f), rgb(0x7FB8E8, 0.55f));

    // Volume: a dark track with an unlit slot for each of the ten steps, left of the keys.
    const DesignRect pip0 = placeOn(ATLAS_PLAYER_PANEL, ATLAS_VOLUME_PIP);
    const float step = 0.015f / 2 * SCREEN_WIDTH;
    const float trackR = pip0.x + 9 * step + pip0.w + 2.0f;
    auto track = [&](Vec2 p) {
        return sdBox(p, (pip0.x - 2.0f + trackR) / 2, pip0.cy(), (trackR - pip0.x + 2.0f) / 2, pip0.h / 2 + 1.5f, 3.0f);
    };
    fillShape(s, track, [](Vec2) { return rgb(0x030712, 0.85f); });
    bevelRim(s, track, 0.8f, rgb(0x000000, 0.6f), rgb(0x7FB8E8, 0.4f));
    for (int i = 0; i < 10; ++i) {
        const float x = pip0.x + float(i) * step;
        fillShape(
            s, [&](Vec2 p) { return sdBox(p, x + pip0.w / 2, pip0.cy(), pip0.w / 2 - 0.4f, pip0.h / 2 - 0.5f, 1.3f); },
            [](Vec2) { return rgb(0x3A2A1A, 0.8f); });
    }
    const DesignRect up = placeOn(ATLAS_PLAYER_PANEL, ATLAS_VOLUME_UP_BUTTON);
    Mask volume = makeMask(s);
    addText(volume, s, fonts.sansBold, "VOLUME", up.x + up.w + 6.0f, up.cy() + 3.0f, 6.0f, 1.0f);
    engravedText(s, volume, rgb(0x8FB0D8), 0.9f);

    // Slots for the menu entries, each ending in a small amber chevron.
    for (AtlasPicture id : {ATLAS_INFO_BUTTON, ATLAS_ABOUT_BUTTON, ATLAS_EXIT_BUTTON}) {
        const DesignRect e = placeOn(ATLAS_PLAYER_PANEL, id);
        const float left = e.x - 4.0f, right = e.x + 74.0f;
        auto slot = [&](Vec2 p) { return sdBox(p, (left + right) / 2, e.cy(), (right - left) / 2, 8.5f, 8.5f); };
        fillShape(s, slot, [&](Vec2 p) {
            return mix(rgb(0x050B1C, 0.75f), rgb(0x0C1A36, 0.6f), (p.y - e.cy() + 8.5f) / 17.0f);
        });
        bevelRim(s, slot, 0.9f, rgb(0x000000, 0.6f), rgb(0x7FB8E8, 0.45f));
        const float tip = right - 7.0f;
        fillShape(
            s,
            [&](Vec2 p) {
                return std::min(sdSegment(p, {tip - 3.0f, e.cy() - 3.5f}, {tip, e.cy()}, 0.8f),
                                sdSegment(p, {tip - 3.0f, e.cy() + 3.5f}, {tip, e.cy()}, 0.8f));
            },
            [](Vec2) { return rgb(AMBER); });
    }

    // A small disc emblem fills the panel's quiet upper left.
    const DesignRect info = placeOn(ATLAS_PLAYER_PANEL, ATLAS_INFO_BUTTON);
    const float dcx = (wellL - 4.0f) / 2 + 2.0f, dcy = (info.y - 6.0f) / 2 + 4.0f, dr = std::min(dcx, dcy) - 8.0f;
    softShadow(
        s, [&](Vec2 p) { return sdCircle(p, dcx, dcy, dr); }, 3.0f, 1.5f, 2.0f, 0.5f);
    fillShape(
        s, [&](Vec2 p) { return sdCircle(p, dcx, dcy, dr); },
        [&](Vec2 p) {
            const float d = std::hypot(p.x - dcx, p.y - dcy);
            const float a = std::atan2(p.y - dcy, p.x - dcx);
            const float groove = 0.5f + 0.5f * std::sin(d * 2.4f);
            const float sheen = std::pow(std::fabs(std::cos(a - 0.8f)), 8.0f);
            Rgba c = mix(rgb(0x070C1A), rgb(0x122344), groove * 0.35f);
            c = mix(c, mix(rgb(0x5FE3F0), rgb(0xC8A8FF), 0.5f + 0.5f * std::sin(a * 2.0f)), sheen * 0.35f);
            return c;
        });
    bevelRim(
        s, [&](Vec2 p) { return sdCircle(p, dcx, dcy, dr); }, 1.0f, rgb(0xA8D8FF, 0.6f), rgb(0x000000, 0.6f));
    fillShape(
        s, [&](Vec2 p) { return sdCircle(p, dcx, dcy, dr * 0.34f); },
        [&](Vec2 p) { return mix(rgb(AMBER_LIGHT), rgb(0xE07A2A), (p.y - dcy + dr * 0.34f) / (dr * 0.68f)); });
    fillShape(
        s, [&](Vec2 p) { return sdCircle(p, dcx, dcy, dr * 0.07f); }, [](Vec2) { return rgb(0x05080F); });
    Mask label = makeMask(s);
    addTextCentred(label, s, fonts.sansBold, "Q3", dcx, dcy - dr * 0.12f, dr * 0.1f, 0.3f);
    fillMask(s, label, [](Vec2) { return rgb(0x3A1A05, 0.85f); });
    // A maker's plate in the quiet upper right.
    const float plateX = wellL + 2.0f, plateY = 22.0f;
    Mask plateText = makeMask(s);
    addText(plateText, s, fonts.sansBold, "DISK PLAYER", plateX, plateY, 6.5f, 1.6f);
    engravedText(s, plateText, rgb(0x8FB0D8), 0.85f);
    fillShape(
        s,
        [&](Vec2 p) {
            return sdSegment(p, {plateX, plateY + 6.0f}, {w - 14.0f, plateY + 6.0f}, 0.5f);
        },
        [](Vec2) { return rgb(0x7FB8E8, 0.35f); });
    for (int i = 0; i < 3; ++i)
        fillShape(
            s, [&](Vec2 p) { return sdCircle(p, w - 16.0f - float(i) * 7.0f, plateY - 2.5f, 1.8f); },
            [&](Vec2) { return i == 0 ? rgb(AMBER) : rgb(CYAN, 0.5f); });

    // A thin divider between the disc and the menu entries.
    fillShape(
        s,
        [&](Vec2 p) {
            return sdSegment(p, {8.0f, info.y - 6.0f}, {wellL - 10.0f, info.y - 6.0f}, 0.5f);
        },
        [&](Vec2 p) { return rgb(0x7FB8E8, 0.35f * (1.0f - std::fabs(p.x / (wellL - 10.0f) - 0.5f) * 2.0f)); });
}

}  // namespace

void paintPlayer(Canvas& atlas, const Fonts& fonts)
{
    paintPlayerPanel(atlas, fonts);
    paintStop(atlas);
    paintPlay(atlas);
    paintPause(atlas);
    paintSkip(atlas, ATLAS_PREVIOUS_BUTTON, -1.0f);
    paintSkip(atlas, ATLAS_NEXT_BUTTON, 1.0f);
    paintOrnament(atlas);
    paintVolumeKey(atlas, ATLAS_VOLUME_UP_BUTTON, true);
    paintVolumeKey(atlas, ATLAS_VOLUME_DOWN_BUTTON, false);
    paintVolumePip(atlas);
    paintMenuEntry(atlas, fonts, ATLAS_INFO_BUTTON, "INFO");
    paintMenuEntry(atlas, fonts, ATLAS_ABOUT_BUTTON, "ABOUT");
    paintMenuEntry(atlas, fonts, ATLAS_EXIT_BUTTON, "EXIT");
    paintWindowButton(atlas, ATLAS_MINIMISE_BUTTON, false);
    paintWindowButton(atlas, ATLAS_CLOSE_BUTTON, true);
    paintEqualizerCell(atlas);
    paintTitleStrip(atlas);
    paintTitleStripFrame(atlas);
    paintMainBubble(atlas);
}
