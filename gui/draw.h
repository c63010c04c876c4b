// draw: the stateless helpers every screen draws with. Each quad or glyph becomes
// one DrawItem submitted to the renderer at once.
//
// Screen units: x from -1 (left) to +1 (right), y from -1 (bottom) to +1 (top); a
// quad is its lower-left corner plus a size. Text is drawn with the bitmap font,
// upper-cased; characters outside space..Z are skipped (no quad, no advance). A
// glyph is size * (1 - 2 * inset) wide and size * aspect tall, at depth 0.9.
#pragma once
#include <cstddef>
#include <vector>

#include "platform/gpu.h"

struct TextExtent {
    float width, height;
};

struct ScreenPoint {
    float x, y;
};

struct Colour {
    float r, g, b, a;
};

// A quad at depth 1.0.
void drawQuad(gpu::Texture* texture, float x, float y, float w, float h, float u0, float v0, float u1, float v1,
              float r, float g, float b, float a);
void drawQuadAtDepth(gpu::Texture* texture, float x, float y, float w, float h, float u0, float v0, float u1,
                     float v1, float r, float g, float b, float a, float depth);

// Sum of the glyph widths of the text's drawable characters.
float measureText(const char* text, float size);

// One line from (x, y), stopping once the pen is past the right screen edge.
TextExtent drawText(const char* text, float x, float y, float size, Colour colour);

// One line laid out from x shifted left by offset, showing only the glyphs that
// end inside the window from x to x + windowWidth (a glyph straddling the left edge
// is drawn whole; the first glyph that would end past the right edge ends the line).
TextExtent drawTextWindow(const char* text, float x, float y, float size, float windowWidth, float offset,
                          Colour colour);

// Word-wrapped text scrolling in a box that hangs down from y: offset is the
// distance from y down to the first line's bottom edge; lines are size * 2.6 apart;
// a line breaks at a line feed or at a space once the pen has passed boxWidth.
// Glyphs past the right screen edge (a word longer than the box) are not drawn.
TextExtent drawTextBox(const char* text, float x, float y, float size, float boxWidth, float boxHeight,
                       float offset, Colour colour);

// Where each line of drawTextBox's layout starts, as byte offsets into the text
// (the first is 0). The layout depends only on the text, the size and the box
// width, so a screen whose text stays the same works this out once.
std::vector<size_t> textBoxLineStarts(const char* text, float size, float boxWidth);

// drawTextBox for a text whose line starts are known: the lines above the box are
// stepped over without reading their bytes, so a long scrolled text costs a frame
// no more than a short one. Draws exactly what drawTextBox draws.
TextExtent drawTextBoxLines(const char* text, const std::vector<size_t>& lineStarts, float x, float y, float size,
                            float boxWidth, float boxHeight, float offset, Colour colour);

// How far below its top the text runs when drawTextBox wraps it at wrapWidth, as a
// negative number: size * 2.6 for every line break (line feed, or a space once the
// line is wider than wrapWidth). A text without a break measures 0.
float measureTextBoxHeight(const char* text, float size, float wrapWidth);

// Client pixels (from the InputState) to screen units.
ScreenPoint mouseToScreen(float mouseX, float mouseY);

// Strictly inside: a point on an edge is outside.
bool pointInRect(ScreenPoint point, ScreenPoint corner, ScreenPoint size);
