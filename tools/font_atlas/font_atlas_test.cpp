#include "font_atlas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

constexpr const char* FONT_PATH = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int SIZE = 512;
constexpr int CELL = SIZE / ATLAS_COLUMNS;

std::vector<uint8_t> readAll(const char* path)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path, "rb")) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return bytes;
}

// Ink extent of one cell: columns [left, right) and rows [top, bottom), cell-relative.
struct Ink {
    int left = CELL, right = 0, top = CELL, bottom = 0;
    bool any() const { return right > left; }
};

class FontAtlasTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        font = new std::vector<uint8_t>(readAll(FONT_PATH));
        atlas = new FontImage;
        if (!font->empty())
            rendered = renderFontAtlas(font->data(), font->size(), SIZE, atlas);
    }
    static void TearDownTestSuite()
    {
        delete font;
        delete atlas;
    }
    void SetUp() override
    {
        if (font->empty())
            GTEST_SKIP() << "fonts-dejavu-core is not installed";
        ASSERT_TRUE(rendered);
    }
    static uint8_t alphaAt(int x, int y) { return atlas->rgba[(size_t(y) * SIZE + size_t(x)) * 4 + 3]; }
    static Ink inkOfCell(int k, uint8_t threshold = 0)
    {
        Ink ink;
        const int cx = (k % ATLAS_COLUMNS) * CELL, cy = (k / ATLAS_COLUMNS) * CELL;
        for (int y = 0; y < CELL; ++y)
            for (int x = 0; x < CELL; ++x)
                if (alphaAt(cx + x, cy + y) > threshold) {
                    ink.left = std::min(ink.left, x);
                    ink.right = std::max(ink.right, x + 1);
                    ink.top = std::min(ink.top, y);
                    ink.bottom = std::max(ink.bottom, y + 1);
                }
        return ink;
    }

    static inline std::vector<uint8_t>* font = nullptr;
    static inline FontImage* atlas = nullptr;
    static inline bool rendered = false;
};

TEST_F(FontAtlasTest, EveryGlyphStaysInsideTheWindowTheProgramShows)
{
    const int hiddenTop = int(std::ceil(TOP_STRIP * SIZE));
    for (int c = FIRST_GLYPH + 1; c <= LAST_GLYPH; ++c) {
        const Ink ink = inkOfCell(c - FIRST_GLYPH);
        const GlyphWindow window = glyphWindow(c, SIZE);
        ASSERT_TRUE(ink.any()) << "no ink for '" << char(c) << "'";
        EXPECT_GE(ink.left, int(std::ceil(window.left))) << char(c);
        EXPECT_LE(ink.right, int(std::floor(window.right))) << char(c);
        EXPECT_GT(ink.top, hiddenTop) << char(c) << " reaches into the hidden top strip";
    }
}

TEST_F(FontAtlasTest, GlyphsFillTheirWindowLessTheLetterSpacing)
{
    for (int c = 'A'; c <= 'Z'; ++c) {
        const Ink ink = inkOfCell(c - FIRST_GLYPH);
        const GlyphWindow window = glyphWindow(c, SIZE);
        const float shown = window.right - window.left;
        EXPECT_GT(float(ink.right - ink.left), shown - 0.14f * CELL) << char(c);
        EXPECT_LT(float(ink.right - ink.left), shown - 0.06f * CELL) << char(c);
        const float centre = (ink.left + ink.right) / 2.0f;
        EXPECT_NEAR(centre, (window.left + window.right) / 2, 1.0f) << char(c);
    }
}

TEST_F(FontAtlasTest, CapitalsShareBaselineAndCapHeight)
{
    const Ink h = inkOfCell('H' - FIRST_GLYPH);
    for (int c = 'A'; c <= 'Z'; ++c) {
        const Ink ink = inkOfCell(c - FIRST_GLYPH, 128);
        EXPECT_NEAR(ink.top, h.top, 1) << char(c);
        if (c != 'Q' && c != 'J') {
            EXPECT_NEAR(ink.bottom, h.bottom, 1) << char(c);
        }
    }
    EXPECT_GT(inkOfCell(',' - FIRST_GLYPH).bottom, h.bottom) << "comma should descend";
    EXPECT_GT(h.bottom - h.top, CELL / 2) << "capitals should use most of the cell";
}

TEST_F(FontAtlasTest, SpaceAndUnusedCellsAreClearAndEveryPixelIsWhite)
{
    for (int k : {0, 59, 60, 61, 62, 63})
        EXPECT_FALSE(inkOfCell(k).any()) << "cell " << k;
    for (size_t i = 0; i < atlas->rgba.size(); i += 4) {
        ASSERT_EQ(atlas->rgba[i], 255);
        ASSERT_EQ(atlas->rgba[i + 1], 255);
        ASSERT_EQ(atlas->rgba[i + 2], 255);
    }
}

TEST_F(FontAtlasTest, CommittedAtlasIsTheToolsOutput)
{
    int w = 0, h = 0, channels = 0;
    uint8_t* pixels = stbi_load("data/font.png", &w, &h, &channels, 4);
    ASSERT_NE(pixels, nullptr) << "data/font.png missing (run from the repository root)";
    ASSERT_EQ(w, SIZE);
    ASSERT_EQ(h, SIZE);
    EXPECT_TRUE(std::equal(atlas->rgba.begin(), atlas->rgba.end(), pixels)) << "rebuild with font_atlas";
    stbi_image_free(pixels);
}

TEST(FontAtlasInput, RejectsUnusableFontsAndSizes)
{
    FontImage image;
    const std::vector<uint8_t> garbage(4096, 0x5A);
    EXPECT_FALSE(renderFontAtlas(garbage.data(), garbage.size(), 512, &image));
    EXPECT_FALSE(renderFontAtlas(nullptr, 0, 512, &image));
    EXPECT_TRUE(image.rgba.empty());

    std::vector<uint8_t> font = readAll(FONT_PATH);
    if (font.empty())
        GTEST_SKIP() << "fonts-dejavu-core is not installed";
    EXPECT_FALSE(renderFontAtlas(font.data(), 2000, 512, &image)) << "truncated file";
    EXPECT_FALSE(renderFontAtlas(font.data(), font.size(), 500, &image)) << "not a multiple of 8";
    EXPECT_FALSE(renderFontAtlas(font.data(), font.size(), 8, &image)) << "too small";
    font[4] = 0xFF;  // table count far beyond the file
    EXPECT_FALSE(renderFontAtlas(font.data(), font.size(), 512, &image));
    EXPECT_TRUE(image.rgba.empty());
}

}  // namespace
