// The mip chain the service makes for a texture from a file: every level is the
// box-filtered image, whatever the size, so a picture drawn small keeps its colour.
#include "gpu_fixture.h"

namespace {

class MipChain : public GpuTest {
protected:
    // Draws the texture squeezed into about 6 x 6 pixels and returns the centre pixel.
    Pixel drawnSmall(int imageWidth, int imageHeight, const std::vector<uint8_t>& rgba)
    {
        gpu::Texture* texture = nullptr;
        EXPECT_EQ(service->createTextureFromFile(device, writeImage("mip.png", imageWidth, imageHeight, rgba).c_str(),
                                                 &texture),
                  gpu::OK);
        if (!texture)
            return {-1, -1, -1, -1};
        textures.push_back(texture);
        Quad quad = {-0.5f, -0.5f, 6.0f / 410, 6.0f / 160, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, texture};
        drawFrame({quad});
        return at(-0.5f + 3.0f / 410, -0.5f + 3.0f / 160);
    }
};

TEST_F(MipChain, OddSizesKeepTheirColourDownToTheLastLevel)
{
    const Pixel orange = {240, 120, 30, 255};
    for (auto [w, h] : {std::pair{37, 19}, std::pair{1, 77}, std::pair{129, 1}, std::pair{3, 3}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        EXPECT_TRUE(near(drawnSmall(w, h, solid(w, h, orange)), orange));
    }
}

TEST_F(MipChain, SmallLevelsAverageStripes)
{
    // Two-texel stripes of black and white: every level from the third on is their
    // mean, a mid grey.
    std::vector<uint8_t> rgba = solid(64, 64, {0, 0, 0, 255});
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            if ((x / 2) % 2 == 0)
                paint(&rgba, 64, x, y, {255, 255, 255, 255});
    EXPECT_TRUE(near(drawnSmall(64, 64, rgba), {128, 128, 128, 255}, 6));
}

} // namespace
