#include "atlas_layout.h"
#include "canvas.h"
#include "pictures.h"
#include "text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

constexpr const char* FONT_DIR = "/usr/share/fonts/truetype/dejavu";

bool isWhole(float edge) { return std::fabs(edge - std::round(edge)) < 0.03f; }

bool fillsItsRectangle(AtlasPicture id) { return id == ATLAS_BACKGROUND || id == ATLAS_TITLE_STRIP; }

class PaintedAtlas : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        fonts = new Fonts;
        if (loadFonts(FONT_DIR, fonts))
            atlas = new std::vector<uint8_t>(toRgba8(paintAtlas(*fonts)));
    }
    static void TearDownTestSuite()
    {
        delete fonts;
        delete atlas;
        atlas = nullptr;
    }
    void SetUp() override
    {
        if (!atlas)
            GTEST_SKIP() << "fonts-dejavu-core is not installed";
    }
    static uint8_t alpha(int x, int y) { return (*atlas)[(size_t(y) * ATLAS_SIZE + size_t(x)) * 4 + 3]; }
    // Design point (x, y) of a rectangle, as a texel.
    static uint8_t alphaAtDesign(AtlasPicture id, float x, float y)
    {
        const AtlasPlacement& r = ATLAS_PLACEMENTS[id];
        const PixelRect p = pixelRect(r);
        const int tx = int(p.x0 + x / shownWidth(r) * (p.x1 - p.x0));
        const int ty = int(p.y0 + y / shownHeight(r) * (p.y1 - p.y0));
        return alpha(tx, ty);
    }
    // Samples a region of a picture every half design pixel; returns how many are clear.
    static int clearTexelsIn(AtlasPicture id, float x0, float y0, float x1, float y1, int* total)
    {
        int clear = 0;
        *total = 0;
        for (float y = y0; y < y1; y += 0.5f)
            for (float x = x0; x < x1; x += 0.5f) {
                ++*total;
                const bool isClear = alphaAtDesign(id, x, y) == 0;
                clear += isClear;
                if (!isClear && *total - clear <= 3)
                    ADD_FAILURE() << ATLAS_RECTS[id].name << " not clear at design " << x << ", " << y;
            }
        return clear;
    }

    static inline Fonts* fonts = nullptr;
    static inline std::vector<uint8_t>* atlas = nullptr;
};

TEST(AtlasLayout, RectanglesLieInsideTheAtlasAndDoNotOverlap)
{
    for (int i = 0; i < ATLAS_PICTURE_COUNT; ++i) {
        const AtlasRect& r = ATLAS_RECTS[i];
        EXPECT_EQ(ATLAS_PLACEMENTS[i].id, AtlasPicture(i)) << r.name << " is out of order";
        EXPECT_LT(r.u0, r.u1) << r.name;
        EXPECT_LT(r.v0, r.v1) << r.name;
        EXPECT_GE(r.u0, 0.0f) << r.name;
        EXPECT_LE(r.u1, 1.0f) << r.name;
        EXPECT_LE(r.v1, 1.0f) << r.name;
        const PixelRect a = pixelRect(AtlasPicture(i));
        for (int j = i + 1; j < ATLAS_PICTURE_COUNT; ++j) {
            const PixelRect b = pixelRect(ATLAS_PLACEMENTS[j]);
            const float w = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
            const float h = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
            EXPECT_FALSE(w > 0.01f && h > 0.01f) << r.name << " overlaps " << ATLAS_RECTS[j].name;
        }
    }
}

TEST_F(PaintedAtlas, PicturesStayInsideTheirRectangles)
{
    // Only full-bleed pictures may spill their edge colour a couple of texels outwards.
    std::vector<uint8_t> allowed(size_t(ATLAS_SIZE) * ATLAS_SIZE, 0);
    for (const AtlasPlacement& r : ATLAS_PLACEMENTS) {
        const PixelRect p = pixelRect(r);
        const int grow = fillsItsRectangle(r.id) ? 2 : 0;
        for (int y = std::max(0, int(std::floor(p.y0)) - grow); y < std::min(ATLAS_SIZE, int(std::ceil(p.y1)) + grow);
             ++y)
            for (int x = std::max(0, int(std::floor(p.x0)) - grow);
                 x < std::min(ATLAS_SIZE, int(std::ceil(p.x1)) + grow); ++x)
                allowed[size_t(y) * ATLAS_SIZE + size_t(x)] = 1;
    }
    int stray = 0;
    for (int y = 0; y < ATLAS_SIZE; ++y)
        for (int x = 0; x < ATLAS_SIZE; ++x)
            stray += alpha(x, y) != 0 && !allowed[size_t(y) * ATLAS_SIZE + size_t(x)];
    EXPECT_EQ(stray, 0);
}

TEST_F(PaintedAtlas, TexelsCutByAFractionalEdgeStayClear)
{
    for (const AtlasPlacement& r : ATLAS_PLACEMENTS) {
        if (fillsItsRectangle(r.id))
            continue;
        const PixelRect p = pixelRect(r);
        const int x0 = int(std::floor(p.x0)), x1 = int(std::ceil(p.x1)) - 1;
        const int y0 = int(std::floor(p.y0)), y1 = int(std::ceil(p.y1)) - 1;
        for (int y = y0; y <= y1; ++y) {
            EXPECT_TRUE(isWhole(p.x0) || alpha(x0, y) == 0) << ATLAS_RECTS[r.id].name << " left edge, row " << y;
            EXPECT_TRUE(isWhole(p.x1) || alpha(x1, y) == 0) << ATLAS_RECTS[r.id].name << " right edge, row " << y;
        }
        for (int x = x0; x <= x1; ++x) {
            EXPECT_TRUE(isWhole(p.y0) || alpha(x, y0) == 0) << ATLAS_RECTS[r.id].name << " top edge, column " << x;
            EXPECT_TRUE(isWhole(p.y1) || alpha(x, y1) == 0) << ATLAS_RECTS[r.id].name << " bottom edge, column " << x;
        }
    }
}

TEST_F(PaintedAtlas, BackgroundsAreOpaque)
{
    for (AtlasPicture id : {ATLAS_BACKGROUND, ATLAS_TITLE_STRIP}) {
        const PixelRect p = pixelRect(ATLAS_PLACEMENTS[id]);
        for (int y = int(std::floor(p.y0)); y < int(std::ceil(p.y1)); ++y)
            for (int x = int(std::floor(p.x0)); x < int(std::ceil(p.x1)); ++x)
                ASSERT_EQ(alpha(x, y), 255) << ATLAS_RECTS[id].name << " at " << x << ", " << y;
    }
}

TEST_F(PaintedAtlas, TextShowsThroughTheFramesInFrontOfIt)
{
    int total = 0;
    // Title strip frame: the title glyphs run from 0.39 to 0.70 of the strip's height and
    // the whole width; the ends may fade the text in and out, the rest must be clear.
    const AtlasPlacement& strip = ATLAS_PLACEMENTS[ATLAS_TITLE_STRIP_FRAME];
    const float sw = shownWidth(strip), sh = shownHeight(strip);
    EXPECT_EQ(clearTexelsIn(ATLAS_TITLE_STRIP_FRAME, sw * 0.12f, sh * 0.39f, sw * 0.9f, sh * 0.70f, &total), total);

    // About caption window: the text box runs from x -0.2 (with some overrun past the wrap
    // width) and from y -0.035 (top of the first line) down to -0.67.
    const AtlasPlacement& cap = ATLAS_PLACEMENTS[ATLAS_ABOUT_CAPTION];
    auto capX = [&](float x) { return (x - cap.x) / 2 * SCREEN_WIDTH; };
    auto capY = [&](float y) { return (cap.y + cap.h - y) / 2 * SCREEN_HEIGHT; };
    EXPECT_EQ(clearTexelsIn(ATLAS_ABOUT_CAPTION, capX(-0.2f), capY(-0.06f), capX(0.7f), capY(-0.64f), &total), total);

    // About text frame: clear over the same text box where it reaches up into the frame.
    const AtlasPlacement& frame = ATLAS_PLACEMENTS[ATLAS_ABOUT_TEXT_FRAME];
    auto frameX = [&](float x) { return (x - frame.x) / 2 * SCREEN_WIDTH; };
    auto frameY = [&](float y) { return (frame.y + frame.h - y) / 2 * SCREEN_HEIGHT; };
    EXPECT_EQ(
        clearTexelsIn(ATLAS_ABOUT_TEXT_FRAME, frameX(-0.2f), frameY(-0.035f), frameX(0.7f), frameY(-0.2f), &total),
        total);
}

TEST_F(PaintedAtlas, ControlsAndLightsAreSolidWhereTheyMatter)
{
    for (AtlasPicture id : {ATLAS_STOP_BUTTON, ATLAS_PLAY_BUTTON, ATLAS_PAUSE_BUTTON, ATLAS_PREVIOUS_BUTTON,
                            ATLAS_NEXT_BUTTON, ATLAS_VOLUME_UP_BUTTON, ATLAS_VOLUME_DOWN_BUTTON, ATLAS_MINIMISE_BUTTON,
                            ATLAS_CLOSE_BUTTON, ATLAS_EQUALIZER_CELL, ATLAS_VOLUME_PIP}) {
        const AtlasPlacement& r = ATLAS_PLACEMENTS[id];
        EXPECT_EQ(alphaAtDesign(id, shownWidth(r) / 2, shownHeight(r) / 2), 255) << ATLAS_RECTS[r.id].name;
    }
    // Bubbles drift in front of the controls: their middle must stay nearly clear.
    const AtlasPlacement& b = ATLAS_PLACEMENTS[ATLAS_MAIN_BUBBLE];
    EXPECT_LT(alphaAtDesign(ATLAS_MAIN_BUBBLE, shownWidth(b) / 2, shownHeight(b) / 2), 16);
}

TEST_F(PaintedAtlas, TintedAndRepeatedPicturesSuitHowTheyAreDrawn)
{
    auto texel = [&](int x, int y) { return &(*atlas)[(size_t(y) * ATLAS_SIZE + size_t(x)) * 4]; };
    // The about bubble is tinted by the program, so it must be a neutral light grey.
    const PixelRect bubble = pixelRect(ATLAS_PLACEMENTS[ATLAS_ABOUT_BUBBLE]);
    for (int y = int(bubble.y0); y < int(bubble.y1); ++y)
        for (int x = int(bubble.x0); x < int(bubble.x1); ++x) {
            const uint8_t* t = texel(x, y);
            if (t[3] < 32)
                continue;
            EXPECT_GT(std::min({t[0], t[1], t[2]}), 200) << "about bubble at " << x << ", " << y;
            EXPECT_LT(std::max({t[0], t[1], t[2]}) - std::min({t[0], t[1], t[2]}), 24);
        }
    // The equalizer cell is drawn 4 times smaller than stored: its outer two texels stay
    // nearly clear so the small mip levels do not smear it into its neighbours.
    const PixelRect eq = pixelRect(ATLAS_PLACEMENTS[ATLAS_EQUALIZER_CELL]);
    for (int y = int(eq.y0); y < int(eq.y1); ++y)
        for (int x = int(eq.x0); x < int(eq.x1); ++x) {
            const bool ring = x < int(eq.x0) + 2 || x >= int(eq.x1) - 2 || y < int(eq.y0) + 2 || y >= int(eq.y1) - 2;
            EXPECT_TRUE(!ring || texel(x, y)[3] < 96) << "equalizer border at " << x << ", " << y;
        }
    // Fifty bubbles overlap in front of the controls: on average one must hide very little.
    const PixelRect main = pixelRect(ATLAS_PLACEMENTS[ATLAS_MAIN_BUBBLE]);
    double sum = 0;
    int n = 0;
    for (int y = int(main.y0); y < int(main.y1); ++y)
        for (int x = int(main.x0); x < int(main.x1); ++x, ++n)
            sum += texel(x, y)[3];
    EXPECT_LT(sum / n, 0.06 * 255);
}

TEST_F(PaintedAtlas, CommittedFilesAreTheToolsOutput)
{
    int w = 0, h = 0, n = 0;
    uint8_t* committed = stbi_load("data/velta.png", &w, &h, &n, 4);
    ASSERT_NE(committed, nullptr) << "data/velta.png missing (run from the repository root)";
    ASSERT_EQ(w, ATLAS_SIZE);
    ASSERT_EQ(h, ATLAS_SIZE);
    EXPECT_TRUE(std::equal(atlas->begin(), atlas->end(), committed)) << "rebuild with paint_atlas";
    stbi_image_free(committed);
}

TEST(Canvas, SurfaceClipsFractionalEdgesWithAMarginAndKeepsWholeOnes)
{
    Canvas c = makeCanvas(64, 64);
    const Surface s = makeSurface(c, 10.0f, 20.4f, 30.6f, 40.0f, 20.6f, 19.6f, 1);
    EXPECT_EQ(s.clipX0, 10);
    EXPECT_EQ(s.clipY0, 22);  // 20.4 cuts texel 20; one more texel of margin
    EXPECT_EQ(s.clipX1, 29);  // 30.6 cuts texel 30; texel 29 is the margin
    EXPECT_EQ(s.clipY1, 40);
    const Surface bleed = makeSurface(c, 10.0f, 20.4f, 30.6f, 40.0f, 20.6f, 19.6f, -1);
    EXPECT_EQ(bleed.clipY0, 20);
    EXPECT_EQ(bleed.clipX1, 31);
    const Surface edge = makeSurface(c, 50.5f, 0.0f, 64.0f, 8.0f, 10.0f, 8.0f, 0);
    EXPECT_EQ(edge.clipX0, 51);
    EXPECT_EQ(edge.clipX1, 64);
}

TEST(Canvas, ClearTexelsBorrowTheirNeighboursColour)
{
    Canvas c = makeCanvas(8, 1);
    c.pixels[0] = rgb(0xFF8000, 0.5f);
    const std::vector<uint8_t> out = toRgba8(c);
    EXPECT_EQ(out[3], 128);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 128);  // straight colour, not premultiplied
    EXPECT_EQ(out[4 + 3], 0);
    EXPECT_EQ(out[4 + 0], 255) << "first clear texel takes the edge colour";
    EXPECT_EQ(out[4 + 1], 128);
    EXPECT_EQ(out[7 * 4 + 0], 0) << "far texels stay black";
}

TEST(Canvas, ShapesAreAntialiasedAtTheirEdge)
{
    Canvas c = makeCanvas(16, 16);
    Surface s = makeSurface(c, 0, 0, 16, 16, 16, 16, 0);
    fillShape(
        s, [](Vec2 p) { return sdBox(p, 8, 8, 4, 4, 0); }, [](Vec2) { return rgb(0xFFFFFF); });
    EXPECT_FLOAT_EQ(c.pixels[8 * 16 + 8].a, 1.0f);
    EXPECT_FLOAT_EQ(c.pixels[8 * 16 + 1].a, 0.0f);
    const float edge = c.pixels[8 * 16 + 12].a;  // texel centre 12.5 lies 0.5 outside
    EXPECT_FLOAT_EQ(edge, 0.0f);
    const Surface half = makeSurface(c, 0, 0, 16, 16, 16, 16, 0);
    EXPECT_NEAR(coverageFromDistance(0.0f, texelsPerDesign(half)), 0.5f, 1e-6f);
}

TEST(Canvas, TrianglesAreInsideWhicheverWayTheyWind)
{
    const Vec2 a{0, 0}, b{10, 0}, c{0, 10};
    EXPECT_LT(sdTriangle({2, 2}, a, b, c), 0.0f);
    EXPECT_LT(sdTriangle({2, 2}, a, c, b), 0.0f);
    EXPECT_NEAR(sdTriangle({-3, 2}, a, b, c), 3.0f, 1e-5f);
    EXPECT_NEAR(sdTriangle({2, 1}, a, c, b), -1.0f, 1e-5f);
}

TEST(Canvas, BlurSpreadsCoverageWithoutCreatingOrLosingIt)
{
    Canvas c = makeCanvas(64, 64);
    Surface s = makeSurface(c, 0, 0, 64, 64, 64, 64, 0);
    Mask m = makeMask(s);
    addShape(m, s, [](Vec2 p) { return sdCircle(p, 32, 32, 6); });
    float before = 0, after = 0;
    for (float v : m.cover)
        before += v;
    blurMask(m, 4.0f);
    for (float v : m.cover)
        after += v;
    EXPECT_NEAR(after, before, before * 0.01f);
    EXPECT_LT(m.at(32, 32), 1.0f);
    EXPECT_GT(m.at(32, 42), 0.0f);
    // Texel centres sit at +0.5, so texels 22 and 41 lie equally far from the centre 32.
    EXPECT_NEAR(m.at(22, 32), m.at(41, 32), 1e-4f) << "blur must be symmetric";
    const Mask moved = shiftedMask(m, 3, -2);
    EXPECT_FLOAT_EQ(moved.at(35, 30), m.at(32, 32));
}

TEST(Canvas, EdgesExtendOnlyIntoClearTexels)
{
    Canvas c = makeCanvas(8, 4);
    c.pixels[3 * 8 + 7] = rgb(0x00FF00);  // a neighbour's texel, must survive
    Surface s = makeSurface(c, 2, 0, 6, 4, 4, 4, 0);
    fillAll(s, [](Vec2) { return rgb(0xFF0000); });
    extendEdges(s, 2);
    EXPECT_FLOAT_EQ(c.pixels[1 * 8 + 0].r, 1.0f);
    EXPECT_FLOAT_EQ(c.pixels[1 * 8 + 7].r, 1.0f);
    EXPECT_FLOAT_EQ(c.pixels[3 * 8 + 7].g, 1.0f);
}

TEST(Canvas, NoiseIsRepeatableAndBounded)
{
    for (int i = 0; i < 200; ++i) {
        const float x = float(i) * 0.37f, y = float(i) * 0.11f;
        EXPECT_EQ(fbm2(x, y, 4, 7), fbm2(x, y, 4, 7));
        EXPECT_LE(std::fabs(fbm2(x, y, 4, 7)), 1.0f);
        EXPECT_GE(hashUnit(uint32_t(i)), 0.0f);
        EXPECT_LT(hashUnit(uint32_t(i)), 1.0f);
    }
    EXPECT_NE(hash32(1), hash32(2));
}

TEST(Text, RejectsFilesThatAreNotUsableFonts)
{
    Font font;
    EXPECT_FALSE(loadFontBytes({}, &font));
    EXPECT_FALSE(loadFontBytes(std::vector<uint8_t>(1000, 0x41), &font));
    EXPECT_FALSE(loadFont("/nonexistent/font.ttf", &font));
    Font real;
    if (!loadFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", &real))
        GTEST_SKIP();
    std::vector<uint8_t> truncated(real.bytes.begin(), real.bytes.begin() + 4000);
    EXPECT_FALSE(loadFontBytes(truncated, &font));
    EXPECT_GT(textWidth(real, "WW", 10.0f), textWidth(real, "II", 10.0f));
    EXPECT_FLOAT_EQ(textWidth(real, "AB", 10.0f, 3.0f), textWidth(real, "AB", 10.0f) + 3.0f);
}

}  // namespace
