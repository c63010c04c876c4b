// fake_gpu: a scripted graphics device for tests.
//
// Every object it hands out is a FakeResource; buffers hold real bytes, so a test
// can read what was written through lock(). Any call can be made to fail by
// putting its name in `failures` (e.g. failures["present"] = gpu::DEVICELOST).
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/gpu.h"

namespace fake {

struct FakeResource {
    std::string kind;  // "direct3d", "device", "declaration", "vertexBuffer", ...
    int id;
    bool live;
    uint32_t pool;
    uint32_t usage;
    uint32_t format;
    std::string path;                          // textures and effects
    std::vector<uint8_t> bytes;                // buffers
    std::vector<gpu::VertexElement> elements;  // declarations
};

class FakeGpu : public gpu::Gpu {
public:
    // Script.
    std::map<std::string, gpu::Result> failures;
    bool failCreate = false;
    uint32_t passes = 1;
    std::set<std::string> missingFiles;
    std::set<std::string> techniques = {"GUI"};
    uint32_t textureSize = 256;  // every texture is this many texels square
    bool depthTest = false;      // what getRenderState reports for RS_ZENABLE
    // What it reports for RS_ALPHABLENDENABLE, RS_SRCBLEND and RS_DESTBLEND.
    bool blend = false;
    uint32_t blendSource = gpu::BLEND_ONE, blendDestination = gpu::BLEND_ZERO;
    gpu::SurfaceDesc backBuffer = {818, 318};

    // Observations.
    std::vector<std::unique_ptr<FakeResource>> resources;
    gpu::PresentParameters deviceParameters = {};
    gpu::PresentParameters resetParameters = {};

    FakeResource* resource(const void* handle) const;
    int live(const std::string& kind) const;
    // The live resources of one kind, oldest first.
    std::vector<FakeResource*> all(const std::string& kind) const;
    FakeResource* last(const std::string& kind) const;

    gpu::Direct3D* create(uint32_t sdkVersion) override;
    gpu::Result getDeviceCaps(gpu::Direct3D* direct3d, uint32_t adapter, uint32_t deviceType,
                              gpu::DeviceCaps* caps) override;
    gpu::Result createDevice(gpu::Direct3D* direct3d, uint32_t adapter, uint32_t deviceType,
                             os::WindowHandle focusWindow, uint32_t behaviorFlags, gpu::PresentParameters* parameters,
                             gpu::Device** device) override;
    gpu::Result testCooperativeLevel(gpu::Device* device) override;
    gpu::Result reset(gpu::Device* device, gpu::PresentParameters* parameters) override;
    gpu::Result beginScene(gpu::Device* device) override;
    gpu::Result clear(gpu::Device* device, uint32_t rectCount, const void* rects, uint32_t flags, uint32_t color,
                      float z, uint32_t stencil) override;
    gpu::Result endScene(gpu::Device* device) override;
    gpu::Result present(gpu::Device* device) override;
    gpu::Result createVertexDeclaration(gpu::Device* device, const gpu::VertexElement* elements,
                                        gpu::VertexDeclaration** declaration) override;
    gpu::Result createVertexBuffer(gpu::Device* device, uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                   gpu::VertexBuffer** buffer) override;
    gpu::Result createIndexBuffer(gpu::Device* device, uint32_t length, uint32_t usage, uint32_t format, uint32_t pool,
                                  gpu::IndexBuffer** buffer) override;
    gpu::Result lock(gpu::VertexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
    gpu::Result unlock(gpu::VertexBuffer* buffer) override;
    gpu::Result lock(gpu::IndexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
    gpu::Result unlock(gpu::IndexBuffer* buffer) override;
    gpu::Result setVertexDeclaration(gpu::Device* device, gpu::VertexDeclaration* declaration) override;
    gpu::Result setStreamSource(gpu::Device* device, uint32_t stream, gpu::VertexBuffer* buffer, uint32_t offset,
                                uint32_t stride) override;
    gpu::Result setIndices(gpu::Device* device, gpu::IndexBuffer* buffer) override;
    gpu::Result drawIndexedPrimitive(gpu::Device* device, uint32_t primitiveType, int32_t baseVertexIndex,
                                     uint32_t minVertexIndex, uint32_t vertexCount, uint32_t startIndex,
                                     uint32_t primitiveCount) override;
    gpu::Result createTextureFromFile(gpu::Device* device, const char* path, gpu::Texture** texture) override;
    gpu::Result getLevelDesc(gpu::Texture* texture, uint32_t level, gpu::SurfaceDesc* desc) override;
    gpu::Result setMipmapping(gpu::Device* device, uint32_t sampler, bool enabled) override;
    gpu::Result getRenderState(gpu::Device* device, uint32_t state, uint32_t* value) override;
    gpu::Result getBackBufferDesc(gpu::Device* device, gpu::SurfaceDesc* desc) override;
    gpu::Result createTexture(gpu::Device* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                              uint32_t format, uint32_t pool, gpu::Texture** texture) override;
    gpu::Result stretchRect(gpu::Device* device, gpu::Texture* source, gpu::Texture* destination) override;
    gpu::Result createEffectFromFile(gpu::Device* device, const char* path, gpu::Effect** effect) override;
    gpu::TechniqueHandle getTechniqueByName(gpu::Effect* effect, const char* name) override;
    gpu::Result setTechnique(gpu::Effect* effect, gpu::TechniqueHandle technique) override;
    gpu::Result begin(gpu::Effect* effect, uint32_t* passes, uint32_t flags) override;
    gpu::Result beginPass(gpu::Effect* effect, uint32_t pass) override;
    gpu::Result setTexture(gpu::Effect* effect, const char* parameter, gpu::Texture* texture) override;
    gpu::Result commitChanges(gpu::Effect* effect) override;
    gpu::Result endPass(gpu::Effect* effect) override;
    gpu::Result end(gpu::Effect* effect) override;
    void release(gpu::Direct3D* object) override;
    void release(gpu::Device* object) override;
    void release(gpu::VertexDeclaration* object) override;
    void release(gpu::VertexBuffer* object) override;
    void release(gpu::IndexBuffer* object) override;
    void release(gpu::Texture* object) override;
    void release(gpu::Effect* object) override;

private:
    FakeResource* make(const std::string& kind, uint32_t pool = gpu::POOL_MANAGED, uint32_t usage = 0,
                       uint32_t format = 0);
    gpu::Result result(const char* call) const;
    void releaseResource(const void* object);
};

}  // namespace fake
