// Render targets and copies on the real graphics service: which targets can be
// made, that they hold a device reset back like other default-pool objects, and
// that a picture copied into one and back arrives bit for bit.
#include "tests/platform/gpu/gpu_fixture.h"

#include <epoxy/gl.h>

#include <algorithm>

#include "platform/sdl/sdl_gpu.h"

namespace {

class RenderTarget : public GpuTest {
protected:
    gpu::Texture* makeTarget(uint32_t w, uint32_t h, uint32_t usage = gpu::USAGE_RENDERTARGET,
                             uint32_t format = gpu::FMT_X8R8G8B8, uint32_t pool = gpu::POOL_DEFAULT,
                             uint32_t levels = 1, gpu::Result* result = nullptr)
    {
        gpu::Texture* target = reinterpret_cast<gpu::Texture*>(1);
        gpu::Result r = service->createTexture(device, w, h, levels, usage, format, pool, &target);
        if (result)
            *result = r;
        if (gpu::failed(r)) {
            EXPECT_EQ(target, nullptr) << "a failure leaves no object";
        }
        return gpu::failed(r) ? nullptr : target;
    }
};

TEST_F(RenderTarget, OnlyColourTargetsOfTheDefaultPoolAreMadeAndTheyHoldAResetBack)
{
    gpu::SurfaceDesc size = {};
    ASSERT_EQ(service->getBackBufferDesc(device, &size), gpu::OK);
    readBack();
    EXPECT_EQ(size.width, uint32_t(width)) << "the area drawn into";
    EXPECT_EQ(size.height, uint32_t(height));

    gpu::Result result = gpu::OK;
    makeTarget(size.width, size.height, 0, gpu::FMT_X8R8G8B8, gpu::POOL_DEFAULT, 1, &result);
    EXPECT_EQ(result, gpu::INVALIDCALL) << "not a render target";
    makeTarget(size.width, size.height, gpu::USAGE_RENDERTARGET, gpu::FMT_D24X8, gpu::POOL_DEFAULT, 1, &result);
    EXPECT_EQ(result, gpu::INVALIDCALL) << "not a colour format";
    makeTarget(size.width, size.height, gpu::USAGE_RENDERTARGET, gpu::FMT_X8R8G8B8, gpu::POOL_MANAGED, 1, &result);
    EXPECT_EQ(result, gpu::INVALIDCALL) << "render targets live in the default pool";
    makeTarget(size.width, size.height, gpu::USAGE_RENDERTARGET, gpu::FMT_X8R8G8B8, gpu::POOL_DEFAULT, 2, &result);
    EXPECT_EQ(result, gpu::INVALIDCALL) << "no mip levels";
    makeTarget(0, size.height, gpu::USAGE_RENDERTARGET, gpu::FMT_X8R8G8B8, gpu::POOL_DEFAULT, 1, &result);
    EXPECT_EQ(result, gpu::INVALIDCALL);
    makeTarget(1u << 20, 4, gpu::USAGE_RENDERTARGET, gpu::FMT_X8R8G8B8, gpu::POOL_DEFAULT, 1, &result);
    EXPECT_EQ(result, gpu::INVALIDCALL) << "larger than the device takes";

    gpu::Texture* target = makeTarget(size.width, size.height);
    ASSERT_NE(target, nullptr);
    gpu::SurfaceDesc level = {};
    ASSERT_EQ(service->getLevelDesc(target, 0, &level), gpu::OK);
    EXPECT_EQ(level.width, size.width);
    EXPECT_EQ(level.height, size.height);
    EXPECT_EQ(service->setTexture(effect, "texture_0", target), gpu::INVALIDCALL) << "copied, never sampled";

    gpu::PresentParameters parameters = programParameters();
    EXPECT_EQ(service->reset(device, &parameters), gpu::INVALIDCALL);
    service->release(target);
    EXPECT_EQ(service->reset(device, &parameters), gpu::OK);
    EXPECT_EQ(service->stretchRect(device, target, nullptr), gpu::INVALIDCALL) << "released";
    EXPECT_EQ(service->stretchRect(device, nullptr, nullptr), gpu::INVALIDCALL);
}

TEST_F(RenderTarget, APictureCopiedIntoATargetAndBackArrivesBitForBit)
{
    gpu::SurfaceDesc size = {};
    ASSERT_EQ(service->getBackBufferDesc(device, &size), gpu::OK);
    gpu::Texture* target = makeTarget(size.width, size.height);
    ASSERT_NE(target, nullptr);
    const std::vector<Quad> picture = {{-0.8f, -0.7f, 1.1f, 1.3f, 1.0f, 1.0f, 0.5f, 0.25f, 0.6f, nullptr},
                                       {-0.2f, -0.5f, 0.9f, 0.8f, 1.0f, 0.1f, 0.7f, 0.9f, 0.45f, nullptr}};
    ASSERT_EQ(service->beginScene(device), gpu::OK);
    service->clear(device, 0, nullptr, gpu::CLEAR_TARGET | gpu::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(drawQuads(picture, false), gpu::OK);
    readBack();
    const std::vector<uint8_t> drawn = frame;
    EXPECT_EQ(service->stretchRect(device, nullptr, target), gpu::OK);
    // Something else on the back buffer, then the picture copied back over it.
    service->clear(device, 0, nullptr, gpu::CLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    readBack();
    ASSERT_NE(frame, drawn);
    EXPECT_EQ(service->stretchRect(device, target, nullptr), gpu::OK);
    readBack();
    EXPECT_EQ(frame, drawn);
    // Drawing after a copy lands where it should: the copy leaves the viewport alone.
    ASSERT_EQ(drawQuads({{-1.0f, -1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f, nullptr}}, false), gpu::OK);
    readBack();
    EXPECT_TRUE(near(at(-0.5f, -0.5f), {0, 255, 0, 255}));
    const size_t topHalf = size_t(width) * size_t(height / 2) * 4;
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + long(topHalf), drawn.begin())) << "the top half is the copy";
    EXPECT_EQ(service->endScene(device), gpu::OK);
    EXPECT_EQ(service->present(device), gpu::OK);
    service->release(target);
}

// A frame that begins with a clear and then a copy over the whole client area
// (as each frame with a layer does) shows the copy; a clear before a copy out of
// the back buffer reaches the copy.
TEST_F(RenderTarget, CopiesSeeTheClearsBeforeThem)
{
    gpu::SurfaceDesc size = {};
    ASSERT_EQ(service->getBackBufferDesc(device, &size), gpu::OK);
    gpu::Texture* target = makeTarget(size.width, size.height);
    ASSERT_NE(target, nullptr);
    ASSERT_EQ(service->beginScene(device), gpu::OK);
    service->clear(device, 0, nullptr, gpu::CLEAR_TARGET | gpu::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(drawQuads({{-0.8f, -0.7f, 1.1f, 1.3f, 1.0f, 1.0f, 0.5f, 0.25f, 0.6f, nullptr}}, false), gpu::OK);
    readBack();
    const std::vector<uint8_t> drawn = frame;
    EXPECT_EQ(service->stretchRect(device, nullptr, target), gpu::OK);
    EXPECT_EQ(service->endScene(device), gpu::OK);
    EXPECT_EQ(service->present(device), gpu::OK);

    ASSERT_EQ(service->beginScene(device), gpu::OK);
    service->clear(device, 0, nullptr, gpu::CLEAR_TARGET | gpu::CLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    EXPECT_EQ(service->stretchRect(device, target, nullptr), gpu::OK);
    readBack();
    EXPECT_EQ(frame, drawn);
    EXPECT_EQ(service->endScene(device), gpu::OK);
    EXPECT_EQ(service->present(device), gpu::OK);

    ASSERT_EQ(service->beginScene(device), gpu::OK);
    service->clear(device, 0, nullptr, gpu::CLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    EXPECT_EQ(service->stretchRect(device, nullptr, target), gpu::OK);
    service->clear(device, 0, nullptr, gpu::CLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    EXPECT_EQ(service->stretchRect(device, target, nullptr), gpu::OK);
    readBack();
    EXPECT_TRUE(near(at(0.0f, 0.0f), {0, 0, 255, 255}));
    EXPECT_TRUE(near(at(-0.99f, 0.99f), {0, 0, 255, 255}));
    EXPECT_EQ(service->endScene(device), gpu::OK);
    EXPECT_EQ(service->present(device), gpu::OK);
    service->release(target);
}

// The layer is copied in while the effect's pass runs: the pass's program, blending,
// texture and depth state are as they were after the copy.
TEST_F(RenderTarget, ACopyInsideAPassLeavesThePassStateAlone)
{
    gpu::SurfaceDesc size = {};
    ASSERT_EQ(service->getBackBufferDesc(device, &size), gpu::OK);
    gpu::Texture* target = makeTarget(size.width, size.height);
    ASSERT_NE(target, nullptr);
    uint32_t passes = 0;
    ASSERT_EQ(service->begin(effect, &passes, 0), gpu::OK);
    ASSERT_EQ(service->beginPass(effect, 0), gpu::OK);
    GLint programBefore = 0, textureBefore = 0, arrayBefore = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &programBefore);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &textureBefore);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &arrayBefore);
    EXPECT_EQ(service->stretchRect(device, target, nullptr), gpu::OK);
    GLint program = 0, texture = 0, array = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &array);
    EXPECT_EQ(program, programBefore);
    EXPECT_EQ(texture, textureBefore);
    EXPECT_EQ(array, arrayBefore);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(service->endPass(effect), gpu::OK);
    EXPECT_EQ(service->end(effect), gpu::OK);
    service->release(target);
}

}  // namespace
