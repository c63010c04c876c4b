#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/render_device.h"
#include "gui/font.h"
#include "gui/gui_renderer.h"
#include "gui/gui_vertex.h"
#include "platform/fake/fake_platform.h"

namespace {

struct SpriteBatchTest : ::testing::Test {
    fake::FakePlatform platform;
    gpu::Device* device = nullptr;
    gpu::Texture* textureA = nullptr;
    gpu::Texture* textureB = nullptr;

    SpriteBatchTest()
    {
        platform.gpu.createDevice(nullptr, 0, 1, nullptr, 0, &parameters, &device);
        platform.gpu.createTextureFromFile(device, "a.png", &textureA);
        platform.gpu.createTextureFromFile(device, "b.png", &textureB);
        platform.log().clear();
    }

    static DrawItem item(float depth, gpu::Texture* texture, float x = 0.0f)
    {
        return DrawItem{1, 1, 1, 1, 0, 0, 1, 1, x, 0, 0.1f, 0.1f, texture, depth};
    }
    void submit(SpriteBatch& batch, int count, gpu::Texture* texture = nullptr)
    {
        for (int i = 0; i < count; ++i)
            batch.submit(item(1.0f, texture ? texture : textureA));
    }
    const GuiVertex* vertices() const
    {
        return reinterpret_cast<const GuiVertex*>(platform.gpu.last("vertexBuffer")->bytes.data());
    }

    gpu::PresentParameters parameters = {};
};

TEST_F(SpriteBatchTest, ConstructionCreatesDeclarationEffectAndTechnique)
{
    SpriteBatch batch(device);
    EXPECT_EQ(platform.log().calls,
              (std::vector<std::string>{"gpu.createVertexDeclaration", "gpu.createEffectFromFile data/gui.fx",
                                        "gpu.getTechniqueByName GUI"}));
    const std::vector<gpu::VertexElement>& e = platform.gpu.last("declaration")->elements;
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[1].offset, 12);
    EXPECT_EQ(e[1].usage, gpu::DECLUSAGE_TEXCOORD);
    EXPECT_EQ(e[2].offset, 20);
    EXPECT_EQ(e[2].type, gpu::DECLTYPE_FLOAT4);
    EXPECT_EQ(e[3].stream, 0xFF);
    batch.release();
}

TEST_F(SpriteBatchTest, EachCreationFailureIsReported)
{
    platform.gpu.failures["createVertexDeclaration"] = gpu::E_FAIL;
    platform.gpu.missingFiles.insert("data/gui.fx");
    SpriteBatch missingEffect(device);
    EXPECT_EQ(platform.os.messageBoxes, (std::vector<std::string>{"Quorvatelle|Failed to create vertex declaration",
                                                                   "Quorvatelle|Failed to create effect gui.fx"}));
    EXPECT_EQ(platform.log().count("gpu.getTechniqueByName"), 0u);
    platform.os.messageBoxes.clear();
    platform.gpu.failures.clear();
    platform.gpu.missingFiles.clear();
    platform.gpu.techniques.clear();
    SpriteBatch missingTechnique(device);
    EXPECT_EQ(platform.os.messageBoxes, (std::vector<std::string>{"Quorvatelle|No such technique GUI in gui.fx"}));
    // A frame without a technique is skipped and forgotten.
    submit(missingTechnique, 3);
    platform.log().clear();
    missingTechnique.render();
    EXPECT_TRUE(platform.log().calls.empty());
    EXPECT_TRUE(missingTechnique.items.empty());
    missingEffect.release();
    missingTechnique.release();
}

TEST_F(SpriteBatchTest, FrameWithoutItemsMakesNoCall)
{
    SpriteBatch batch(device);
    platform.log().clear();
    batch.render();
    EXPECT_TRUE(platform.log().calls.empty());
    batch.release();
}

TEST_F(SpriteBatchTest, OneRenderIssuesItsCallsInOrder)
{
    SpriteBatch batch(device);
    batch.submit(item(1.0f, textureA));
    batch.submit(item(1.0f, textureA));
    batch.submit(item(1.0f, textureB));
    batch.submit(item(1.0f, textureA));
    platform.gpu.passes = 2;
    platform.log().clear();
    batch.render();
    std::vector<std::string> draw = {"gpu.setTexture texture_0 a.png", "gpu.commitChanges",
                                     "gpu.drawIndexedPrimitive 4 0 0 16 0 4", "gpu.setTexture texture_0 b.png",
                                     "gpu.commitChanges", "gpu.drawIndexedPrimitive 4 0 0 16 12 2",
                                     "gpu.setTexture texture_0 a.png", "gpu.commitChanges",
                                     "gpu.drawIndexedPrimitive 4 0 0 16 18 2"};
    std::vector<std::string> expected = {
        "gpu.createVertexBuffer 576 520 0 0", "gpu.createIndexBuffer 48 8 101 0", "gpu.lockIndexBuffer 0 0 0",
        "gpu.unlockIndexBuffer", "gpu.lockVertexBuffer 0 0 8192", "gpu.unlockVertexBuffer",
        "gpu.setTechnique technique", "gpu.begin 0", "gpu.setVertexDeclaration declaration",
        "gpu.setStreamSource 0 buffer 0 36", "gpu.setIndices buffer", "gpu.beginPass 0"};
    expected.insert(expected.end(), draw.begin(), draw.end());
    expected.insert(expected.end(), {"gpu.endPass", "gpu.beginPass 1"});
    expected.insert(expected.end(), draw.begin(), draw.end());
    expected.insert(expected.end(), {"gpu.endPass", "gpu.end"});
    EXPECT_EQ(platform.log().calls, expected);
    EXPECT_TRUE(batch.items.empty());
    EXPECT_TRUE(batch.batches.empty());
    batch.release();
}

TEST_F(SpriteBatchTest, RunsDrawnAtLeastAsLargeAsTheirTexelsReadNoMipLevels)
{
    // An 820 x 320 screen and 256-texel textures: 128 texels onto 164 x 160
    // pixels is magnified; 256 texels onto 164 pixels is not; a plain quad
    // (one white texel) of four pixels is.
    SpriteBatch batch(device);
    batch.screenWidth = 820.0f;
    batch.screenHeight = 320.0f;
    auto quad = [](gpu::Texture* texture, float u1, float width) {
        return DrawItem{1, 1, 1, 1, 0, 0, u1, 0.5f, 0, 0, width, 1.0f, texture, 1.0f};
    };
    for (int frame = 0; frame < 2; ++frame) {
        batch.submit(quad(textureA, 0.5f, 0.4f));
        batch.submit(quad(textureA, 0.5f, 0.4f));
        batch.submit(quad(textureA, 1.0f, 0.4f));
        batch.submit(quad(textureA, 0.5f, 0.4f));
        batch.submit(quad(nullptr, 1.0f, 0.01f));
        batch.submit(quad(textureB, 1.0f, 0.4f));
        platform.gpu.passes = 2;
        platform.log().clear();
        batch.render();
        std::vector<std::string> calls;
        for (const std::string& call : platform.log().calls)
            if (call.starts_with("gpu.setMipmapping") || call.starts_with("gpu.draw") || call.starts_with("gpu.beginPass"))
                calls.push_back(call);
        std::vector<std::string> pass = {
            "gpu.setMipmapping 0 off", "gpu.drawIndexedPrimitive 4 0 0 24 0 4",
            "gpu.setMipmapping 0 on",  "gpu.drawIndexedPrimitive 4 0 0 24 12 2",
            "gpu.setMipmapping 0 off", "gpu.drawIndexedPrimitive 4 0 0 24 18 2",
            "gpu.drawIndexedPrimitive 4 0 0 24 24 2",
            "gpu.setMipmapping 0 on",  "gpu.drawIndexedPrimitive 4 0 0 24 30 2"};
        std::vector<std::string> expected = {"gpu.beginPass 0"};
        expected.insert(expected.end(), pass.begin(), pass.end());
        expected.push_back("gpu.beginPass 1");
        expected.insert(expected.end(), pass.begin(), pass.end());
        EXPECT_EQ(calls, expected) << "frame " << frame;
        EXPECT_EQ(platform.log().count("gpu.getLevelDesc"), 2u) << "each texture's size once a frame";
    }
    batch.release();
}

TEST_F(SpriteBatchTest, WithoutAScreenSizeOrATextureSizeEveryQuadKeepsItsMipLevels)
{
    SpriteBatch batch(device);
    batch.submit(DrawItem{1, 1, 1, 1, 0, 0, 0.01f, 0.01f, 0, 0, 2.0f, 2.0f, textureA, 1.0f});
    batch.render();
    batch.screenWidth = 820.0f;
    batch.screenHeight = 320.0f;
    platform.gpu.failures["getLevelDesc"] = gpu::INVALIDCALL;
    batch.submit(DrawItem{1, 1, 1, 1, 0, 0, 0.01f, 0.01f, 0, 0, 2.0f, 2.0f, textureA, 1.0f});
    batch.render();
    EXPECT_EQ(platform.log().count("gpu.setMipmapping"), 0u);
    EXPECT_EQ(platform.log().count("gpu.drawIndexedPrimitive"), 2u);
    batch.release();
}

TEST_F(SpriteBatchTest, EffectWithoutPassesDrawsNothingButEndsOnce)
{
    SpriteBatch batch(device);
    submit(batch, 2);
    platform.gpu.passes = 0;
    batch.render();
    EXPECT_EQ(platform.log().count("gpu.drawIndexedPrimitive"), 0u);
    EXPECT_EQ(platform.log().count("gpu.end"), 1u);
    batch.release();
}

TEST_F(SpriteBatchTest, IndexWidthSwitchesAboveSixtyFiveThousandFiveHundredThirtyFiveVertices)
{
    SpriteBatch narrow(device);
    submit(narrow, 16383);
    narrow.render();
    EXPECT_EQ(platform.gpu.last("indexBuffer")->format, gpu::FMT_INDEX16);
    EXPECT_EQ(platform.gpu.last("indexBuffer")->bytes.size(), 196596u);
    const uint16_t* i16 = reinterpret_cast<const uint16_t*>(platform.gpu.last("indexBuffer")->bytes.data());
    EXPECT_EQ((std::vector<uint16_t>(i16 + 6 * 16382, i16 + 6 * 16383)),
              (std::vector<uint16_t>{65528, 65529, 65530, 65528, 65530, 65531}));
    narrow.release();

    SpriteBatch wide(device);
    submit(wide, 16384);
    wide.render();
    EXPECT_EQ(platform.gpu.last("indexBuffer")->format, gpu::FMT_INDEX32);
    EXPECT_EQ(platform.gpu.last("indexBuffer")->bytes.size(), 393216u);
    const uint32_t* i32 = reinterpret_cast<const uint32_t*>(platform.gpu.last("indexBuffer")->bytes.data());
    EXPECT_EQ(i32[6 * 16383 + 5], 65535u);
    wide.release();
}

TEST_F(SpriteBatchTest, BuffersGrowWithoutHeadroomAndAreNeverShrunk)
{
    SpriteBatch batch(device);
    submit(batch, 100);
    batch.render();
    submit(batch, 100);
    platform.log().clear();
    batch.render();
    EXPECT_EQ(platform.log().count("gpu.create"), 0u) << "the same count again fits";
    submit(batch, 10);
    platform.log().clear();
    batch.render();
    EXPECT_EQ(platform.log().count("gpu.create"), 0u);
    EXPECT_EQ(platform.log().count("gpu.drawIndexedPrimitive 4 0 0 400 0 20"), 1u);
    submit(batch, 101);
    platform.log().clear();
    batch.render();
    EXPECT_EQ(platform.log().count("gpu.createVertexBuffer 14544 "), 1u);
    EXPECT_EQ(batch.vertexCapacity, 404);
    batch.release();
}

TEST_F(SpriteBatchTest, GreaterDepthFirstAndEqualDepthsKeepSubmissionOrder)
{
    SpriteBatch batch(device);
    // A full-window background first among hundreds of quads of its depth, text
    // submitted before them, buttons in front.
    batch.submit(item(0.9f, textureB, -5.0f));
    batch.submit(item(1.0f, textureA, -1.0f));
    for (int i = 0; i < 300; ++i)
        batch.submit(item(i % 3 == 0 ? 0.1f : 1.0f, textureA, float(i)));
    batch.render();
    const GuiVertex* v = vertices();
    EXPECT_FLOAT_EQ(v[0].x, -1.0f) << "the background is drawn first, at the back";
    float previousDepth = 2.0f, previousX = -100.0f;
    for (int i = 0; i < 302; ++i) {
        const GuiVertex& corner = v[i * 4];
        if (corner.z == previousDepth)
            EXPECT_GT(corner.x, previousX) << "item " << i << " left its submission order";
        else
            EXPECT_LT(corner.z, previousDepth);
        previousDepth = corner.z;
        previousX = corner.x;
    }
    batch.release();
}

TEST_F(SpriteBatchTest, ManyDistinctDepthsAreOrderedStablyToo)
{
    // More depths than the counting path takes: each of 100 depths four times,
    // submitted in shuffled order; x numbers the submissions.
    SpriteBatch batch(device);
    uint32_t seed = 7;
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1664525u + 1013904223u;
        batch.submit(item(float((seed >> 16) % 100) / 100.0f, i % 2 ? textureA : textureB, float(i)));
    }
    batch.submit(item(-0.5f, textureA, 400.0f));
    batch.render();
    const GuiVertex* v = vertices();
    for (int i = 1; i < 401; ++i) {
        const GuiVertex &previous = v[(i - 1) * 4], &corner = v[i * 4];
        ASSERT_LE(corner.z, previous.z) << "item " << i;
        if (corner.z == previous.z) {
            EXPECT_GT(corner.x, previous.x) << "item " << i << " left its submission order";
        }
    }
    EXPECT_FLOAT_EQ(v[400 * 4].z, -0.5f);
    batch.release();
}

TEST_F(SpriteBatchTest, QuadVerticesFollowTheCornerTable)
{
    SpriteBatch batch(device);
    DrawItem quad = {0.1f, 0.2f, 0.3f, 0.4f, 0.25f, 0.5f, 0.75f, 1.0f, -0.5f, -0.25f, 1.0f, 0.5f, textureA, 0.6f};
    batch.submit(quad);
    quad.x = 99.0f;  // submit copied it
    batch.render();
    const GuiVertex* v = vertices();
    auto expect = [&](int i, float x, float y, float u, float vv) {
        EXPECT_FLOAT_EQ(v[i].x, x);
        EXPECT_FLOAT_EQ(v[i].y, y);
        EXPECT_FLOAT_EQ(v[i].z, 0.6f);
        EXPECT_FLOAT_EQ(v[i].u, u);
        EXPECT_FLOAT_EQ(v[i].v, vv);
        EXPECT_FLOAT_EQ(v[i].a, 0.4f);
    };
    expect(0, -0.5f, -0.25f, 0.25f, 1.0f);
    expect(1, -0.5f, 0.25f, 0.25f, 0.5f);
    expect(2, 0.5f, 0.25f, 0.75f, 0.5f);
    expect(3, 0.5f, -0.25f, 0.75f, 1.0f);
    batch.release();
}

TEST_F(SpriteBatchTest, BufferFailuresAreReportedAndRetriedNextFrame)
{
    SpriteBatch batch(device);
    platform.gpu.failures["createVertexBuffer"] = gpu::E_OUTOFMEMORY;
    submit(batch, 5);
    batch.render();
    EXPECT_EQ(platform.os.messageBoxes.back(), "Quorvatelle|Failed to create a vertex buffer");
    EXPECT_EQ(platform.log().count("gpu.drawIndexedPrimitive"), 0u);
    EXPECT_TRUE(batch.items.empty());
    platform.gpu.failures = {{"createIndexBuffer", gpu::E_OUTOFMEMORY}};
    submit(batch, 5);
    batch.render();
    EXPECT_EQ(platform.os.messageBoxes.back(), "Quorvatelle|Failed to create a 16bit index buffer");
    EXPECT_EQ(batch.vertexCapacity, 0);
    submit(batch, 20000);
    batch.render();
    EXPECT_EQ(platform.os.messageBoxes.back(), "Quorvatelle|Failed to create a 32bit index buffer");
    platform.gpu.failures = {{"drawIndexedPrimitive", gpu::E_FAIL}};
    submit(batch, 1, textureA);
    submit(batch, 1, textureB);
    platform.os.messageBoxes.clear();
    batch.render();
    EXPECT_EQ(platform.os.messageBoxes.size(), 2u) << "one message per failed run, the rest still drawn";
    EXPECT_EQ(platform.os.messageBoxes[0], "Quorvatelle|Failed to render graphical user interface");
    batch.release();
}

TEST_F(SpriteBatchTest, ResetPathGivesUpBuffersAndRecreatesThemForTheNextFrame)
{
    SpriteBatch batch(device);
    submit(batch, 100);
    batch.render();
    batch.releaseDefaultPoolObjects();
    EXPECT_EQ(platform.gpu.live("vertexBuffer") + platform.gpu.live("indexBuffer"), 0);
    EXPECT_FALSE(gpu::failed(platform.gpu.reset(device, &parameters)));
    batch.restoreDeviceObjects();
    EXPECT_EQ(platform.gpu.live("effect"), 1);
    EXPECT_EQ(platform.gpu.live("declaration"), 1);
    submit(batch, 10);
    platform.log().clear();
    batch.render();
    EXPECT_EQ(platform.log().count("gpu.createVertexBuffer 1440 "), 1u) << "re-created though not grown";
    batch.release();
    EXPECT_EQ(platform.gpu.live("effect") + platform.gpu.live("declaration") + platform.gpu.live("vertexBuffer"), 0);
}

// A background with a still panel at the front and a moving quad between them,
// drawn over and over: the calls of each frame that touch the layer cache.
struct LayerFrames : SpriteBatchTest {
    SpriteBatch batch{device};
    int frame = 0;

    std::vector<std::string> drawFrame()
    {
        batch.submit(DrawItem{1, 1, 1, 1, 0, 0, 1, 1, -1, -1, 2, 2, textureA, 1.0f});
        batch.submit(DrawItem{1, 1, 1, 1, 0, 0, 1, 1, -0.9f + 0.01f * float(frame++), -0.9f, 0.2f, 0.2f, textureB, 0.5f});
        batch.submit(DrawItem{1, 1, 1, 1, 0, 0, 1, 1, 0.5f, 0.5f, 0.2f, 0.2f, textureA, 0.1f});
        platform.log().clear();
        batch.render();
        std::vector<std::string> calls;
        for (const std::string& call : platform.log().calls)
            if (call.starts_with("gpu.createTexture") || call.starts_with("gpu.stretchRect") ||
                call.starts_with("gpu.draw"))
                calls.push_back(call);
        return calls;
    }

    // The frames after which the next one builds the layer: the first learns the
    // effect, and the quads must then be seen the same 25 frames running.
    void drawUntilStill(int frames = 25)
    {
        for (int i = 0; i < frames; ++i)
            drawFrame();
    }

    ~LayerFrames() override { batch.release(); }
};

TEST_F(LayerFrames, StillQuadsAreKeptInATargetAndCopiedInAfterwards)
{
    const std::vector<std::string> whole = {"gpu.drawIndexedPrimitive 4 0 0 12 0 2",
                                            "gpu.drawIndexedPrimitive 4 0 0 12 6 2",
                                            "gpu.drawIndexedPrimitive 4 0 0 12 12 2"};
    EXPECT_EQ(drawFrame(), whole);
    EXPECT_EQ(batch.layers.use, LayerUse::None);
    drawUntilStill(24);
    // The background and the panel (which the moving quad does not reach) go first,
    // in one draw now that they are neighbours, and are copied into the target;
    // then the moving quad.
    EXPECT_EQ(drawFrame(), (std::vector<std::string>{"gpu.createTexture 818x318",
                                                     "gpu.drawIndexedPrimitive 4 0 0 12 0 4",
                                                     "gpu.stretchRect backBuffer 8",
                                                     "gpu.drawIndexedPrimitive 4 0 0 12 12 2"}));
    EXPECT_EQ(batch.layers.use, LayerUse::Build);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(drawFrame(), (std::vector<std::string>{"gpu.stretchRect 8 backBuffer",
                                                         "gpu.drawIndexedPrimitive 4 0 0 12 12 2"}));
        EXPECT_EQ(batch.layers.use, LayerUse::Reuse);
    }
    // The moving quad's vertices follow the layer's.
    EXPECT_FLOAT_EQ(vertices()[8].x, -0.9f + 0.01f * float(frame - 1));

    // A larger back buffer needs a new target, drawn before it is copied.
    platform.gpu.backBuffer = {1636, 636};
    std::vector<std::string> calls = drawFrame();
    EXPECT_EQ(calls.front(), "gpu.createTexture 1636x636");
    EXPECT_EQ(batch.layers.use, LayerUse::Build);
    EXPECT_EQ(platform.gpu.live("renderTarget"), 1);
}

TEST_F(LayerFrames, EffectsWithTwoPassesOrADepthTestAlwaysDrawWhole)
{
    platform.gpu.passes = 2;
    drawUntilStill();
    drawFrame();
    drawFrame();
    EXPECT_EQ(batch.layers.use, LayerUse::None);
    platform.gpu.passes = 1;
    platform.gpu.depthTest = true;
    drawUntilStill();
    drawFrame();
    drawFrame();
    EXPECT_EQ(batch.layers.use, LayerUse::None);
    EXPECT_EQ(platform.gpu.live("renderTarget"), 0);
}

TEST_F(LayerFrames, WithoutRenderTargetsOrWhenACallFailsTheFrameIsDrawnWhole)
{
    platform.gpu.failures["createTexture"] = gpu::NOTAVAILABLE;
    drawUntilStill();
    EXPECT_EQ(drawFrame().size(), 4u) << "asked for a target once, then drawn whole";
    EXPECT_EQ(drawFrame().size(), 3u) << "and not asked again";
    EXPECT_TRUE(platform.os.messageBoxes.empty());

    // A copy that fails draws the layer on the back buffer instead, and starts over.
    platform.gpu.failures.clear();
    batch.layers.enabled = true;
    drawFrame();
    drawFrame();
    ASSERT_EQ(batch.layers.use, LayerUse::Reuse);
    platform.gpu.failures["stretchRect"] = gpu::INVALIDCALL;
    std::vector<std::string> calls = drawFrame();
    EXPECT_EQ(calls, (std::vector<std::string>{"gpu.stretchRect 8 backBuffer", "gpu.drawIndexedPrimitive 4 0 0 12 0 4",
                                               "gpu.drawIndexedPrimitive 4 0 0 12 12 2"}));
    EXPECT_TRUE(batch.layers.held.empty());
}

TEST_F(LayerFrames, TheTargetIsGivenUpBeforeAReset)
{
    drawUntilStill();
    drawFrame();
    ASSERT_EQ(platform.gpu.live("renderTarget"), 1);
    batch.releaseDefaultPoolObjects();
    EXPECT_EQ(platform.gpu.live("renderTarget"), 0);
    EXPECT_FALSE(gpu::failed(platform.gpu.reset(device, &parameters)));
    batch.restoreDeviceObjects();
    // The first frame after learns the effect again; the layer is built anew.
    drawUntilStill();
    EXPECT_EQ(drawFrame().front(), "gpu.createTexture 818x318");
}

TEST(FontTest, GlyphRectanglesAndWidths)
{
    GlyphRect w = glyphRect('W');
    EXPECT_FLOAT_EQ(w.u0, 0.875f);
    EXPECT_FLOAT_EQ(w.u1, 1.0f);
    EXPECT_FLOAT_EQ(w.v0, 0.758f);
    EXPECT_FLOAT_EQ(w.v1, 0.875f);
    GlyphRect space = glyphRect(' ');
    EXPECT_FLOAT_EQ(space.u0, 0.0375f);
    EXPECT_FLOAT_EQ(space.u1, 0.0875f);
    EXPECT_FLOAT_EQ(glyphWidth(' ', 1.0f), 0.4f);
    GlyphRect z = glyphRect('Z');
    EXPECT_FLOAT_EQ(z.v1, 1.0f);
    EXPECT_FLOAT_EQ(z.u0, 0.25f + 0.19f * 0.125f);
}

TEST(GuiRendererTest, MissingFontIsReportedAndAsksToQuit)
{
    fake::FakePlatform platform;
    platform.gpu.missingFiles.insert("data/font.png");
    GuiRenderer::instance();
    EXPECT_EQ(platform.os.messageBoxes, (std::vector<std::string>{"Quorvatelle|Failed to create default font"}));
    ASSERT_EQ(platform.os.queue.size(), 1u);
    EXPECT_EQ(platform.os.queue.front().message, os::WM_QUIT);
    EXPECT_EQ(fontTexture, nullptr);
    GuiRenderer::instance().shutdown();
    GuiRenderer::destroy();
    RenderDevice::instance().release();
    RenderDevice::destroy();
}

} // namespace
