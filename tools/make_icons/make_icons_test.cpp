// The committed icons are what the tool makes now from the window icon's
// drawing, and each size is painted at its size rather than enlarged.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/window_icon.h"
#include "icon_files.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

const std::string THEME = "desktop/icons/hicolor/";

std::vector<uint8_t> loadRgba(const std::string& path, int* width, int* height)
{
    int channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), width, height, &channels, 4);
    if (!pixels)
        return {};
    std::vector<uint8_t> rgba(pixels, pixels + size_t(*width) * size_t(*height) * 4);
    stbi_image_free(pixels);
    return rgba;
}

TEST(MakeIcons, CommittedIconsAreTheDrawingAtEachSize)
{
    for (int size : ICON_SIZES) {
        int width = 0, height = 0;
        std::vector<uint8_t> committed = loadRgba(THEME + iconPngPath(size), &width, &height);
        ASSERT_FALSE(committed.empty()) << iconPngPath(size) << "; run tools/make_icons";
        EXPECT_EQ(width, size);
        EXPECT_EQ(height, size);
        EXPECT_TRUE(committed == paintIcon(size)) << iconPngPath(size) << " is stale; run tools/make_icons";
    }
    std::ifstream file(THEME + iconSvgPath(), std::ios::binary);
    std::ostringstream svg;
    svg << file.rdbuf();
    EXPECT_EQ(svg.str(), iconSvg()) << iconSvgPath() << " is stale; run tools/make_icons";
}

TEST(MakeIcons, TheWindowIconIsThe48PixelPainting)
{
    std::vector<uint8_t> painted = paintIcon(WindowIcon::SIZE);
    EXPECT_TRUE(std::equal(painted.begin(), painted.end(), windowIcon().rgba));
}

// An enlarged 48-pixel icon repeats each source pixel in blocks; a painted one
// changes from pixel to pixel across the disc's edge, the label's edge and the
// grooves. At 192 = 4 x 48 pixels, count the 4 x 4 blocks a 4x enlargement
// would fill with one colour that are not of one colour.
TEST(MakeIcons, LargerSizesAreNotEnlargements)
{
    std::vector<uint8_t> big = paintIcon(192);
    int uneven = 0;
    for (int by = 0; by < 48; ++by)
        for (int bx = 0; bx < 48; ++bx) {
            const uint8_t* first = &big[(size_t(by * 4) * 192 + bx * 4) * 4];
            bool same = true;
            for (int y = 0; y < 4 && same; ++y)
                for (int x = 0; x < 4 && same; ++x)
                    same = std::equal(first, first + 4, &big[(size_t(by * 4 + y) * 192 + bx * 4 + x) * 4]);
            uneven += same ? 0 : 1;
        }
    // The disc and label edges alone cross some 90 blocks; the grooves and light many more.
    EXPECT_GT(uneven, 600);
    // Edges stay one pixel soft: on a row through the centre, the disc's edge goes
    // from clear to opaque within two pixels at every size.
    for (int size : ICON_SIZES) {
        std::vector<uint8_t> icon = paintIcon(size);
        int row = size / 2, partial = 0;
        for (int x = 0; x < size / 4; ++x) {
            uint8_t alpha = icon[(size_t(row) * size + x) * 4 + 3];
            partial += alpha > 0 && alpha < 255 ? 1 : 0;
        }
        EXPECT_LE(partial, 2) << size;
        EXPECT_GE(partial, 1) << size;
    }
}

}  // namespace
