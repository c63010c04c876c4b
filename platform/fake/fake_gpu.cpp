#include "platform/fake/fake_gpu.h"

#include <algorithm>
#include <cstdio>

#include "platform/fake/call_log.h"

namespace fake {

template <typename T>
static T* as(FakeResource* resource)
{
    return reinterpret_cast<T*>(resource);
}

static std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

static void log(const std::string& call) { callLog().add("gpu." + call); }

FakeResource* FakeGpu::resource(const void* handle) const
{
    for (const auto& r : resources)
        if (r.get() == handle)
            return r.get();
    return nullptr;
}

int FakeGpu::live(const std::string& kind) const
{
    int n = 0;
    for (const auto& r : resources)
        n += r->live && r->kind == kind;
    return n;
}

std::vector<FakeResource*> FakeGpu::all(const std::string& kind) const
{
    std::vector<FakeResource*> out;
    for (const auto& r : resources)
        if (r->live && r->kind == kind)
            out.push_back(r.get());
    return out;
}

FakeResource* FakeGpu::last(const std::string& kind) const
{
    std::vector<FakeResource*> found = all(kind);
    return found.empty() ? nullptr : found.back();
}

FakeResource* FakeGpu::make(const std::string& kind, uint32_t pool, uint32_t usage, uint32_t format)
{
    resources.push_back(std::make_unique<FakeResource>());
    FakeResource* r = resources.back().get();
    r->kind = kind;
    r->id = int(resources.size());
    r->live = true;
    r->pool = pool;
    r->usage = usage;
    r->format = format;
    return r;
}

gpu::Result FakeGpu::result(const char* call) const
{
    auto it = failures.find(call);
    return it == failures.end() ? gpu::OK : it->second;
}

void FakeGpu::releaseResource(const void* object)
{
    FakeResource* r = resource(object);
    log("release " + (r ? r->kind + " " + std::to_string(r->id) : std::string("unknown")));
    if (r)
        r->live = false;
}

gpu::Direct3D* FakeGpu::create(uint32_t sdkVersion)
{
    log("create " + std::to_string(sdkVersion));
    return failCreate ? nullptr : as<gpu::Direct3D>(make("direct3d"));
}

gpu::Result FakeGpu::getDeviceCaps(gpu::Direct3D*, uint32_t adapter, uint32_t deviceType, gpu::DeviceCaps* caps)
{
    log("getDeviceCaps " + std::to_string(adapter) + " " + std::to_string(deviceType));
    *caps = {4096, 4096};
    return result("getDeviceCaps");
}

gpu::Result FakeGpu::createDevice(gpu::Direct3D*, uint32_t adapter, uint32_t deviceType, os::WindowHandle,
                                  uint32_t behaviorFlags, gpu::PresentParameters* parameters, gpu::Device** device)
{
    log("createDevice " + std::to_string(adapter) + " " + std::to_string(deviceType) + " " +
        std::to_string(behaviorFlags));
    deviceParameters = *parameters;
    *device = nullptr;
    gpu::Result r = result("createDevice");
    if (!gpu::failed(r))
        *device = as<gpu::Device>(make("device"));
    return r;
}

gpu::Result FakeGpu::testCooperativeLevel(gpu::Device*)
{
    log("testCooperativeLevel");
    return result("testCooperativeLevel");
}

gpu::Result FakeGpu::reset(gpu::Device*, gpu::PresentParameters* parameters)
{
    log("reset");
    resetParameters = *parameters;
    // Like the real device, a reset writes the chosen back-buffer size back.
    parameters->backBufferWidth = 818;
    parameters->backBufferHeight = 318;
    for (const auto& r : resources)
        if (r->live && r->pool == gpu::POOL_DEFAULT)
            return gpu::INVALIDCALL;
    return result("reset");
}

gpu::Result FakeGpu::beginScene(gpu::Device*)
{
    log("beginScene");
    return result("beginScene");
}

gpu::Result FakeGpu::clear(gpu::Device*, uint32_t rectCount, const void* rects, uint32_t flags, uint32_t color, float z,
                           uint32_t stencil)
{
    char text[96];
    std::snprintf(text, sizeof text, "clear %u %s %u 0x%X %s %u", rectCount, rects ? "rects" : "null", flags, color,
                  number(z).c_str(), stencil);
    log(text);
    return result("clear");
}

gpu::Result FakeGpu::endScene(gpu::Device*)
{
    log("endScene");
    return result("endScene");
}

gpu::Result FakeGpu::present(gpu::Device*)
{
    log("present");
    return result("present");
}

gpu::Result FakeGpu::createVertexDeclaration(gpu::Device*, const gpu::VertexElement* elements,
                                             gpu::VertexDeclaration** declaration)
{
    log("createVertexDeclaration");
    *declaration = nullptr;
    gpu::Result r = result("createVertexDeclaration");
    if (gpu::failed(r))
        return r;
    FakeResource* made = make("declaration");
    for (const gpu::VertexElement* e = elements;; ++e) {
        made->elements.push_back(*e);
        if (e->stream == 0xFF)
            break;
    }
    *declaration = as<gpu::VertexDeclaration>(made);
    return r;
}

gpu::Result FakeGpu::createVertexBuffer(gpu::Device*, uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                        gpu::VertexBuffer** buffer)
{
    log("createVertexBuffer " + std::to_string(length) + " " + std::to_string(usage) + " " + std::to_string(fvf) + " " +
        std::to_string(pool));
    *buffer = nullptr;
    gpu::Result r = result("createVertexBuffer");
    if (gpu::failed(r))
        return r;
    FakeResource* made = make("vertexBuffer", pool, usage);
    made->bytes.assign(length, 0);
    *buffer = as<gpu::VertexBuffer>(made);
    return r;
}

gpu::Result FakeGpu::createIndexBuffer(gpu::Device*, uint32_t length, uint32_t usage, uint32_t format, uint32_t pool,
                                       gpu::IndexBuffer** buffer)
{
    log("createIndexBuffer " + std::to_string(length) + " " + std::to_string(usage) + " " + std::to_string(format) +
        " " + std::to_string(pool));
    *buffer = nullptr;
    gpu::Result r = result("createIndexBuffer");
    if (gpu::failed(r))
        return r;
    FakeResource* made = make("indexBuffer", pool, usage, format);
    made->bytes.assign(length, 0);
    *buffer = as<gpu::IndexBuffer>(made);
    return r;
}

static gpu::Result lockBytes(FakeResource* r, uint32_t offset, void** data, gpu::Result scripted)
{
    *data = nullptr;
    if (gpu::failed(scripted))
        return scripted;
    if (!r || !r->live || offset > r->bytes.size())
        return gpu::INVALIDCALL;
    *data = r->bytes.data() + offset;
    return gpu::OK;
}

gpu::Result FakeGpu::lock(gpu::VertexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags)
{
    log("lockVertexBuffer " + std::to_string(offset) + " " + std::to_string(size) + " " + std::to_string(flags));
    return lockBytes(resource(buffer), offset, data, result("lockVertexBuffer"));
}

gpu::Result FakeGpu::unlock(gpu::VertexBuffer*)
{
    log("unlockVertexBuffer");
    return result("unlockVertexBuffer");
}

gpu::Result FakeGpu::lock(gpu::IndexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags)
{
    log("lockIndexBuffer " + std::to_string(offset) + " " + std::to_string(size) + " " + std::to_string(flags));
    return lockBytes(resource(buffer), offset, data, result("lockIndexBuffer"));
}

gpu::Result FakeGpu::unlock(gpu::IndexBuffer*)
{
    log("unlockIndexBuffer");
    return result("unlockIndexBuffer");
}

gpu::Result FakeGpu::setVertexDeclaration(gpu::Device*, gpu::VertexDeclaration* declaration)
{
    log(std::string("setVertexDeclaration ") + (declaration ? "declaration" : "none"));
    return result("setVertexDeclaration");
}

gpu::Result FakeGpu::setStreamSource(gpu::Device*, uint32_t stream, gpu::VertexBuffer* buffer, uint32_t offset,
                                     uint32_t stride)
{
    log("setStreamSource " + std::to_string(stream) + " " + (buffer ? "buffer" : "none") + " " +
        std::to_string(offset) + " " + std::to_string(stride));
    return result("setStreamSource");
}

gpu::Result FakeGpu::setIndices(gpu::Device*, gpu::IndexBuffer* buffer)
{
    log(std::string("setIndices ") + (buffer ? "buffer" : "none"));
    return result("setIndices");
}

gpu::Result FakeGpu::drawIndexedPrimitive(gpu::Device*, uint32_t primitiveType, int32_t baseVertexIndex,
                                          uint32_t minVertexIndex, uint32_t vertexCount, uint32_t startIndex,
                                          uint32_t primitiveCount)
{
    log("drawIndexedPrimitive " + std::to_string(primitiveType) + " " + std::to_string(baseVertexIndex) + " " +
        std::to_string(minVertexIndex) + " " + std::to_string(vertexCount) + " " + std::to_string(startIndex) + " " +
        std::to_string(primitiveCount));
    return result("drawIndexedPrimitive");
}

gpu::Result FakeGpu::createTextureFromFile(gpu::Device*, const char* path, gpu::Texture** texture)
{
    log(std::string("createTextureFromFile ") + path);
    *texture = nullptr;
    gpu::Result r = result("createTextureFromFile");
    if (missingFiles.count(path))
        r = gpu::E_FAIL;
    if (gpu::failed(r))
        return r;
    FakeResource* made = make("texture");
    made->path = path;
    *texture = as<gpu::Texture>(made);
    return r;
}

gpu::Result FakeGpu::getLevelDesc(gpu::Texture* texture, uint32_t level, gpu::SurfaceDesc* desc)
{
    log("getLevelDesc " + std::to_string(level));
    if (!texture || !desc || level >= 32)
        return gpu::INVALIDCALL;
    desc->width = std::max(textureSize >> level, 1u);
    desc->height = desc->width;
    return result("getLevelDesc");
}

gpu::Result FakeGpu::setMipmapping(gpu::Device*, uint32_t sampler, bool enabled)
{
    log("setMipmapping " + std::to_string(sampler) + (enabled ? " on" : " off"));
    return result("setMipmapping");
}

gpu::Result FakeGpu::getRenderState(gpu::Device*, uint32_t state, uint32_t* value)
{
    log("getRenderState " + std::to_string(state));
    if (!value)
        return gpu::INVALIDCALL;
    if (state == gpu::RS_ZENABLE || state == gpu::RS_ZWRITEENABLE)
        *value = depthTest ? 1 : 0;
    else if (state == gpu::RS_ALPHABLENDENABLE)
        *value = blend ? 1 : 0;
    else if (state == gpu::RS_SRCBLEND)
        *value = blendSource;
    else if (state == gpu::RS_DESTBLEND)
        *value = blendDestination;
    else
        return gpu::INVALIDCALL;
    return result("getRenderState");
}

gpu::Result FakeGpu::getBackBufferDesc(gpu::Device*, gpu::SurfaceDesc* desc)
{
    log("getBackBufferDesc");
    if (!desc)
        return gpu::INVALIDCALL;
    *desc = backBuffer;
    return result("getBackBufferDesc");
}

gpu::Result FakeGpu::createTexture(gpu::Device*, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                   uint32_t format, uint32_t pool, gpu::Texture** texture)
{
    log("createTexture " + std::to_string(width) + "x" + std::to_string(height));
    *texture = nullptr;
    if (levels > 1 || usage != gpu::USAGE_RENDERTARGET || format != gpu::FMT_X8R8G8B8 || pool != gpu::POOL_DEFAULT ||
        width == 0 || height == 0)
        return gpu::INVALIDCALL;
    gpu::Result r = result("createTexture");
    if (gpu::failed(r))
        return r;
    FakeResource* made = make("renderTarget", pool, usage, format);
    *texture = as<gpu::Texture>(made);
    return r;
}

gpu::Result FakeGpu::stretchRect(gpu::Device*, gpu::Texture* source, gpu::Texture* destination)
{
    FakeResource* from = source ? resource(source) : nullptr;
    FakeResource* to = destination ? resource(destination) : nullptr;
    log("stretchRect " + (from ? std::to_string(from->id) : std::string("backBuffer")) + " " +
        (to ? std::to_string(to->id) : std::string("backBuffer")));
    auto isTarget = [](const FakeResource* r) { return r && r->live && r->kind == "renderTarget"; };
    if ((!source && !destination) || (source && !isTarget(from)) || (destination && !isTarget(to)))
        return gpu::INVALIDCALL;
    return result("stretchRect");
}

gpu::Result FakeGpu::createEffectFromFile(gpu::Device*, const char* path, gpu::Effect** effect)
{
    log(std::string("createEffectFromFile ") + path);
    *effect = nullptr;
    gpu::Result r = result("createEffectFromFile");
    if (missingFiles.count(path))
        r = gpu::E_FAIL;
    if (gpu::failed(r))
        return r;
    FakeResource* made = make("effect");
    made->path = path;
    *effect = as<gpu::Effect>(made);
    return r;
}

gpu::TechniqueHandle FakeGpu::getTechniqueByName(gpu::Effect* effect, const char* name)
{
    log(std::string("getTechniqueByName ") + name);
    if (!resource(effect) || !techniques.count(name))
        return nullptr;
    return reinterpret_cast<gpu::TechniqueHandle>(resource(effect));
}

gpu::Result FakeGpu::setTechnique(gpu::Effect*, gpu::TechniqueHandle technique)
{
    log(std::string("setTechnique ") + (technique ? "technique" : "none"));
    return result("setTechnique");
}

gpu::Result FakeGpu::begin(gpu::Effect*, uint32_t* passCount, uint32_t flags)
{
    log("begin " + std::to_string(flags));
    *passCount = passes;
    return result("begin");
}

gpu::Result FakeGpu::beginPass(gpu::Effect*, uint32_t pass)
{
    log("beginPass " + std::to_string(pass));
    return result("beginPass");
}

gpu::Result FakeGpu::setTexture(gpu::Effect*, const char* parameter, gpu::Texture* texture)
{
    FakeResource* r = resource(texture);
    log(std::string("setTexture ") + parameter + " " + (r ? r->path : std::string("none")));
    return result("setTexture");
}

gpu::Result FakeGpu::commitChanges(gpu::Effect*)
{
    log("commitChanges");
    return result("commitChanges");
}

gpu::Result FakeGpu::endPass(gpu::Effect*)
{
    log("endPass");
    return result("endPass");
}

gpu::Result FakeGpu::end(gpu::Effect*)
{
    log("end");
    return result("end");
}

void FakeGpu::release(gpu::Direct3D* object) { releaseResource(object); }
void FakeGpu::release(gpu::Device* object) { releaseResource(object); }
void FakeGpu::release(gpu::VertexDeclaration* object) { releaseResource(object); }
void FakeGpu::release(gpu::VertexBuffer* object) { releaseResource(object); }
void FakeGpu::release(gpu::IndexBuffer* object) { releaseResource(object); }
void FakeGpu::release(gpu::Texture* object) { releaseResource(object); }
void FakeGpu::release(gpu::Effect* object) { releaseResource(object); }

}  // namespace fake
