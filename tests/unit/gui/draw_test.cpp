// The drawing helpers: the items they submit (inspected before the renderer draws
// them), their clipping and wrapping rules, and the two geometry helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/render_device.h"
#include "gui/draw.h"
#include "gui/font.h"
#include "gui/gui_renderer.h"
#include "platform/fake/fake_platform.h"

namespace {

constexpr Colour WHITE = {1, 1, 1, 1};
constexpr float ASPECT = 820.0f / 320.0f;

class DrawTest : public testing::Test {
protected:
    fake::FakePlatform platform;

    void SetUp() override
    {
        RenderDevice::instance();
        GuiRenderer::instance();
    }
    void TearDown() override
    {
        RenderDevice::instance().release();
        RenderDevice::destroy();
        GuiRenderer::instance().shutdown();
        GuiRenderer::destroy();
    }

    const std::vector<DrawItem>& items() const { return spriteBatch->items; }
    // The x positions of the submitted items, in submission order.
    std::vector<float> xs() const
    {
        std::vector<float> out;
        for (const DrawItem& item : items())
            out.push_back(item.x);
        return out;
    }
    // The line spacing as the text box steps it: 2.6 as a float, in double arithmetic.
    static float lineBelow(float lineY, float size) { return float(double(lineY) - double(size) * double(2.6f)); }
};

void expectGlyph(const DrawItem& item, char capital, float x, float y, float size, Colour colour)
{
    GlyphRect rect = glyphRect(capital);
    EXPECT_EQ(item.u0, rect.u0) << capital;
    EXPECT_EQ(item.v0, rect.v0) << capital;
    EXPECT_EQ(item.u1, rect.u1) << capital;
    EXPECT_EQ(item.v1, rect.v1) << capital;
    EXPECT_FLOAT_EQ(item.x, x) << capital;
    EXPECT_FLOAT_EQ(item.y, y) << capital;
    EXPECT_EQ(item.width, glyphWidth(capital, size)) << capital;
    EXPECT_EQ(item.height, size * ASPECT) << capital;
    EXPECT_EQ(item.texture, fontTexture);
    EXPECT_EQ(item.depth, 0.9f);
    EXPECT_EQ(item.r, colour.r);
    EXPECT_EQ(item.g, colour.g);
    EXPECT_EQ(item.b, colour.b);
    EXPECT_EQ(item.a, colour.a);
}

TEST_F(DrawTest, QuadsCarryTheirFieldsAndDepth)
{
    gpu::Texture* texture = fontTexture;
    drawQuad(texture, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.25f, 0.5f, 0.75f, 0.125f);
    drawQuadAtDepth(nullptr, -1, -1, 2, 2, 0, 0, 1, 1, 1, 1, 1, 0.5f, 0.35f);
    ASSERT_EQ(items().size(), 2u);
    const DrawItem& a = items()[0];
    EXPECT_EQ((std::vector<float>{a.r, a.g, a.b, a.a, a.u0, a.v0, a.u1, a.v1, a.x, a.y, a.width, a.height, a.depth}),
              (std::vector<float>{0.25f, 0.5f, 0.75f, 0.125f, 0.5f, 0.6f, 0.7f, 0.8f, 0.1f, 0.2f, 0.3f, 0.4f, 1.0f}));
    EXPECT_EQ(a.texture, texture);
    EXPECT_EQ(items()[1].depth, 0.35f);
    EXPECT_EQ(items()[1].a, 0.5f);
    EXPECT_EQ(items()[1].texture, nullptr);
}

TEST_F(DrawTest, MeasureTextSumsTheDrawableGlyphWidths)
{
    EXPECT_EQ(measureText("", 0.5f), 0.0f);
    EXPECT_EQ(measureText(nullptr, 0.5f), 0.0f);
    EXPECT_FLOAT_EQ(measureText("W", 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(measureText(" ", 1.0f), 0.4f);
    EXPECT_FLOAT_EQ(measureText("I", 1.0f), 1.0f - 2 * 0.36f);
    // Lower case measures as capitals; codes outside space..Z add nothing.
    EXPECT_EQ(measureText("quorvatelle", 0.03f), measureText("QUORVATELLE", 0.03f));
    EXPECT_EQ(measureText("A{}~\t\x7f\x80\xe9|_`[B", 0.03f), measureText("AB", 0.03f));
}

TEST_F(DrawTest, DrawTextLaysGlyphsSideBySide)
{
    Colour colour = {0.1f, 0.2f, 0.3f, 0.4f};
    TextExtent extent = drawText("a{w", -0.5f, 0.25f, 0.1f, colour);
    ASSERT_EQ(items().size(), 2u);
    expectGlyph(items()[0], 'A', -0.5f, 0.25f, 0.1f, colour);
    expectGlyph(items()[1], 'W', -0.5f + glyphWidth('A', 0.1f), 0.25f, 0.1f, colour);
    EXPECT_FLOAT_EQ(extent.width, glyphWidth('A', 0.1f) + glyphWidth('W', 0.1f));
    EXPECT_EQ(extent.height, 0.1f * ASPECT);

    spriteBatch->items.clear();
    extent = drawText("", 0, 0, 0.2f, WHITE);
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(extent.width, 0.0f);
    EXPECT_EQ(extent.height, 0.2f * ASPECT);
}

TEST_F(DrawTest, DrawTextStopsOnceThePenIsPastTheRightEdge)
{
    // The pen at 0.99 is still on screen; at 1.09 it is past the edge.
    TextExtent extent = drawText("WW", 0.99f, 0, 0.1f, WHITE);
    EXPECT_EQ(xs(), (std::vector<float>{0.99f}));
    EXPECT_FLOAT_EQ(extent.width, 0.1f);
    // A pen exactly on the edge still draws.
    spriteBatch->items.clear();
    drawText("WW", 1.0f, 0, 0.1f, WHITE);
    EXPECT_EQ(xs(), (std::vector<float>{1.0f}));
    // A skipped character does not move the pen.
    spriteBatch->items.clear();
    extent = drawText("W{W", 0.85f, 0, 0.1f, WHITE);
    ASSERT_EQ(items().size(), 2u);
    EXPECT_FLOAT_EQ(items()[1].x, 0.95f);
}

TEST_F(DrawTest, EveryByteIsSafeAndOnlyDrawableOnesDraw)
{
    std::string allBytes;
    for (int c = 1; c < 256; ++c)
        allBytes.push_back(char(c));
    const size_t drawable = 59 + 26;  // space..Z, and a..z as capitals
    drawText(allBytes.c_str(), -1.0f, 0, 0.001f, WHITE);
    EXPECT_EQ(items().size(), drawable);
    spriteBatch->items.clear();
    drawTextWindow(allBytes.c_str(), -1.0f, 0, 0.001f, 2.0f, 0, WHITE);
    EXPECT_EQ(items().size(), drawable);
    spriteBatch->items.clear();
    drawTextBox(allBytes.c_str(), -1.0f, 0, 0.001f, 2.0f, 2.0f, 0, WHITE);
    EXPECT_EQ(items().size(), drawable);
    EXPECT_LT(measureTextBoxHeight(allBytes.c_str(), 0.001f, 2.0f), 0.0f);  // its line feed
}

TEST_F(DrawTest, TextWindowShowsOnlyGlyphsEndingInsideIt)
{
    // The text starts left of the window: the first W ends at -0.05 and is passed
    // over, the second straddles the left edge and is drawn whole.
    TextExtent extent = drawTextWindow("WWW", 0, 0.5f, 0.1f, 1.0f, 0.15f, WHITE);
    ASSERT_EQ(items().size(), 2u);
    expectGlyph(items()[0], 'W', -0.05f, 0.5f, 0.1f, WHITE);
    EXPECT_FLOAT_EQ(items()[1].x, 0.05f);
    EXPECT_FLOAT_EQ(extent.width, 0.3f);

    // The first glyph that would end past the window's right edge ends the line; one
    // ending exactly on it is shown.
    spriteBatch->items.clear();
    extent = drawTextWindow("WWW", 0, 0, 0.1f, 0.2f, 0, WHITE);
    EXPECT_EQ(xs(), (std::vector<float>{0.0f, 0.1f}));
    EXPECT_FLOAT_EQ(extent.width, 0.2f);

    // A glyph ending exactly on the window's left edge is shown.
    spriteBatch->items.clear();
    drawTextWindow("WW", 0, 0, 0.1f, 1.0f, 0.1f, WHITE);
    EXPECT_EQ(xs(), (std::vector<float>{-0.1f, 0.0f}));

    // A negative offset moves the text right of x.
    spriteBatch->items.clear();
    drawTextWindow("W", 0.1f, 0, 0.1f, 0.7f, -0.3f, WHITE);
    ASSERT_EQ(items().size(), 1u);
    EXPECT_FLOAT_EQ(items()[0].x, 0.4f);
}

TEST_F(DrawTest, TextWindowFarRightOfItsStartDrawsNothing)
{
    // The first glyph would start at 1.5 inside a window 0.7 wide.
    TextExtent extent = drawTextWindow("QUORVATELLE", -0.9f, 0, 0.03f, 0.7f, -1.5f, WHITE);
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(extent.width, 0.0f);
    EXPECT_EQ(extent.height, 0.03f * ASPECT);
    // Past the right screen edge nothing is drawn either, however wide the window.
    extent = drawTextWindow("WW", 0.95f, 0, 0.1f, 5.0f, -0.1f, WHITE);
    EXPECT_TRUE(items().empty());
}

TEST_F(DrawTest, TextBoxBreaksLinesAtLineFeedsAndAtSpacesPastTheWidth)
{
    const float y = 0.5f, size = 0.1f;
    const float line2 = lineBelow(0, size), line3 = lineBelow(line2, size);
    // Two line feeds in a row leave an empty line.
    TextExtent extent = drawTextBox("a\n\nb", 0, y, size, 1.0f, 2.0f, 0, WHITE);
    ASSERT_EQ(items().size(), 2u);
    expectGlyph(items()[0], 'A', 0, y, size, WHITE);
    expectGlyph(items()[1], 'B', 0, y + line3, size, WHITE);
    EXPECT_EQ(extent.width, 1.0f);
    EXPECT_EQ(extent.height, 2.0f);

    // A space with the pen exactly at the box width stays on the line and is drawn.
    spriteBatch->items.clear();
    drawTextBox("WW WW", 0, y, size, 0.2f, 2.0f, 0, WHITE);
    ASSERT_EQ(items().size(), 5u);
    EXPECT_EQ(items()[2].y, y);
    EXPECT_EQ(items()[4].y, y);
    // Just past it, the space breaks the line and is not drawn.
    spriteBatch->items.clear();
    drawTextBox("WW WW", 0, y, size, 0.19f, 2.0f, 0, WHITE);
    ASSERT_EQ(items().size(), 4u);
    EXPECT_EQ(items()[2].x, 0.0f);
    EXPECT_EQ(items()[2].y, y + line2);

    // Line steps are taken in double arithmetic: from -0.001 a float step would give
    // -0.260999978 instead of -0.261000007.
    spriteBatch->items.clear();
    drawTextBox("A\nB", 0, 0, size, 1.0f, 2.0f, 0.001f, WHITE);
    ASSERT_EQ(items().size(), 2u);
    EXPECT_EQ(items()[1].y, lineBelow(-0.001f, size));
    EXPECT_EQ(items()[1].y, -0.261000007f);

    // A word longer than the box is not cut.
    spriteBatch->items.clear();
    drawTextBox("WWWWWWWW", 0, y, size, 0.25f, 2.0f, 0, WHITE);
    EXPECT_EQ(items().size(), 8u);
}

TEST_F(DrawTest, TextBoxShowsOnlyLinesBetweenItsTopAndItsBottom)
{
    const float size = 0.1f;
    // Offset -0.3: the first line stands 0.3 above the box, the second 0.04 above it;
    // both are laid out but only the third is shown.
    drawTextBox("A\nB\nC", 0, 0, size, 1.0f, 1.0f, -0.3f, WHITE);
    ASSERT_EQ(items().size(), 1u);
    expectGlyph(items()[0], 'C', 0, lineBelow(lineBelow(0.3f, size), size), size, WHITE);

    // A box 0.3 tall holds the lines at 0 and -0.26; the text ends with the line below.
    spriteBatch->items.clear();
    TextExtent extent = drawTextBox("A\nB\nC\nD", 0, 0, size, 1.0f, 0.3f, 0, WHITE);
    EXPECT_EQ(items().size(), 2u);
    EXPECT_EQ(extent.width, 1.0f);
    EXPECT_EQ(extent.height, 0.3f);

    // A line standing exactly on the box's bottom edge is still shown.
    spriteBatch->items.clear();
    drawTextBox("A\nB\nC", 0, 0, size, 1.0f, -lineBelow(0, size), 0, WHITE);
    EXPECT_EQ(items().size(), 2u);

    spriteBatch->items.clear();
    extent = drawTextBox("", 0, 0, size, 0.75f, 0.5f, 0, WHITE);
    EXPECT_TRUE(items().empty());
    EXPECT_EQ(extent.width, 0.75f);
    EXPECT_EQ(extent.height, 0.5f);
}

// A word longer than the box runs on to the screen's right edge and no further.
TEST_F(DrawTest, TextBoxStopsDrawingAtTheScreenEdge)
{
    const std::string word(10000, 'W');  // 0.1 wide each at size 0.1
    drawTextBox(word.c_str(), 0.5f, 0, 0.1f, 0.2f, 1.0f, 0, WHITE);
    EXPECT_EQ(items().size(), 6u);  // pens at 0.5 .. 1.0
    EXPECT_FLOAT_EQ(items().back().x, 1.0f);
}

// Scrolled anywhere, the text drawn from its line starts is the text drawn whole,
// item for item, to the bit.
TEST_F(DrawTest, TextBoxFromLineStartsDrawsWhatTheWholeLayoutDraws)
{
    std::string text;
    for (int line = 0; line < 300; ++line)
        text += "LINE " + std::to_string(line) + (line % 7 ? " OF WORDS THAT WRAP ONCE IN A WHILE\n" : "\n\n");
    const float size = 0.033f;
    const std::vector<size_t> starts = textBoxLineStarts(text.c_str(), size, 0.75f);
    EXPECT_GT(starts.size(), 300u);
    EXPECT_EQ(starts.front(), 0u);
    for (float offset : {0.3f, 0.0f, -0.0429f, -1.0f, -7.777f, -25.0f, -60.0f, -1000.0f}) {
        spriteBatch->items.clear();
        drawTextBox(text.c_str(), -0.2f, -0.12f, size, 0.75f, 0.55f, offset, WHITE);
        const std::vector<DrawItem> whole = items();
        spriteBatch->items.clear();
        drawTextBoxLines(text.c_str(), starts, -0.2f, -0.12f, size, 0.75f, 0.55f, offset, WHITE);
        ASSERT_EQ(items().size(), whole.size()) << offset;
        for (size_t i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(items()[i].x, whole[i].x) << offset;
            EXPECT_EQ(items()[i].y, whole[i].y) << offset;
            EXPECT_EQ(items()[i].u0, whole[i].u0) << offset;
        }
    }
}

TEST_F(DrawTest, MeasuredBoxHeightMatchesTheLinesTheBoxDraws)
{
    const float size = 0.033f;
    EXPECT_EQ(measureTextBoxHeight("", size, 0.75f), 0.0f);
    EXPECT_EQ(measureTextBoxHeight("NO BREAK AT ALL", size, 0.75f), 0.0f);
    EXPECT_NEAR(measureTextBoxHeight("ONE\nTWO\nthree\n", size, 0.75f), -3 * 0.033 * 2.6, 1e-6);

    // The line after the measured text lands exactly where the box puts it.
    const char* scroll = "A DISK OF SONGS FOR THE LONG WINTER EVENINGS, WITH THANKS TO EVERYONE WHO\n\nLISTENED.\n";
    const float height = measureTextBoxHeight(scroll, size, 0.75f);
    const std::string text = std::string(scroll) + "Z";
    drawTextBox(text.c_str(), 0, 0, size, 0.75f, 10.0f, 0, WHITE);
    ASSERT_FALSE(items().empty());
    EXPECT_EQ(items().back().y, height);
    EXPECT_EQ(items().back().x, 0.0f);
    // The long first line wraps once at a space, so four breaks in all.
    EXPECT_EQ(height, lineBelow(lineBelow(lineBelow(lineBelow(0, size), size), size), size));
}

TEST_F(DrawTest, MeasuredBoxBreaksAtTheFirstSpaceAfterTheWrapWidth)
{
    // At size 1: "WW" is 2 wide, a space 0.4. The first space comes at 2 (not past
    // 2.5), the second at 4.4 (past it): one break. A single long word never breaks.
    EXPECT_EQ(measureTextBoxHeight("WW WW WW WW", 1.0f, 2.5f), -2.6f);
    EXPECT_EQ(measureTextBoxHeight("WWWWWWWWWWWW", 1.0f, 2.5f), 0.0f);
    EXPECT_EQ(measureTextBoxHeight("WW WW", 1.0f, 2.0f), 0.0f);
    EXPECT_EQ(measureTextBoxHeight("WW{} WW WW", 1.0f, 2.0f), -2.6f);
}

TEST_F(DrawTest, MouseToScreenMapsClientPixelsToScreenUnits)
{
    ScreenPoint topLeft = mouseToScreen(0, 0);
    EXPECT_EQ(topLeft.x, -1.0f);
    EXPECT_EQ(topLeft.y, 1.0f);
    ScreenPoint centre = mouseToScreen(410, 160);
    EXPECT_EQ(centre.x, 0.0f);
    EXPECT_EQ(centre.y, 0.0f);
    ScreenPoint bottomRight = mouseToScreen(820, 320);
    EXPECT_EQ(bottomRight.x, 1.0f);
    EXPECT_EQ(bottomRight.y, -1.0f);
}

TEST(PointInRect, EdgesAreOutside)
{
    const ScreenPoint corner = {-0.5f, 0.25f}, size = {1.0f, 0.5f};
    EXPECT_TRUE(pointInRect({0, 0.5f}, corner, size));
    EXPECT_FALSE(pointInRect({-0.5f, 0.5f}, corner, size));   // left edge
    EXPECT_FALSE(pointInRect({0.5f, 0.5f}, corner, size));    // right edge
    EXPECT_FALSE(pointInRect({0, 0.25f}, corner, size));      // bottom edge
    EXPECT_FALSE(pointInRect({0, 0.75f}, corner, size));      // top edge
    EXPECT_FALSE(pointInRect({-0.5f, 0.25f}, corner, size));  // corner
    EXPECT_FALSE(pointInRect({0.6f, 0.5f}, corner, size));
    EXPECT_FALSE(pointInRect({0, 0}, corner, {0, 0}));
}

} // namespace
