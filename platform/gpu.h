// gpu: the graphics device (a subset of Direct3D 9 and D3DX 9).
//
// One process-wide instance, installed with installGpu() by main() (the real one,
// OpenGL 3.3 core in platform/sdl) or by a test (platform/fake). Called only from
// the main thread. Objects are opaque pointers owned by the service; each is
// given back with release(). Results are Direct3D codes: negative means failure.
//
//   create(SDK_VERSION)                  the graphics object, or null.
//   getDeviceCaps / createDevice         a windowed device drawing into a window's
//                                        client area (back buffer 0 x 0 = that size).
//   testCooperativeLevel / reset         device loss: reset refuses (INVALIDCALL)
//                                        while default-pool buffers of the device live.
//   beginScene, clear, endScene, present (present waits for vsync by default).
//   createVertexDeclaration, createVertexBuffer, createIndexBuffer, lock, unlock,
//   setVertexDeclaration, setStreamSource, setIndices, drawIndexedPrimitive.
//   createTextureFromFile                PNG, JPEG, BMP, TGA; full mip chain.
//   getLevelDesc                         a texture level's size in texels.
//   createEffectFromFile                 an effect in this project's effect language
//                                        (docs/effect-language.md); fails on a missing
//                                        file, a syntax error or a shader that does
//                                        not compile.
//   getTechniqueByName, setTechnique, begin (reports the pass count), beginPass,
//   setTexture (by parameter name), commitChanges, endPass, end.
//   setMipmapping(device, unit, false)   inside a pass: texture unit `unit` reads
//                                        only the full-size level, with the pass's
//                                        own point or linear filter, until the pass
//                                        ends or setMipmapping(.., true) puts the
//                                        pass's mip filter back. For quads drawn no
//                                        smaller than their texels the picture is the
//                                        same, and a software renderer skips the
//                                        level-of-detail work. Refused outside a pass.
//   getRenderState(RS_ZENABLE or         the depth test and depth writes as the running
//     RS_ZWRITEENABLE)                   pass (or the fresh device) has them: 1 or 0.
//   getRenderState(RS_ALPHABLENDENABLE,  likewise the blending: 1 or 0, and its
//     RS_SRCBLEND or RS_DESTBLEND)       factors (BLEND_ZERO .. BLEND_INVDESTCOLOR).
//   getBackBufferDesc                    the size in pixels of the area the device
//                                        draws into.
//   createTexture(device, w, h, 1,       a render target of the back buffer's format
//     USAGE_RENDERTARGET, FMT_X8R8G8B8,  (its alpha reads as the back buffer's does),
//     POOL_DEFAULT)                      for keeping a picture: copied into and out of
//                                        with stretchRect, never drawn into or sampled
//                                        (setTexture refuses it). Default pool: a reset
//                                        is refused while it lives.
//   stretchRect(device, source, dest)    copies a render target or (null) the back
//                                        buffer onto another: texel for pixel where the
//                                        sizes match, stretched with point sampling
//                                        where not. No blending, depth test or culling
//                                        applies; the bits arrive as they were.
#pragma once
#include <cstdint>

#include "platform/os.h"

namespace gpu {

using Result = int32_t;
constexpr Result OK = 0;
constexpr Result E_FAIL = int32_t(0x80004005);
constexpr Result E_OUTOFMEMORY = int32_t(0x8007000E);
constexpr Result DEVICELOST = int32_t(0x88760868);
constexpr Result DEVICENOTRESET = int32_t(0x88760869);
constexpr Result NOTAVAILABLE = int32_t(0x8876086A);
constexpr Result INVALIDCALL = int32_t(0x8876086C);
inline bool failed(Result result) { return result < 0; }

struct Direct3D;
struct Device;
struct VertexDeclaration;
struct VertexBuffer;
struct IndexBuffer;
struct Texture;
struct Effect;
struct Technique;
using TechniqueHandle = const Technique*;

constexpr uint32_t SDK_VERSION = 32;
constexpr uint32_t ADAPTER_DEFAULT = 0;
constexpr uint32_t DEVTYPE_HAL = 1;
constexpr uint32_t CREATE_SOFTWARE_VERTEXPROCESSING = 0x20;

constexpr uint32_t FMT_UNKNOWN = 0;
constexpr uint32_t FMT_X8R8G8B8 = 22;
constexpr uint32_t FMT_D24X8 = 77;
constexpr uint32_t FMT_INDEX16 = 101;
constexpr uint32_t FMT_INDEX32 = 102;

constexpr uint32_t MULTISAMPLE_NONE = 0;
constexpr uint32_t SWAPEFFECT_DISCARD = 1;
constexpr uint32_t PRESENT_INTERVAL_DEFAULT = 0;

constexpr uint32_t POOL_DEFAULT = 0;
constexpr uint32_t POOL_MANAGED = 1;
constexpr uint32_t USAGE_RENDERTARGET = 0x1;
constexpr uint32_t USAGE_WRITEONLY = 0x8;
constexpr uint32_t USAGE_DYNAMIC = 0x200;
constexpr uint32_t LOCK_DISCARD = 0x2000;

constexpr uint32_t CLEAR_TARGET = 1;
constexpr uint32_t CLEAR_ZBUFFER = 2;

constexpr uint32_t PT_TRIANGLELIST = 4;

constexpr uint32_t RS_ZENABLE = 7;
constexpr uint32_t RS_ZWRITEENABLE = 14;
constexpr uint32_t RS_SRCBLEND = 19;
constexpr uint32_t RS_DESTBLEND = 20;
constexpr uint32_t RS_ALPHABLENDENABLE = 27;

constexpr uint32_t BLEND_ZERO = 1;
constexpr uint32_t BLEND_ONE = 2;
constexpr uint32_t BLEND_SRCCOLOR = 3;
constexpr uint32_t BLEND_INVSRCCOLOR = 4;
constexpr uint32_t BLEND_SRCALPHA = 5;
constexpr uint32_t BLEND_INVSRCALPHA = 6;
constexpr uint32_t BLEND_DESTALPHA = 7;
constexpr uint32_t BLEND_INVDESTALPHA = 8;
constexpr uint32_t BLEND_DESTCOLOR = 9;
constexpr uint32_t BLEND_INVDESTCOLOR = 10;

// The presentation parameters, field for field.
struct PresentParameters {
    uint32_t backBufferWidth;
    uint32_t backBufferHeight;
    uint32_t backBufferFormat;
    uint32_t backBufferCount;
    uint32_t multiSampleType;
    uint32_t multiSampleQuality;
    uint32_t swapEffect;
    os::WindowHandle deviceWindow;
    int32_t windowed;
    int32_t enableAutoDepthStencil;
    uint32_t autoDepthStencilFormat;
    uint32_t flags;
    uint32_t fullScreenRefreshRateInHz;
    uint32_t presentationInterval;
};

struct SurfaceDesc {
    uint32_t width;
    uint32_t height;
};

struct DeviceCaps {
    uint32_t maxTextureWidth;
    uint32_t maxTextureHeight;
};

// Vertex declaration elements.
constexpr uint8_t DECLTYPE_FLOAT2 = 1;
constexpr uint8_t DECLTYPE_FLOAT3 = 2;
constexpr uint8_t DECLTYPE_FLOAT4 = 3;
constexpr uint8_t DECLTYPE_UNUSED = 17;
constexpr uint8_t DECLMETHOD_DEFAULT = 0;
constexpr uint8_t DECLUSAGE_POSITION = 0;
constexpr uint8_t DECLUSAGE_TEXCOORD = 5;
constexpr uint8_t DECLUSAGE_COLOR = 10;

struct VertexElement {
    uint16_t stream;
    uint16_t offset;
    uint8_t type;
    uint8_t method;
    uint8_t usage;
    uint8_t usageIndex;
};
constexpr VertexElement DECL_END = {0xFF, 0, DECLTYPE_UNUSED, 0, 0, 0};

class Gpu {
public:
    virtual ~Gpu() = default;

    virtual Direct3D* create(uint32_t sdkVersion) = 0;
    virtual Result getDeviceCaps(Direct3D* direct3d, uint32_t adapter, uint32_t deviceType, DeviceCaps* caps) = 0;
    virtual Result createDevice(Direct3D* direct3d, uint32_t adapter, uint32_t deviceType, os::WindowHandle focusWindow,
                                uint32_t behaviorFlags, PresentParameters* parameters, Device** device) = 0;

    virtual Result testCooperativeLevel(Device* device) = 0;
    virtual Result reset(Device* device, PresentParameters* parameters) = 0;
    virtual Result beginScene(Device* device) = 0;
    virtual Result clear(Device* device, uint32_t rectCount, const void* rects, uint32_t flags, uint32_t color, float z,
                         uint32_t stencil) = 0;
    virtual Result endScene(Device* device) = 0;
    virtual Result present(Device* device) = 0;

    virtual Result createVertexDeclaration(Device* device, const VertexElement* elements,
                                           VertexDeclaration** declaration) = 0;
    virtual Result createVertexBuffer(Device* device, uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                      VertexBuffer** buffer) = 0;
    virtual Result createIndexBuffer(Device* device, uint32_t length, uint32_t usage, uint32_t format, uint32_t pool,
                                     IndexBuffer** buffer) = 0;
    virtual Result lock(VertexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual Result unlock(VertexBuffer* buffer) = 0;
    virtual Result lock(IndexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual Result unlock(IndexBuffer* buffer) = 0;
    virtual Result setVertexDeclaration(Device* device, VertexDeclaration* declaration) = 0;
    virtual Result setStreamSource(Device* device, uint32_t stream, VertexBuffer* buffer, uint32_t offset,
                                   uint32_t stride) = 0;
    virtual Result setIndices(Device* device, IndexBuffer* buffer) = 0;
    virtual Result drawIndexedPrimitive(Device* device, uint32_t primitiveType, int32_t baseVertexIndex,
                                        uint32_t minVertexIndex, uint32_t vertexCount, uint32_t startIndex,
                                        uint32_t primitiveCount) = 0;

    virtual Result createTextureFromFile(Device* device, const char* path, Texture** texture) = 0;
    virtual Result getLevelDesc(Texture* texture, uint32_t level, SurfaceDesc* desc) = 0;
    virtual Result createEffectFromFile(Device* device, const char* path, Effect** effect) = 0;
    virtual TechniqueHandle getTechniqueByName(Effect* effect, const char* name) = 0;
    virtual Result setTechnique(Effect* effect, TechniqueHandle technique) = 0;
    virtual Result begin(Effect* effect, uint32_t* passes, uint32_t flags) = 0;
    virtual Result beginPass(Effect* effect, uint32_t pass) = 0;
    virtual Result setTexture(Effect* effect, const char* parameter, Texture* texture) = 0;
    virtual Result commitChanges(Effect* effect) = 0;
    virtual Result endPass(Effect* effect) = 0;
    virtual Result end(Effect* effect) = 0;
    virtual Result setMipmapping(Device* device, uint32_t sampler, bool enabled) = 0;
    virtual Result getRenderState(Device* device, uint32_t state, uint32_t* value) = 0;
    virtual Result getBackBufferDesc(Device* device, SurfaceDesc* desc) = 0;
    virtual Result createTexture(Device* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                 uint32_t format, uint32_t pool, Texture** texture) = 0;
    virtual Result stretchRect(Device* device, Texture* source, Texture* destination) = 0;

    virtual void release(Direct3D* object) = 0;
    virtual void release(Device* object) = 0;
    virtual void release(VertexDeclaration* object) = 0;
    virtual void release(VertexBuffer* object) = 0;
    virtual void release(IndexBuffer* object) = 0;
    virtual void release(Texture* object) = 0;
    virtual void release(Effect* object) = 0;
};

// The installed instance; installGpu(nullptr) uninstalls. Calling gpu() with
// nothing installed is a programming error and aborts.
Gpu& gpu();
void installGpu(Gpu* instance);

}  // namespace gpu
