#include "gui/draw.h"

#include <cctype>

#include "app/render_device.h"
#include "gui/font.h"
#include "gui/sprite_batch.h"

constexpr float TEXT_DEPTH = 0.9f;
// Lines of a text box lie 2.6 text sizes apart. The factor is the 32-bit float
// nearest 2.6, applied in double arithmetic, so that the box and its measured
// height step by exactly the same amount.
constexpr double LINE_SPACING = double(2.6f);

static void submit(const DrawItem& item)
{
    if (spriteBatch)
        spriteBatch->submit(item);
}

// The byte as the font sees it: upper-cased as an unsigned char, so bytes above 127
// stay what they are (and are then skipped).
static int fontCode(char byte) { return std::toupper(static_cast<unsigned char>(byte)); }

static float aspect() { return RenderDevice::instance().aspect(); }

static void submitGlyph(int code, float x, float y, float width, float height, Colour colour)
{
    const GlyphRect rect = glyphRect(code);
    submit(DrawItem{colour.r, colour.g, colour.b, colour.a, rect.u0, rect.v0, rect.u1, rect.v1, x, y, width,
                    height, fontTexture, TEXT_DEPTH});
}

static float nextLine(float lineY, float size) { return float(double(lineY) - double(size) * LINE_SPACING); }

void drawQuad(gpu::Texture* texture, float x, float y, float w, float h, float u0, float v0, float u1, float v1,
              float r, float g, float b, float a)
{
    drawQuadAtDepth(texture, x, y, w, h, u0, v0, u1, v1, r, g, b, a, 1.0f);
}

void drawQuadAtDepth(gpu::Texture* texture, float x, float y, float w, float h, float u0, float v0, float u1,
                     float v1, float r, float g, float b, float a, float depth)
{
    submit(DrawItem{r, g, b, a, u0, v0, u1, v1, x, y, w, h, texture, depth});
}

float measureText(const char* text, float size)
{
    float width = 0.0f;
    for (const char* p = text ? text : ""; *p; ++p) {
        const int code = fontCode(*p);
        if (isDrawableGlyph(code))
            width += glyphWidth(code, size);
    }
    return width;
}

TextExtent drawText(const char* text, float x, float y, float size, Colour colour)
{
    const float height = size * aspect();
    float advance = 0.0f;
    for (const char* p = text ? text : ""; *p; ++p) {
        const float penX = x + advance;
        if (penX > 1.0f)
            break;
        const int code = fontCode(*p);
        if (!isDrawableGlyph(code))
            continue;
        const float width = glyphWidth(code, size);
        submitGlyph(code, penX, y, width, height, colour);
        advance += width;
    }
    return {advance, height};
}

TextExtent drawTextWindow(const char* text, float x, float y, float size, float windowWidth, float offset,
                          Colour colour)
{
    const float height = size * aspect();
    float advance = 0.0f;
    float rel = -offset;  // start of the next glyph relative to the window's left edge
    for (const char* p = text ? text : ""; *p; ++p) {
        if (x + rel > 1.0f)
            break;
        const int code = fontCode(*p);
        if (!isDrawableGlyph(code))
            continue;
        const float width = glyphWidth(code, size);
        if (rel + width > windowWidth)
            break;
        const float glyphX = x + advance - offset;
        advance += width;
        rel = advance - offset;
        // Glyphs wholly left of the window still advance the pen; one straddling its
        // left edge is drawn whole.
        if (rel >= 0.0f)
            submitGlyph(code, glyphX, y, width, height, colour);
    }
    return {advance, height};
}

// The box's layout from a point where a line starts (pen at the left edge) with
// that line's bottom edge at lineY below y. Glyphs past the right screen edge
// are laid out but not submitted: a long word cannot flood the frame.
static void layOutTextBox(const char* p, float x, float y, float size, float boxWidth, float boxHeight, float lineY,
                          Colour colour)
{
    const float height = size * aspect();
    float pen = 0.0f;
    for (; *p; ++p) {
        if (lineY < -boxHeight)
            break;
        const int code = fontCode(*p);
        if (code != '\n' && !isDrawableGlyph(code))
            continue;
        if (code == '\n' || (code == ' ' && pen > boxWidth)) {
            lineY = nextLine(lineY, size);
            pen = 0.0f;
            continue;
        }
        const float width = glyphWidth(code, size);
        const float glyphX = x + pen;
        pen += width;
        // Lines still above the box are laid out but not shown.
        if (lineY <= 0.0f && glyphX <= 1.0f)
            submitGlyph(code, glyphX, y + lineY, width, height, colour);
    }
}

TextExtent drawTextBox(const char* text, float x, float y, float size, float boxWidth, float boxHeight,
                       float offset, Colour colour)
{
    layOutTextBox(text ? text : "", x, y, size, boxWidth, boxHeight, -offset, colour);
    return {boxWidth, boxHeight};
}

std::vector<size_t> textBoxLineStarts(const char* text, float size, float boxWidth)
{
    std::vector<size_t> starts = {0};
    float pen = 0.0f;
    for (const char* p = text ? text : ""; *p; ++p) {
        const int code = fontCode(*p);
        if (code != '\n' && !isDrawableGlyph(code))
            continue;
        if (code == '\n' || (code == ' ' && pen > boxWidth)) {
            starts.push_back(size_t(p + 1 - text));
            pen = 0.0f;
            continue;
        }
        pen += glyphWidth(code, size);
    }
    return starts;
}

// The lines above the box are stepped over one line spacing at a time, the same
// steps the full layout takes, so every glyph lands exactly where drawTextBox
// puts it.
TextExtent drawTextBoxLines(const char* text, const std::vector<size_t>& lineStarts, float x, float y, float size,
                            float boxWidth, float boxHeight, float offset, Colour colour)
{
    float lineY = -offset;
    size_t line = 0;
    while (lineY > 0.0f && line + 1 < lineStarts.size()) {
        lineY = nextLine(lineY, size);
        ++line;
    }
    const size_t start = lineStarts.empty() ? 0 : lineStarts[line];
    layOutTextBox(text ? text + start : "", x, y, size, boxWidth, boxHeight, lineY, colour);
    return {boxWidth, boxHeight};
}

float measureTextBoxHeight(const char* text, float size, float wrapWidth)
{
    float height = 0.0f;
    float lineWidth = 0.0f;
    for (const char* p = text ? text : ""; *p; ++p) {
        const int code = fontCode(*p);
        if (code != '\n' && !isDrawableGlyph(code))
            continue;
        if (code == '\n' || (code == ' ' && lineWidth > wrapWidth)) {
            height = nextLine(height, size);
            lineWidth = 0.0f;
            continue;
        }
        lineWidth += glyphWidth(code, size);
    }
    return height;
}

ScreenPoint mouseToScreen(float mouseX, float mouseY)
{
    const RenderDevice& device = RenderDevice::instance();
    return {(mouseX / float(device.width) - 0.5f) * 2.0f, (mouseY / float(device.height) - 0.5f) * -2.0f};
}

bool pointInRect(ScreenPoint point, ScreenPoint corner, ScreenPoint size)
{
    return corner.x < point.x && point.x < corner.x + size.x && corner.y < point.y && point.y < corner.y + size.y;
}
