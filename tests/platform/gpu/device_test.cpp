// The device's life: creation, reset, and failures that must come back as codes.
#include "gpu_fixture.h"

#include <epoxy/gl.h>

#include "platform/sdl/sdl_gpu.h"
#include "platform/sdl/sdl_os.h"

namespace {

class Device : public GpuTest {};

TEST_F(Device, CapsAndCooperativeLevelAnswer)
{
    gpu::DeviceCaps caps = {};
    ASSERT_EQ(service->getDeviceCaps(direct3d, gpu::ADAPTER_DEFAULT, gpu::DEVTYPE_HAL, &caps), gpu::OK);
    EXPECT_GE(caps.maxTextureWidth, 1024u);
    EXPECT_EQ(caps.maxTextureWidth, caps.maxTextureHeight);
    EXPECT_EQ(service->testCooperativeLevel(device), gpu::OK);
    EXPECT_EQ(service->create(gpu::SDK_VERSION + 1), nullptr);
}

TEST_F(Device, WindowWithoutOpenGlGivesNoDevice)
{
    SDL_Window* plain = SDL_CreateWindow("no gl", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
    ASSERT_NE(plain, nullptr);
    gpu::PresentParameters parameters = programParameters();
    gpu::Device* second = reinterpret_cast<gpu::Device*>(1);
    gpu::Result result = service->createDevice(direct3d, gpu::ADAPTER_DEFAULT, gpu::DEVTYPE_HAL,
                                               reinterpret_cast<os::WindowHandle>(plain), 0, &parameters, &second);
    EXPECT_TRUE(gpu::failed(result));
    EXPECT_EQ(second, nullptr);
    SDL_DestroyWindow(plain);
    // The first device is untouched.
    drawFrame({{-0.5f, -0.5f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, nullptr}});
    EXPECT_TRUE(near(at(0.0f, 0.0f), {255, 255, 255, 255}));
}

os::LResult ignoreMessages(os::WindowHandle, uint32_t, os::WParam, os::LParam) { return 0; }

// On the program's own window the device draws inside the one-pixel border and
// paints the border itself when it presents, from the second frame on (the first
// goes out without it, sooner).
TEST_F(Device, ProgramWindowGetsItsClientAreaAndAFrame)
{
    os::Os* windows = createSdlOs();
    os::WindowClass windowClass = {os::CS_CLASSDC, ignoreMessages, "gputest", nullptr, 0};
    ASSERT_NE(windows->registerClass(windowClass), 0);
    os::WindowHandle popup = windows->createWindow(0, "gputest", "t", os::WS_POPUPWINDOW, 10, 100, 820, 320);
    ASSERT_NE(popup, nullptr);
    gpu::PresentParameters parameters = programParameters();
    gpu::Device* framed = nullptr;
    ASSERT_EQ(service->createDevice(direct3d, gpu::ADAPTER_DEFAULT, gpu::DEVTYPE_HAL, popup, 0, &parameters, &framed),
              gpu::OK);
    ASSERT_EQ(service->beginScene(framed), gpu::OK);
    ASSERT_EQ(service->clear(framed, 0, nullptr, gpu::CLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), gpu::OK);
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
    ASSERT_TRUE(sdlReadBackBuffer(framed, &w, &h, &rgba));
    EXPECT_EQ(w, 818);
    EXPECT_EQ(h, 318);
    ASSERT_EQ(service->endScene(framed), gpu::OK);
    for (int frame = 0; frame < 2; ++frame) {
        // Whiten the whole surface behind the service's back: present must paint the frame.
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        ASSERT_EQ(service->present(framed), gpu::OK);

        // The offscreen driver's surface keeps its pixels across the swap.
        uint8_t corner[4] = {}, inside[4] = {};
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
        glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, inside);
        if (frame == 0) {
            EXPECT_EQ(corner[0], 255) << "the first frame has no border";
        } else {
            EXPECT_LT(corner[0], 60);
            EXPECT_LT(corner[2], 60);
        }
        EXPECT_EQ(inside[0], 255);
    }
    service->release(framed);
    delete windows;
}

TEST_F(Device, ScenesPairUp)
{
    EXPECT_EQ(service->endScene(device), gpu::INVALIDCALL);
    EXPECT_EQ(service->beginScene(device), gpu::OK);
    EXPECT_EQ(service->beginScene(device), gpu::INVALIDCALL);
    EXPECT_EQ(service->endScene(device), gpu::OK);
}

TEST_F(Device, ResetRefusesWhileDefaultPoolBuffersLive)
{
    const Quad quad = {-0.5f, -0.5f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f, nullptr};
    drawFrame({quad});
    ASSERT_FALSE(vertexBuffers.empty());

    gpu::PresentParameters parameters = programParameters();
    EXPECT_EQ(service->reset(device, &parameters), gpu::INVALIDCALL);
    for (gpu::VertexBuffer* b : vertexBuffers)
        service->release(b);
    vertexBuffers.clear();
    EXPECT_EQ(service->reset(device, &parameters), gpu::INVALIDCALL);  // index buffers still live
    for (gpu::IndexBuffer* b : indexBuffers)
        service->release(b);
    indexBuffers.clear();

    // Managed buffers do not stand in the way.
    gpu::VertexBuffer* managed = nullptr;
    ASSERT_EQ(service->createVertexBuffer(device, 360, 0, 0, gpu::POOL_MANAGED, &managed), gpu::OK);
    vertexBuffers.push_back(managed);
    EXPECT_EQ(service->reset(device, &parameters), gpu::OK);
    EXPECT_EQ(service->testCooperativeLevel(device), gpu::OK);

    // The effect and declaration survive; new buffers draw again.
    drawFrame({quad});
    EXPECT_TRUE(near(at(0.0f, 0.0f), {0, 255, 0, 255}));
    EXPECT_TRUE(near(at(0.9f, 0.9f), {0, 0, 0, 255}));
}

TEST_F(Device, NullAndReleasedObjectsGiveFailureCodes)
{
    void* data = nullptr;
    gpu::PresentParameters parameters = programParameters();
    gpu::Device* none = nullptr;
    EXPECT_TRUE(gpu::failed(service->getDeviceCaps(nullptr, 0, gpu::DEVTYPE_HAL, nullptr)));
    EXPECT_TRUE(gpu::failed(service->createDevice(nullptr, 0, gpu::DEVTYPE_HAL, nullptr, 0, &parameters, &none)));
    EXPECT_TRUE(gpu::failed(service->createDevice(direct3d, 0, gpu::DEVTYPE_HAL, nullptr, 0, &parameters, &none)));
    EXPECT_TRUE(gpu::failed(service->testCooperativeLevel(nullptr)));
    EXPECT_TRUE(gpu::failed(service->reset(device, nullptr)));
    EXPECT_TRUE(gpu::failed(service->beginScene(nullptr)));
    EXPECT_TRUE(gpu::failed(service->clear(nullptr, 0, nullptr, gpu::CLEAR_TARGET, 0, 1.0f, 0)));
    EXPECT_TRUE(gpu::failed(service->present(nullptr)));
    gpu::VertexDeclaration* noDeclaration = nullptr;
    EXPECT_TRUE(gpu::failed(service->createVertexDeclaration(device, nullptr, &noDeclaration)));
    EXPECT_TRUE(gpu::failed(service->lock(static_cast<gpu::VertexBuffer*>(nullptr), 0, 0, &data, 0)));
    EXPECT_TRUE(gpu::failed(service->unlock(static_cast<gpu::IndexBuffer*>(nullptr))));
    EXPECT_TRUE(gpu::failed(service->drawIndexedPrimitive(nullptr, gpu::PT_TRIANGLELIST, 0, 0, 4, 0, 2)));
    EXPECT_TRUE(gpu::failed(service->createTextureFromFile(nullptr, "data/font.png", nullptr)));
    EXPECT_TRUE(gpu::failed(service->begin(nullptr, nullptr, 0)));
    EXPECT_TRUE(gpu::failed(service->setTexture(effect, nullptr, nullptr)));
    EXPECT_EQ(service->getTechniqueByName(nullptr, "GUI"), nullptr);
    // Nothing is set on the device: drawing has nothing to draw with.
    EXPECT_TRUE(gpu::failed(service->drawIndexedPrimitive(device, gpu::PT_TRIANGLELIST, 0, 0, 4, 0, 2)));

    gpu::VertexBuffer* vb = nullptr;
    ASSERT_EQ(service->createVertexBuffer(device, 144, gpu::USAGE_DYNAMIC, 0, gpu::POOL_DEFAULT, &vb), gpu::OK);
    service->release(vb);
    EXPECT_TRUE(gpu::failed(service->lock(vb, 0, 0, &data, gpu::LOCK_DISCARD)));
    EXPECT_TRUE(gpu::failed(service->setStreamSource(device, 0, vb, 0, 36)));
    service->release(vb);  // twice: ignored

    service->release(effect);
    EXPECT_TRUE(gpu::failed(service->begin(effect, nullptr, 0)));
    EXPECT_TRUE(gpu::failed(service->setTexture(effect, "texture_0", nullptr)));
    EXPECT_EQ(service->getTechniqueByName(effect, "GUI"), nullptr);
    effect = nullptr;

    // Children outlive their device as dead objects.
    gpu::IndexBuffer* ib = nullptr;
    ASSERT_EQ(service->createIndexBuffer(device, 12, 0, gpu::FMT_INDEX16, gpu::POOL_MANAGED, &ib), gpu::OK);
    service->release(device);
    EXPECT_TRUE(gpu::failed(service->lock(ib, 0, 0, &data, 0)));
    EXPECT_TRUE(gpu::failed(service->beginScene(device)));
    service->release(ib);
    device = nullptr;
}

TEST_F(Device, LocksAndDrawsOutsideTheBuffersFail)
{
    gpu::VertexBuffer* vb = nullptr;
    gpu::IndexBuffer* ib = nullptr;
    ASSERT_EQ(service->createVertexBuffer(device, 4 * 36, gpu::USAGE_DYNAMIC, 0, gpu::POOL_DEFAULT, &vb), gpu::OK);
    vertexBuffers.push_back(vb);
    ASSERT_EQ(service->createIndexBuffer(device, 12, 0, gpu::FMT_INDEX16, gpu::POOL_DEFAULT, &ib), gpu::OK);
    indexBuffers.push_back(ib);
    EXPECT_TRUE(gpu::failed(service->createIndexBuffer(device, 12, 0, gpu::FMT_X8R8G8B8, gpu::POOL_DEFAULT, &ib)));
    EXPECT_EQ(ib, nullptr);
    ib = indexBuffers.back();

    void* data = nullptr;
    EXPECT_TRUE(gpu::failed(service->lock(vb, 100, 100, &data, 0)));
    EXPECT_EQ(data, nullptr);
    ASSERT_EQ(service->lock(vb, 36, 0, &data, 0), gpu::OK);
    EXPECT_TRUE(gpu::failed(service->lock(vb, 0, 0, &data, 0)));  // already locked
    EXPECT_EQ(service->unlock(vb), gpu::OK);
    EXPECT_TRUE(gpu::failed(service->unlock(vb)));

    // Index 9 points past the four vertices.
    ASSERT_EQ(service->lock(ib, 0, 0, &data, 0), gpu::OK);
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 9};
    std::copy_n(indices, 6, static_cast<uint16_t*>(data));
    ASSERT_EQ(service->unlock(ib), gpu::OK);
    ASSERT_EQ(service->setVertexDeclaration(device, declaration), gpu::OK);
    ASSERT_EQ(service->setStreamSource(device, 0, vb, 0, 36), gpu::OK);
    ASSERT_EQ(service->setIndices(device, ib), gpu::OK);
    EXPECT_EQ(service->drawIndexedPrimitive(device, gpu::PT_TRIANGLELIST, 0, 0, 4, 0, 1), gpu::OK);
    EXPECT_EQ(service->drawIndexedPrimitive(device, gpu::PT_TRIANGLELIST, 0, 0, 4, 0, 2), gpu::INVALIDCALL);
    EXPECT_EQ(service->drawIndexedPrimitive(device, gpu::PT_TRIANGLELIST, 2, 0, 4, 0, 1), gpu::INVALIDCALL);
    EXPECT_EQ(service->drawIndexedPrimitive(device, gpu::PT_TRIANGLELIST, 0, 0, 4, 3, 2), gpu::INVALIDCALL);
    EXPECT_EQ(service->drawIndexedPrimitive(device, 5, 0, 0, 4, 0, 1), gpu::INVALIDCALL);
}

} // namespace
