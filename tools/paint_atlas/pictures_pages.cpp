#include "pictures_pages.h"
#include "styles.h"

#include <cmath>
#include <cstring>

using namespace palette;

namespace {

// The caption window's border: inset from the quad's edge and line width, design pixels.
// The about frame's side lines come down onto the middle of this border.
constexpr float WINDOW_INSET = 2.0f;
constexpr float WINDOW_LINE = 2.0f;

Rgba borderGlow(Vec2 p, float height) { return mix(rgb(0x9FF4FF), rgb(0x3FB8D8), p.y / height); }

// The caption window on the about screen: a frame around the scrolling text, clear inside.
void paintAboutCaption(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_ABOUT_CAPTION, 1);
    const float w = s.designW, h = s.designH;
    auto outer = [&](Vec2 p) { return sdBox(p, w / 2, h / 2, w / 2 - WINDOW_INSET, h / 2 - WINDOW_INSET, 10.0f); };
    auto line = [&](Vec2 p) {
        const float d = outer(p);
        return std::max(d, -WINDOW_LINE - d);
    };
    // A narrow inner shadow along the border; the text area itself stays clear.
    fillShape(
        s,
        [&](Vec2 p) {
            const float d = outer(p) + WINDOW_LINE;
            return std::max(d, -3.0f - d);
        },
        [&](Vec2 p) { return rgb(0x02050E, 0.5f * std::clamp(1.0f + (outer(p) + WINDOW_LINE) / 3.0f, 0.0f, 1.0f)); });
    Mask border = makeMask(s);
    addShape(border, s, line);
    glowFrom(
        s, border, 2.0f, [](Vec2) { return rgb(CYAN); }, 0.5f);
    fillMask(s, border, [&](Vec2 p) { return borderGlow(p, h); });
    for (float x : {WINDOW_INSET + 1.0f, w - WINDOW_INSET - 1.0f})
        fillShape(
            s, [&](Vec2 p) { return sdCircle(p, x, h - WINDOW_INSET - 1.0f, 2.6f); }, [](Vec2) { return rgb(AMBER); });
}

// The about screen's heading: a plaque with the page title hanging over the caption window.
void paintAboutTextFrame(Canvas& atlas, const Fonts& fonts)
{
    Surface s = surfaceOf(atlas, ATLAS_ABOUT_TEXT_FRAME, 1);
    const float w = s.designW;
    const AtlasPlacement& frame = ATLAS_PLACEMENTS[ATLAS_ABOUT_TEXT_FRAME];
    const AtlasPlacement& caption = ATLAS_PLACEMENTS[ATLAS_ABOUT_CAPTION];
    const float windowTop = (frame.y + frame.h - (caption.y + caption.h)) / 2 * SCREEN_HEIGHT;
    const float windowLeft = (caption.x - frame.x) / 2 * SCREEN_WIDTH;
    const float windowRight = windowLeft + caption.w / 2 * SCREEN_WIDTH;
    const float sideL = windowLeft + WINDOW_INSET + WINDOW_LINE / 2;
    const float sideR = windowRight - WINDOW_INSET - WINDOW_LINE / 2;
    const float roof = 34.0f, corner = 12.0f;

    // A faint glass hood between the roof line and the caption window.
    // The hood reaches well below the window's top so that only its sides, not its bottom
    // edge, survive the cut at the window's top border.
    auto hood = [&](Vec2 p) {
        return sdBox(p, (sideL + sideR) / 2, (roof + windowTop) / 2 + 20.0f, (sideR - sideL) / 2,
                     (windowTop - roof) / 2 + 20.0f, corner);
    };
    fillShape(
        s, [&](Vec2 p) { return std::max(hood(p), p.y - windowTop + 2.0f); },
        [&](Vec2 p) { return mix(rgb(0x12264C, 0.55f), rgb(0x0A1430, 0.25f), (p.y - roof) / (windowTop - roof)); });
    // The roof and side lines, which run down onto the window's own border.
    Mask lines = makeMask(s);
    addShape(lines, s, [&](Vec2 p) {
        const float d = hood(p);
        return std::max({std::fabs(d + WINDOW_LINE / 2) - WINDOW_LINE / 2, p.y - windowTop - 6.0f});
    });
    glowFrom(
        s, lines, 2.0f, [](Vec2) { return rgb(CYAN); }, 0.5f);
    fillMask(s, lines, [](Vec2) { return rgb(0x9FF4FF); });

    // The plaque.
    const float plateW = 250.0f, plateTop = 8.0f, plateBottom = 58.0f;
    auto plate = [&](Vec2 p) {
        return sdBox(p, w / 2, (plateTop + plateBottom) / 2, plateW / 2, (plateBottom - plateTop) / 2, 20.0f);
    };
    const PanelLook look{
        rgb(0x1E3C70, 0.95f), rgb(0x0B1733, 0.95f), rgb(0xA8D8FF, 0.85f), rgb(0x02050E, 0.7f), 1.3f, 0.6f};
    glassPanel(s, plate, plateTop, plateBottom, look);
    Mask title = makeMask(s);
    addTextCentred(title, s, fonts.sansBold, "ABOUT", w / 2, 42.0f, 20.0f, 7.0f);
    glowingText(
        s, title, [&](Vec2 p) { return mix(rgb(0xFFFFFF), rgb(0x7FE6F5), (p.y - 22.0f) / 24.0f); }, rgb(0x3FC8E8), 5.0f,
        0.6f);
    for (float x : {w / 2 - plateW / 2 + 22.0f, w / 2 + plateW / 2 - 22.0f})
        fillShape(
            s, [&](Vec2 p) { return std::fabs(p.x - x) + std::fabs(p.y - 33.0f) - 4.5f; },
            [](Vec2) { return rgb(AMBER); });
    // The disk's name under the plaque, with a fine rule.
    Mask name = makeMask(s);
    addTextCentred(name, s, fonts.serifBold, "Quorvatelle 3", w / 2, 88.0f, 11.0f, 1.5f);
    glowingText(
        s, name, [](Vec2) { return rgb(AMBER_LIGHT); }, rgb(AMBER), 3.0f, 0.35f);
    fillShape(
        s,
        [&](Vec2 p) {
            return sdSegment(p, {w / 2 - 90.0f, 101.0f}, {w / 2 + 90.0f, 101.0f}, 0.6f);
        },
        [&](Vec2 p) { return rgb(0x9FF4FF, 0.6f * (1.0f - std::fabs(p.x - w / 2) / 90.0f)); });
    fillShape(
        s, [&](Vec2 p) { return std::fabs(p.x - w / 2) + std::fabs(p.y - 101.0f) - 3.0f; },
        [](Vec2) { return rgb(AMBER); });
}

void paintAboutBubble(Canvas& atlas)
{
    Surface s = surfaceOf(atlas, ATLAS_ABOUT_BUBBLE, 1);
    const float cx = s.designW / 2, cy = s.designH / 2, r = cx - 1.2f;
    // Light grey: the program tints it cyan and makes it translucent.
    fillShape(
        s, [&](Vec2 p) { return sdCircle(p, cx, cy, r); },
        [&](Vec2 p) {
            const float d = std::hypot(p.x - cx, p.y - cy) / r;
            return rgb(0xE8EEF2, 0.3f + 0.55f * d * d * d);
        });
    fillShape(
        s,
        [&](Vec2 p) {
            const float d = sdCircle(p, cx, cy, r);
            return std::max(d, -1.3f - d);
        },
        [](Vec2) { return rgb(0xFFFFFF); });
    fillShape(
        s, [&](Vec2 p) { return sdCircle(p, cx - r * 0.38f, cy - r * 0.4f, r * 0.2f); },
        [](Vec2) { return rgb(0xFFFFFF); });
}

void paintReturnHint(Canvas& atlas, const Fonts& fonts)
{
    Surface s = surfaceOf(atlas, ATLAS_RETURN_HINT, 1);
    const float w = s.designW, h = s.designH;
    auto pill = [&](Vec2 p) { return sdBox(p, w / 2, h / 2, w / 2 - 2.0f, h / 2 - 2.0f, h / 2 - 2.0f); };
    const PanelLook look{
        rgb(0x17315E, 0.85f), rgb(0x0A1630, 0.85f), rgb(0x8FE9F5, 0.8f), rgb(0x02050E, 0.6f), 1.0f, 0.5f};
    glassPanel(s, pill, 2.0f, h - 2.0f, look);
    // A small mouse, then the words.
    const float mx = 18.0f, my = h / 2;
    fillShape(
        s,
        [&](Vec2 p) {
            const float d = sdBox(p, mx, my, 4.5f, 7.0f, 4.5f);
            return std::max(d, -1.1f - d);
        },
        [](Vec2) { return rgb(ICE); });
    fillShape(
        s, [&](Vec2 p) { return sdBox(p, mx, my - 3.5f, 0.6f, 1.8f, 0.5f); }, [](Vec2) { return rgb(AMBER); });
    Mask text = makeMask(s);
    const float cap = 8.0f;
    addTextCentred(text, s, fonts.sansBold, "CLICK TO RETURN", (w + mx + 8.0f) / 2, my + cap / 2, cap, 1.4f);
    glowingText(
        s, text, [](Vec2) { return rgb(ICE); }, rgb(CYAN), 1.5f, 0.4f);
}

// Keycaps beside the info screen's key list, one row per help line.
void paintKeyCap(Surface& s, const Fonts& fonts, float cx, float cy, float width, const char* legend, int arrow)
{
    const float h = 15.0f;
    auto cap = [&](Vec2 p) { return sdBox(p, cx, cy, width / 2, h / 2, 3.5f); };
    const PanelLook look{rgb(0x2C4F86), rgb(0x102244), rgb(0xB5E2FF, 0.9f), rgb(0x02050E, 0.8f), 1.0f, 0.6f};
    glassPanel(s, cap, cy - h / 2, cy + h / 2, look);
    Mask m = makeMask(s);
    if (arrow != 0) {
        const float dir = float(arrow);
        addShape(m, s, [&](Vec2 p) {
            const float head =
                sdTriangle(p, {cx + dir * 5.0f, cy}, {cx + dir * 0.5f, cy - 4.0f}, {cx + dir * 0.5f, cy + 4.0f});
            return std::min(head, sdBox(p, cx - dir * 1.5f, cy, 2.5f, 1.0f, 0.3f));
        });
    } else {
        addTextCentred(m, s, fonts.sansBold, legend, cx, cy + 3.3f, 6.6f, 0.4f);
    }
    glowingText(
        s, m, [](Vec2) { return rgb(ICE); }, rgb(CYAN), 1.2f, 0.5f);
}

void paintKeysPicture(Canvas& atlas, const Fonts& fonts)
{
    Surface s = surfaceOf(atlas, ATLAS_KEYS_PICTURE, 0);
    const AtlasPlacement& r = ATLAS_PLACEMENTS[ATLAS_KEYS_PICTURE];
    // The help lines' baselines (screen y) and glyph height, as the info screen draws them.
    const float lineY[9] = {0.35f, 0.23f, 0.11f, -0.01f, -0.13f, -0.25f, -0.37f, -0.49f, -0.61f};
    const float glyphH = 0.037f * ASPECT;
    auto rowCentre = [&](int i) { return ((r.y + r.h) - (lineY[i] + glyphH / 2)) / 2 * SCREEN_HEIGHT; };
    const float cx = 68.0f;
    auto column = [&](Vec2 p) {
        const float top = rowCentre(0) - 14.0f, bottom = rowCentre(8) + 14.0f;
        return sdBox(p, cx, (top + bottom) / 2, 44.0f, (bottom - top) / 2, 12.0f);
    };
    const PanelLook look{
        rgb(0x14294F, 0.6f), rgb(0x0A1430, 0.6f), rgb(0x8FC8F0, 0.55f), rgb(0x02050E, 0.5f), 1.0f, 0.4f};
    glassPanel(s, column, rowCentre(0) - 14.0f, rowCentre(8) + 14.0f, look);
    struct Row {
        const char* legend;
        float width;
        int arrow;
    };
    const Row rows[9] = {{"ENTER", 44, 0}, {"P", 18, 0},   {"", 18, 1},  {"", 18, -1}, {"A", 18, 0},
                         {"I", 18, 0},     {"ESC", 30, 0}, {"E", 18, 0}, {"", 0, 0}};
    for (int i = 0; i < 8; ++i)
        paintKeyCap(s, fonts, cx, rowCentre(i), rows[i].width, rows[i].legend, rows[i].arrow);
    paintKeyCap(s, fonts, cx - 11.0f, rowCentre(8), 18.0f, "+", 0);
    paintKeyCap(s, fonts, cx + 11.0f, rowCentre(8), 18.0f, "-", 0);
    // A small amber lamp at the top of the column.
    fillShape(
        s, [&](Vec2 p) { return sdCircle(p, cx, rowCentre(0) - 24.0f, 2.5f); }, [](Vec2) { return rgb(AMBER); });
}

void paintKeysHeading(Canvas& atlas, const Fonts& fonts)
{
    Surface s = surfaceOf(atlas, ATLAS_KEYS_HEADING, 1);
    const float w = s.designW, h = s.designH;
    Mask text = makeMask(s);
    const float cap = 13.0f;
    const float tracking = std::min(2.0f, (w - 8.0f - textWidth(fonts.sansBold, "CONTROLS", cap)) / 7.0f);
    addText(text, s, fonts.sansBold, "CONTROLS", 3.0f, 5.0f + cap, cap, tracking);
    Mask shadow = shiftedMask(text, 1, 2);
    blurMask(shadow, 1.5f * texelsPerDesign(s));
    fillMask(
        s, shadow, [](Vec2) { return rgb(0x000000); }, 0.7f);
    glowingText(
        s, text, [&](Vec2 p) { return mix(rgb(0xFFFFFF), rgb(0x7FE6F5), (p.y - 5.0f) / cap); }, rgb(0x3FC8E8), 3.0f,
        0.5f);
    fillShape(
        s,
        [&](Vec2 p) {
            return sdSegment(p, {4.0f, h - 6.5f}, {w - 6.0f, h - 6.5f}, 1.1f * (1.0f - p.x / w) + 0.2f);
        },
        [&](Vec2 p) { return mix(rgb(AMBER), rgb(AMBER, 0.0f), p.x / w); });
}

}  // namespace

void paintPages(Canvas& atlas, const Fonts& fonts)
{
    paintAboutCaption(atlas);
    paintAboutTextFrame(atlas, fonts);
    paintAboutBubble(atlas);
    paintReturnHint(atlas, fonts);
    paintKeysPicture(atlas, fonts);
    paintKeysHeading(atlas, fonts);
}
