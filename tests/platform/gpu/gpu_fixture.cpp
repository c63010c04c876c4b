#include "gpu_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "platform/sdl/sdl_gpu.h"
#include "tests/support/resident_libraries.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

const gpu::VertexElement guiVertex[] = {
    {0, 0, gpu::DECLTYPE_FLOAT3, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_POSITION, 0},
    {0, 12, gpu::DECLTYPE_FLOAT2, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_TEXCOORD, 0},
    {0, 20, gpu::DECLTYPE_FLOAT4, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_COLOR, 0},
    gpu::DECL_END,
};

void writeVertex(float* v, float x, float y, const Quad& q, float u, float vv)
{
    const float values[9] = {x, y, q.depth, u, vv, q.r, q.g, q.b, q.a};
    std::memcpy(v, values, sizeof values);
}

} // namespace

void GpuTest::SetUpTestSuite()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
}

void GpuTest::TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

gpu::PresentParameters GpuTest::programParameters()
{
    gpu::PresentParameters p = {};
    p.backBufferFormat = gpu::FMT_X8R8G8B8;
    p.backBufferCount = 1;
    p.multiSampleType = gpu::MULTISAMPLE_NONE;
    p.swapEffect = gpu::SWAPEFFECT_DISCARD;
    p.windowed = 1;
    p.enableAutoDepthStencil = 1;
    p.autoDepthStencilFormat = gpu::FMT_D24X8;
    p.presentationInterval = gpu::PRESENT_INTERVAL_DEFAULT;
    return p;
}

void GpuTest::SetUp()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    folder = (std::filesystem::temp_directory_path() /
              ("gpu_test_" + std::to_string(getpid()) + "_" + test->name()))
                 .string();
    std::filesystem::create_directories(folder);

    service = createSdlGpu(imagesToDecodeAhead());
    window = SDL_CreateWindow("gpu test", 0, 0, 820, 320, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    direct3d = service->create(gpu::SDK_VERSION);
    ASSERT_NE(direct3d, nullptr);
    gpu::PresentParameters parameters = programParameters();
    ASSERT_EQ(service->createDevice(direct3d, gpu::ADAPTER_DEFAULT, gpu::DEVTYPE_HAL,
                                    reinterpret_cast<os::WindowHandle>(window),
                                    gpu::CREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device),
              gpu::OK);
    ASSERT_EQ(service->createVertexDeclaration(device, guiVertex, &declaration), gpu::OK);
    ASSERT_EQ(service->createEffectFromFile(device, "data/gui.fx", &effect), gpu::OK);
    technique = service->getTechniqueByName(effect, "GUI");
    ASSERT_NE(technique, nullptr);
}

void GpuTest::TearDown()
{
    keepLoadedLibrariesResident();
    if (service) {
        for (gpu::Texture* t : textures)
            service->release(t);
        for (gpu::VertexBuffer* b : vertexBuffers)
            service->release(b);
        for (gpu::IndexBuffer* b : indexBuffers)
            service->release(b);
        service->release(effect);
        service->release(declaration);
        service->release(device);
        service->release(direct3d);
        delete service;
    }
    if (window)
        SDL_DestroyWindow(window);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

gpu::Result GpuTest::drawQuads(const std::vector<Quad>& quads, bool index32)
{
    uint32_t n = uint32_t(quads.size());
    gpu::VertexBuffer* vb = nullptr;
    gpu::IndexBuffer* ib = nullptr;
    gpu::Result r = service->createVertexBuffer(device, n * 4 * 36, gpu::USAGE_DYNAMIC | gpu::USAGE_WRITEONLY, 0,
                                                gpu::POOL_DEFAULT, &vb);
    if (gpu::failed(r))
        return r;
    vertexBuffers.push_back(vb);
    r = service->createIndexBuffer(device, n * 6 * (index32 ? 4 : 2), gpu::USAGE_WRITEONLY,
                                   index32 ? gpu::FMT_INDEX32 : gpu::FMT_INDEX16, gpu::POOL_DEFAULT, &ib);
    if (gpu::failed(r))
        return r;
    indexBuffers.push_back(ib);

    void* data = nullptr;
    if (gpu::failed(r = service->lock(ib, 0, 0, &data, 0)))
        return r;
    for (uint32_t q = 0; q < n; q++) {
        uint32_t clockwise[6] = {4 * q, 4 * q + 1, 4 * q + 2, 4 * q, 4 * q + 2, 4 * q + 3};
        uint32_t other[6] = {4 * q, 4 * q + 2, 4 * q + 1, 4 * q, 4 * q + 3, 4 * q + 2};
        const uint32_t* pattern = quads[q].counterClockwise ? other : clockwise;
        for (int i = 0; i < 6; i++) {
            if (index32)
                static_cast<uint32_t*>(data)[6 * q + i] = pattern[i];
            else
                static_cast<uint16_t*>(data)[6 * q + i] = uint16_t(pattern[i]);
        }
    }
    service->unlock(ib);

    if (gpu::failed(r = service->lock(vb, 0, 0, &data, gpu::LOCK_DISCARD)))
        return r;
    float* v = static_cast<float*>(data);
    for (const Quad& q : quads) {
        writeVertex(v, q.x, q.y, q, q.u0, q.v1);
        writeVertex(v + 9, q.x, q.y + q.height, q, q.u0, q.v0);
        writeVertex(v + 18, q.x + q.width, q.y + q.height, q, q.u1, q.v0);
        writeVertex(v + 27, q.x + q.width, q.y, q, q.u1, q.v1);
        v += 36;
    }
    service->unlock(vb);

    uint32_t passes = 0;
    if (gpu::failed(r = service->setTechnique(effect, technique)))
        return r;
    if (gpu::failed(r = service->begin(effect, &passes, 0)))
        return r;
    service->setVertexDeclaration(device, declaration);
    service->setStreamSource(device, 0, vb, 0, 36);
    service->setIndices(device, ib);
    for (uint32_t p = 0; p < passes; p++) {
        service->beginPass(effect, p);
        for (uint32_t i = 0; i < n && !gpu::failed(r); i++) {
            service->setTexture(effect, "texture_0", quads[i].texture);
            service->commitChanges(effect);
            service->setMipmapping(device, 0, quads[i].mipmapped);
            r = service->drawIndexedPrimitive(device, gpu::PT_TRIANGLELIST, 0, 0, n * 4, 6 * i, 2);
        }
        service->endPass(effect);
    }
    service->end(effect);
    return r;
}

void GpuTest::drawFrame(const std::vector<Quad>& quads, bool index32)
{
    ASSERT_EQ(service->beginScene(device), gpu::OK);
    ASSERT_EQ(service->clear(device, 0, nullptr, gpu::CLEAR_TARGET | gpu::CLEAR_ZBUFFER, 0xFF000000, 1.0f, 0),
              gpu::OK);
    EXPECT_EQ(drawQuads(quads, index32), gpu::OK);
    readBack();
    EXPECT_EQ(service->endScene(device), gpu::OK);
    EXPECT_EQ(service->present(device), gpu::OK);
}

void GpuTest::readBack() { ASSERT_TRUE(sdlReadBackBuffer(device, &width, &height, &frame)); }

Pixel GpuTest::at(float x, float y) const
{
    int px = std::clamp(int((x + 1) / 2 * width), 0, width - 1);
    int py = std::clamp(int((1 - y) / 2 * height), 0, height - 1);
    const uint8_t* p = frame.data() + (size_t(py) * width + px) * 4;
    return {p[0], p[1], p[2], p[3]};
}

std::string GpuTest::tempPath(const std::string& name) const { return folder + "/" + name; }

std::string GpuTest::writeImage(const std::string& name, int w, int h, const std::vector<uint8_t>& rgba)
{
    std::string path = tempPath(name);
    std::string extension = name.substr(name.rfind('.') + 1);
    int written = 0;
    if (extension == "png")
        written = stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4);
    else if (extension == "bmp")
        written = stbi_write_bmp(path.c_str(), w, h, 4, rgba.data());
    else if (extension == "tga")
        written = stbi_write_tga(path.c_str(), w, h, 4, rgba.data());
    else if (extension == "jpg")
        written = stbi_write_jpg(path.c_str(), w, h, 4, rgba.data(), 90);
    EXPECT_NE(written, 0) << path;
    return path;
}

std::string GpuTest::writeBytes(const std::string& name, const std::string& bytes)
{
    std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

::testing::AssertionResult near(Pixel actual, Pixel expected, int tolerance)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << actual.r << ", " << actual.g << ", " << actual.b
                                         << "), expected (" << expected.r << ", " << expected.g << ", "
                                         << expected.b << ")";
}

void paint(std::vector<uint8_t>* rgba, int width, int x, int y, Pixel colour)
{
    uint8_t* p = rgba->data() + (size_t(y) * width + x) * 4;
    p[0] = uint8_t(colour.r);
    p[1] = uint8_t(colour.g);
    p[2] = uint8_t(colour.b);
    p[3] = uint8_t(colour.a);
}

std::vector<uint8_t> solid(int w, int h, Pixel colour)
{
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            paint(&rgba, w, x, y, colour);
    return rgba;
}

gpu::Result GpuTest::loadTexture(const std::string& path, gpu::Texture** out)
{
    gpu::Texture* texture = reinterpret_cast<gpu::Texture*>(1);
    gpu::Result result = service->createTextureFromFile(device, path.c_str(), &texture);
    if (gpu::failed(result)) {
        EXPECT_EQ(texture, nullptr);
        texture = nullptr;
    } else {
        textures.push_back(texture);
    }
    if (out)
        *out = texture;
    return result;
}

static std::string bigEndian(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string pngHeader(uint32_t width, uint32_t height)
{
    return std::string("\x89PNG\r\n\x1a\n", 8) + bigEndian(13) + "IHDR" + bigEndian(width) + bigEndian(height) +
           std::string("\x08\x06\x00\x00\x00", 5) + bigEndian(0);
}
