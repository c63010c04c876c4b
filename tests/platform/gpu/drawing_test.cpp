// What reaches the screen through data/gui.fx: positions, colours, blending,
// order, winding, textures, addressing and mipmaps.
#include "gpu_fixture.h"

#include <epoxy/gl.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr Pixel black = {0, 0, 0, 255};
constexpr Pixel red = {255, 0, 0, 255};
constexpr Pixel green = {0, 255, 0, 255};
constexpr Pixel blue = {0, 0, 255, 255};
constexpr Pixel white = {255, 255, 255, 255};

Quad plain(float x, float y, float w, float h, Pixel c, float alpha = 1.0f, float depth = 1.0f)
{
    return {x, y, w, h, depth, c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, alpha, nullptr};
}

class Drawing : public GpuTest {
protected:
    // Draws with the bundled effect's shaders and a pass that tests and writes
    // depth, instead of the bundled pass that does neither.
    gpu::Result drawWithDepth(const std::vector<Quad>& quads)
    {
        std::ifstream file("data/gui.fx");
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        for (const char* off : {"depth_test = off;", "depth_write = off;"})
            text.replace(text.find(off), std::string(off).size(), std::string(off, std::strlen(off) - 4) + "on;");
        gpu::Effect* depthEffect = nullptr;
        gpu::Result r = service->createEffectFromFile(device, writeBytes("depth.fx", text).c_str(), &depthEffect);
        if (gpu::failed(r))
            return r;
        std::swap(effect, depthEffect);
        gpu::TechniqueHandle bundled = technique;
        technique = service->getTechniqueByName(effect, "GUI");
        r = drawQuads(quads, false);
        technique = bundled;
        std::swap(effect, depthEffect);
        service->release(depthEffect);
        return r;
    }
};

TEST_F(Drawing, QuadsLandOnTheirPixelsWith16And32BitIndices)
{
    for (bool index32 : {false, true}) {
        SCOPED_TRACE(index32 ? "32-bit indices" : "16-bit indices");
        drawFrame({plain(-1.0f, -1.0f, 0.5f, 1.0f, red), plain(0.0f, 0.0f, 0.5f, 0.5f, green),
                   plain(0.5f, -1.0f, 0.5f, 2.0f, blue)},
                  index32);
        ASSERT_GT(width, 0);
        // Inside each quad, near its edges, and the cleared background around them.
        EXPECT_TRUE(near(at(-0.75f, -0.5f), red));
        EXPECT_TRUE(near(at(-0.98f, -0.02f), red));
        EXPECT_TRUE(near(at(-0.52f, -0.98f), red));
        EXPECT_TRUE(near(at(-0.48f, -0.5f), black));
        EXPECT_TRUE(near(at(-0.75f, 0.02f), black));
        EXPECT_TRUE(near(at(0.25f, 0.25f), green));
        EXPECT_TRUE(near(at(0.02f, 0.48f), green));
        EXPECT_TRUE(near(at(0.25f, 0.52f), black));
        EXPECT_TRUE(near(at(0.25f, -0.02f), black));
        EXPECT_TRUE(near(at(0.75f, 0.9f), blue));
        EXPECT_TRUE(near(at(0.75f, -0.9f), blue));
        EXPECT_TRUE(near(at(0.48f, 0.9f), black));
    }
}

TEST_F(Drawing, ClearFillsWithTheArgbColour)
{
    ASSERT_EQ(service->beginScene(device), gpu::OK);
    ASSERT_EQ(service->clear(device, 0, nullptr, gpu::CLEAR_TARGET, 0xFF336699, 1.0f, 0), gpu::OK);
    // Rectangles are client pixels {left, top, right, bottom}.
    const int32_t rect[4] = {0, 0, 10, 10};
    ASSERT_EQ(service->clear(device, 1, rect, gpu::CLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), gpu::OK);
    readBack();
    EXPECT_TRUE(near(at(0.0f, 0.0f), {0x33, 0x66, 0x99, 255}));
    EXPECT_TRUE(near({frame[0], frame[1], frame[2], 255}, white));
    size_t outside = (size_t(11) * width + 11) * 4;
    EXPECT_TRUE(near({frame[outside], frame[outside + 1], frame[outside + 2], 255}, {0x33, 0x66, 0x99, 255}));
    EXPECT_EQ(service->endScene(device), gpu::OK);
}

// A clear of the whole surface is kept until something needs it: whatever comes
// between, what is drawn, copied or read afterwards finds what the clear left.
TEST_F(Drawing, AClearHoldsForWhateverComesAfterIt)
{
    const Quad behind = plain(-0.2f, -0.5f, 0.4f, 1.0f, green, 1.0f, 0.7f);
    const Quad before = plain(0.4f, -0.5f, 0.4f, 1.0f, blue, 1.0f, 0.3f);
    ASSERT_EQ(service->beginScene(device), gpu::OK);
    ASSERT_EQ(service->clear(device, 0, nullptr, gpu::CLEAR_TARGET | gpu::CLEAR_ZBUFFER, 0xFF000000, 0.5f, 0),
              gpu::OK);
    // Draws without depth first, then ones that test it against the cleared 0.5.
    ASSERT_EQ(drawQuads({plain(-0.9f, -0.5f, 0.4f, 1.0f, red)}, false), gpu::OK);
    ASSERT_EQ(drawWithDepth({behind, before}), gpu::OK);
    readBack();
    EXPECT_TRUE(near(at(-0.7f, 0.0f), red));
    EXPECT_TRUE(near(at(0.0f, 0.0f), black)) << "behind the cleared depth";
    EXPECT_TRUE(near(at(0.6f, 0.0f), blue));
    EXPECT_EQ(service->endScene(device), gpu::OK);
    EXPECT_EQ(service->present(device), gpu::OK);

    // A depth clear in one frame holds in the next, and a colour clear with nothing
    // drawn reaches a read-back.
    ASSERT_EQ(service->beginScene(device), gpu::OK);
    ASSERT_EQ(service->clear(device, 0, nullptr, gpu::CLEAR_ZBUFFER, 0, 0.5f, 0), gpu::OK);
    EXPECT_EQ(service->endScene(device), gpu::OK);
    EXPECT_EQ(service->present(device), gpu::OK);
    ASSERT_EQ(service->beginScene(device), gpu::OK);
    ASSERT_EQ(service->clear(device, 0, nullptr, gpu::CLEAR_TARGET, 0xFF336699, 1.0f, 0), gpu::OK);
    readBack();
    EXPECT_TRUE(near(at(0.0f, 0.0f), {0x33, 0x66, 0x99, 255}));
    ASSERT_EQ(drawWithDepth({behind, before}), gpu::OK);
    readBack();
    EXPECT_TRUE(near(at(0.0f, 0.0f), {0x33, 0x66, 0x99, 255})) << "behind the depth cleared a frame ago";
    EXPECT_TRUE(near(at(0.6f, 0.0f), blue));
    EXPECT_EQ(service->endScene(device), gpu::OK);
    EXPECT_EQ(service->present(device), gpu::OK);
}

TEST_F(Drawing, HalfTransparentQuadBlendsOverTheOneBelow)
{
    drawFrame({plain(-0.5f, -0.5f, 1.0f, 1.0f, blue), plain(-0.25f, -0.25f, 1.0f, 1.0f, red, 0.5f)});
    EXPECT_TRUE(near(at(0.0f, 0.0f), {128, 0, 127, 255}, 4));
    EXPECT_TRUE(near(at(0.6f, 0.6f), {128, 0, 0, 255}, 4));  // over the black background
    EXPECT_TRUE(near(at(-0.4f, -0.4f), blue));
}

TEST_F(Drawing, QuadAtAlphaZeroChangesNoPixel)
{
    drawFrame({plain(-0.5f, -0.5f, 1.0f, 1.0f, blue), plain(-0.25f, -0.25f, 1.0f, 1.0f, red, 0.0f)});
    EXPECT_TRUE(near(at(0.0f, 0.0f), blue, 0));
    EXPECT_TRUE(near(at(0.6f, 0.6f), black, 0));
}

TEST_F(Drawing, LaterQuadsCoverEarlierOnesWhateverTheirDepth)
{
    // The first quad is nearer by depth; the second still covers it. Depths 0 and 1
    // are both inside the clip volume.
    drawFrame({plain(-0.5f, -0.5f, 1.0f, 1.0f, red, 1.0f, 0.0f), plain(-0.25f, -0.25f, 1.0f, 1.0f, green, 1.0f, 1.0f)});
    EXPECT_TRUE(near(at(0.0f, 0.0f), green));
    EXPECT_TRUE(near(at(-0.4f, -0.4f), red));
}

TEST_F(Drawing, ClockwiseQuadsAreKeptAndCounterClockwiseCulled)
{
    Quad clockwise = plain(-0.9f, -0.5f, 0.5f, 1.0f, green);
    Quad counter = plain(0.4f, -0.5f, 0.5f, 1.0f, red);
    counter.counterClockwise = true;
    drawFrame({clockwise, counter});
    EXPECT_TRUE(near(at(-0.65f, 0.0f), green));
    EXPECT_TRUE(near(at(0.65f, 0.0f), black));
}

TEST_F(Drawing, TexelTimesVertexColourReachesTheScreen)
{
    // Left half red, right half blue, drawn at about one texel per pixel.
    std::vector<uint8_t> rgba = solid(64, 64, blue);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 32; x++)
            paint(&rgba, 64, x, y, red);
    gpu::Texture* texture = nullptr;
    std::string path = writeImage("halves.png", 64, 64, rgba);
    ASSERT_EQ(service->createTextureFromFile(device, path.c_str(), &texture), gpu::OK);
    textures.push_back(texture);

    Quad quad = plain(-0.5f, -0.5f, 1.0f, 1.0f, {255, 128, 255, 255});
    quad.texture = texture;
    quad.r = 0.5f;
    drawFrame({quad});
    EXPECT_TRUE(near(at(-0.3f, 0.0f), {128, 0, 0, 255}));
    EXPECT_TRUE(near(at(0.3f, 0.0f), {0, 0, 255, 255}));
}

TEST_F(Drawing, NullTextureDrawsThePlainVertexColour)
{
    Quad quad = plain(-0.5f, -0.5f, 1.0f, 1.0f, {40, 160, 220, 255});
    drawFrame({quad});
    EXPECT_TRUE(near(at(0.0f, 0.0f), {40, 160, 220, 255}));
}

TEST_F(Drawing, ClampedAddressingNeverWrapsToTheOppositeEdge)
{
    // A white first column on black: wrapping would bring white in past u = 1
    // and blend it into the last column under linear filtering.
    std::vector<uint8_t> rgba = solid(16, 16, black);
    for (int y = 0; y < 16; y++)
        paint(&rgba, 16, 0, y, white);
    gpu::Texture* texture = nullptr;
    ASSERT_EQ(service->createTextureFromFile(device, writeImage("edge.png", 16, 16, rgba).c_str(), &texture), gpu::OK);
    textures.push_back(texture);

    Quad edge = plain(-1.0f, -0.5f, 0.9f, 1.0f, white);
    edge.texture = texture;
    edge.u0 = 0.5f;  // the right half, up to the texture's edge
    Quad beyond = plain(0.1f, -0.5f, 0.9f, 1.0f, white);
    beyond.texture = texture;
    beyond.u0 = 0.5f;
    beyond.u1 = 2.0f;
    drawFrame({edge, beyond});
    EXPECT_TRUE(near(at(-0.11f, 0.0f), black));  // last column of the edge quad
    EXPECT_TRUE(near(at(0.9f, 0.0f), black));    // u around 1.8
    EXPECT_TRUE(near(at(0.45f, 0.0f), black));   // u around 1.1
}

TEST_F(Drawing, MinifiedTextureUsesItsMipChain)
{
    // A one-pixel checkerboard squeezed 32 times: only a mip chain averages it to grey.
    std::vector<uint8_t> rgba = solid(256, 256, black);
    for (int y = 0; y < 256; y++)
        for (int x = (y + 1) % 2; x < 256; x += 2)
            paint(&rgba, 256, x, y, white);
    gpu::Texture* texture = nullptr;
    ASSERT_EQ(service->createTextureFromFile(device, writeImage("checks.png", 256, 256, rgba).c_str(), &texture),
              gpu::OK);
    textures.push_back(texture);
    Quad quad = plain(-0.9f, -0.9f, 8.0f / 410, 8.0f / 160, white);  // about 8 x 8 pixels
    quad.texture = texture;
    drawFrame({quad});
    Pixel centre = at(-0.9f + 4.0f / 410, -0.9f + 4.0f / 160);
    EXPECT_TRUE(near(centre, {128, 128, 128, 255}, 20));
}

TEST_F(Drawing, WithoutMipmappingATextureReadsItsFullSizeLevelOnlyUntilTurnedBackOn)
{
    // A one-texel checkerboard of 24 x 24 on 8 x 8 pixels, three times: with the
    // mip chain (its level 2 is an even grey), from the full-size level only
    // (each pixel centre falls on a texel centre: black or white, never grey),
    // with the chain again.
    std::vector<uint8_t> rgba = solid(24, 24, black);
    for (int y = 0; y < 24; y++)
        for (int x = (y + 1) % 2; x < 24; x += 2)
            paint(&rgba, 24, x, y, white);
    gpu::Texture* texture = nullptr;
    ASSERT_EQ(service->createTextureFromFile(device, writeImage("checks.png", 24, 24, rgba).c_str(), &texture),
              gpu::OK);
    textures.push_back(texture);
    gpu::SurfaceDesc size = {};
    ASSERT_EQ(service->getLevelDesc(texture, 0, &size), gpu::OK);
    EXPECT_EQ(size.width, 24u);
    EXPECT_EQ(size.height, 24u);
    ASSERT_EQ(service->getLevelDesc(texture, 2, &size), gpu::OK);
    EXPECT_EQ(size.width, 6u);
    EXPECT_EQ(service->getLevelDesc(nullptr, 0, &size), gpu::INVALIDCALL);
    EXPECT_EQ(service->setMipmapping(device, 0, false), gpu::INVALIDCALL) << "outside a pass";

    std::vector<Quad> quads;
    for (int i = 0; i < 3; i++) {
        Quad quad = plain(-0.9f + 0.1f * float(i), -0.9f, 8.0f / 410, 8.0f / 160, white);
        quad.texture = texture;
        quad.mipmapped = i != 1;
        quads.push_back(quad);
    }
    drawFrame(quads);
    for (int i = 0; i < 3; i++) {
        Pixel centre = at(-0.9f + 0.1f * float(i) + 3.5f / 410, -0.9f + 3.5f / 160);
        if (i == 1)
            EXPECT_TRUE(near(centre, black, 8) || near(centre, white, 8)) << centre.r;
        else
            EXPECT_TRUE(near(centre, {128, 128, 128, 255}, 20)) << "quad " << i << ": " << centre.r;
    }
}

TEST_F(Drawing, EffectEndRestoresTheStateBeginFound)
{
    ASSERT_TRUE(glIsEnabled(GL_CULL_FACE));
    ASSERT_FALSE(glIsEnabled(GL_BLEND));
    ASSERT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    uint32_t passes = 0;
    ASSERT_EQ(service->begin(effect, &passes, 0), gpu::OK);
    EXPECT_EQ(passes, 1u);
    ASSERT_EQ(service->beginPass(effect, 0), gpu::OK);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    // The pass's states as the sprite batch asks for them.
    uint32_t blend = 0, source = 0, destination = 0, depthWrite = 1;
    EXPECT_EQ(service->getRenderState(device, gpu::RS_ALPHABLENDENABLE, &blend), gpu::OK);
    EXPECT_EQ(service->getRenderState(device, gpu::RS_SRCBLEND, &source), gpu::OK);
    EXPECT_EQ(service->getRenderState(device, gpu::RS_DESTBLEND, &destination), gpu::OK);
    EXPECT_EQ(service->getRenderState(device, gpu::RS_ZWRITEENABLE, &depthWrite), gpu::OK);
    EXPECT_EQ(blend, 1u);
    EXPECT_EQ(source, gpu::BLEND_SRCALPHA);
    EXPECT_EQ(destination, gpu::BLEND_INVSRCALPHA);
    EXPECT_EQ(depthWrite, 0u);
    EXPECT_EQ(service->endPass(effect), gpu::OK);
    EXPECT_EQ(service->end(effect), gpu::OK);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}

}  // namespace
