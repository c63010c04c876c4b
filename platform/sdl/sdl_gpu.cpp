// The graphics service (sdl_gpu.h): the graphics object and the device (context,
// frame, clear, present, reset) and the service class that routes every call after
// checking its objects; buffers, textures and effects have their own files.
//
// Sections: device state and client area; creating, clearing, resetting and
// releasing a device; the service class (every call of the Gpu interface); entry
// points (createSdlGpu, sdlReadBackBuffer).
#include <algorithm>
#include <cstdio>

#include "platform/sdl/gpu_buffers.h"
#include "platform/sdl/gpu_effect.h"
#include "platform/sdl/gpu_image.h"
#include "platform/sdl/gpu_internal.h"
#include "platform/sdl/gpu_texture.h"
#include "platform/sdl/sdl_gpu.h"
#include "platform/sdl/sdl_os.h"

#ifdef __EMSCRIPTEN__
#include "platform/web/page.h"
#endif

namespace sdlgpu {

using namespace gpu;

// The fresh-device state: what Direct3D 9 starts with. Direct3D calls clockwise
// triangles (as seen on screen) front faces; GL's window space has the same
// handedness as the screen, so front = clockwise there too and "cull ccw" culls
// GL's back faces.
// ---- Device state and client area -------------------------------------------------

static void setDefaultState(Device* device)
{
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glFrontFace(GL_CW);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glUseProgram(0);
    for (int unit = 0; unit < MAX_TEXTURE_UNITS; unit++) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindSampler(unit, 0);
    }
    glActiveTexture(GL_TEXTURE0);
    device->state = GlState{};
    device->declaration = nullptr;
    device->streamBuffer = nullptr;
    device->indices = nullptr;
    device->pass = nullptr;
    device->streamOffset = device->streamStride = 0;
}

// The client area in GL window coordinates (origin bottom left, drawable pixels).
// A window the os service does not know reports no client area: use all of it.
// A blend factor as getRenderState reports it.
static uint32_t blendFactorCode(GLenum factor)
{
    switch (factor) {
    case GL_ZERO: return BLEND_ZERO;
    case GL_SRC_COLOR: return BLEND_SRCCOLOR;
    case GL_ONE_MINUS_SRC_COLOR: return BLEND_INVSRCCOLOR;
    case GL_SRC_ALPHA: return BLEND_SRCALPHA;
    case GL_ONE_MINUS_SRC_ALPHA: return BLEND_INVSRCALPHA;
    case GL_DST_ALPHA: return BLEND_DESTALPHA;
    case GL_ONE_MINUS_DST_ALPHA: return BLEND_INVDESTALPHA;
    case GL_DST_COLOR: return BLEND_DESTCOLOR;
    case GL_ONE_MINUS_DST_COLOR: return BLEND_INVDESTCOLOR;
    default: return BLEND_ONE;
    }
}

static void updateArea(Device* device)
{
    int width = 0, height = 0, drawableWidth = 0, drawableHeight = 0;
    SDL_GetWindowSize(device->window, &width, &height);
    SDL_GL_GetDrawableSize(device->window, &drawableWidth, &drawableHeight);
    ClientArea area = sdlClientAreaOf(device->windowHandle);
    if (area.width <= 0 || area.height <= 0 || width <= 0 || height <= 0)
        area = {0, 0, width, height};
    double sx = width > 0 ? double(drawableWidth) / width : 1.0;
    double sy = height > 0 ? double(drawableHeight) / height : 1.0;
    device->drawable = {0, 0, drawableWidth, drawableHeight};
    Rect& c = device->client;
    c.x = int(area.x * sx);
    c.width = int(area.width * sx);
    c.height = int(area.height * sy);
    c.y = drawableHeight - int((area.y + area.height) * sy);
    glViewport(c.x, c.y, c.width, c.height);
    glScissor(c.x, c.y, c.width, c.height);
    glEnable(GL_SCISSOR_TEST);
}

static void applyParameters(Device* device, const PresentParameters& parameters)
{
    int interval = parameters.presentationInterval == PRESENT_INTERVAL_IMMEDIATE ? 0 : 1;
    if (SDL_GL_SetSwapInterval(interval) != 0 && interval != 0)
        SDL_GL_SetSwapInterval(0);
    updateArea(device);
    setDefaultState(device);
}

// The one-pixel frame around the client area, in a dark grey. Mesa's software
// renderer draws scissored clears as quads: one shader compile at the second
// present, then little. A blit would compile a shader too.
static void paintBorder(Device* device)
{
    const Rect& d = device->drawable;
    const Rect& c = device->client;
    if (c.x == d.x && c.y == d.y && c.width == d.width && c.height == d.height)
        return;
    const Rect strips[] = {
        {0, 0, d.width, c.y},
        {0, c.y + c.height, d.width, d.height - c.y - c.height},
        {0, c.y, c.x, c.height},
        {c.x + c.width, c.y, d.width - c.x - c.width, c.height},
    };
    glClearColor(0.11f, 0.11f, 0.13f, 1.0f);
    for (const Rect& strip : strips) {
        if (strip.width <= 0 || strip.height <= 0)
            continue;
        glScissor(strip.x, strip.y, strip.width, strip.height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glScissor(c.x, c.y, c.width, c.height);
}

// ---- Creating, clearing, resetting and releasing a device -------------------------

#ifdef __EMSCRIPTEN__
constexpr bool CANVAS_CLEARED_BY_BROWSER = true;
constexpr const char* CONTEXT_NAME = "WebGL 2";
static void askForContext()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
}
#else
constexpr bool CANVAS_CLEARED_BY_BROWSER = false;
constexpr const char* CONTEXT_NAME = "OpenGL 3.3 core";
static void askForContext()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
}
#endif

static Result createDevice(Direct3D* direct3d, os::WindowHandle focusWindow, PresentParameters* parameters,
                           Device** out)
{
    if (!out)
        return INVALIDCALL;
    *out = nullptr;
    if (!isLive(direct3d, Kind::Direct3D) || !parameters)
        return INVALIDCALL;
    os::WindowHandle handle = parameters->deviceWindow ? parameters->deviceWindow : focusWindow;
    if (!handle)
        return INVALIDCALL;
    if (!parameters->windowed)
        return NOTAVAILABLE;
    SDL_Window* window = sdlWindowOf(handle);
    askForContext();
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, parameters->enableAutoDepthStencil ? 24 : 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "gpu: no %s context: %s\n", CONTEXT_NAME, SDL_GetError());
        return NOTAVAILABLE;
    }
    if (!glVersionOk()) {
        std::fprintf(stderr, "gpu: OpenGL %s is too old (3.3 needed)\n", glGetString(GL_VERSION));
        SDL_GL_DeleteContext(context);
        return NOTAVAILABLE;
    }
    Device* device = new Device{};
    device->window = window;
    device->windowHandle = handle;
    device->context = context;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &device->maxTextureSize);
    device->whiteTexture = createWhiteTexture();
    applyParameters(device, *parameters);
    registerObject(device, Kind::Device);
    *out = device;
    return OK;
}

static void releaseDevice(Device* device)
{
    useDevice(device);
    for (VertexDeclaration* d : device->declarations)
        destroyDeclaration(d);
    for (VertexBuffer* b : device->vertexBuffers)
        destroyBuffer(&b->buffer);
    for (IndexBuffer* b : device->indexBuffers)
        destroyBuffer(&b->buffer);
    for (Texture* t : device->textures)
        destroyTexture(t);
    for (Effect* e : device->effects)
        destroyEffect(e);
    glDeleteTextures(1, &device->whiteTexture);
    if (SDL_GL_GetCurrentContext() == device->context)
        SDL_GL_MakeCurrent(device->window, nullptr);
    SDL_GL_DeleteContext(device->context);
    unregisterObject(device);
    delete device;
}

static Result clear(Device* device, uint32_t rectCount, const void* rects, uint32_t flags, uint32_t color, float z,
                    uint32_t stencil)
{
    if (!useDevice(device))
        return INVALIDCALL;
    if ((flags & (CLEAR_TARGET | CLEAR_ZBUFFER | CLEAR_STENCIL)) == 0 || (rectCount > 0 && !rects))
        return INVALIDCALL;
    GLbitfield mask = 0;
    if (flags & CLEAR_TARGET)
        mask |= GL_COLOR_BUFFER_BIT;
    if (flags & CLEAR_ZBUFFER)
        mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & CLEAR_STENCIL)
        mask |= GL_STENCIL_BUFFER_BIT;
    // Rectangles come after any whole clear of the same parts still pending.
    if (rectCount > 0)
        doPendingClear(device, mask);
    if (mask & GL_COLOR_BUFFER_BIT) {
        GLfloat* c = device->clearColor;
        c[0] = ((color >> 16) & 255) / 255.0f;
        c[1] = ((color >> 8) & 255) / 255.0f;
        c[2] = (color & 255) / 255.0f;
        c[3] = (color >> 24) / 255.0f;
    }
    if (mask & GL_DEPTH_BUFFER_BIT)
        device->clearDepth = std::clamp(z, 0.0f, 1.0f);
    if (mask & GL_STENCIL_BUFFER_BIT)
        device->clearStencil = GLint(stencil & 255);
    if (rectCount == 0) {
        // All of the surface: kept to be done when needed (clearBeforeDraw). Done,
        // it is a plain fill: a scissored clear is drawn as a quad by Mesa's
        // software renderer. present() paints the border around the client area.
        device->pendingClear |= mask;
        return OK;
    }
    useClearValues(device, mask);
    // Rectangles are {left, top, right, bottom} in client pixels, y down.
    const Rect& c = device->client;
    const int32_t* r = static_cast<const int32_t*>(rects);
    for (uint32_t i = 0; i < rectCount; i++, r += 4) {
        int left = std::clamp(int(r[0]), 0, c.width), right = std::clamp(int(r[2]), 0, c.width);
        int top = std::clamp(int(r[1]), 0, c.height), bottom = std::clamp(int(r[3]), 0, c.height);
        if (right <= left || bottom <= top)
            continue;
        glScissor(c.x + left, c.y + c.height - bottom, right - left, bottom - top);
        glClear(mask);
    }
    glScissor(c.x, c.y, c.width, c.height);
    glDepthMask(device->state.depthWrite ? GL_TRUE : GL_FALSE);
    return OK;
}

static Result reset(Device* device, PresentParameters* parameters)
{
    if (!useDevice(device) || !parameters)
        return INVALIDCALL;
    // Direct3D 9 refuses a reset while default-pool resources live; refusing too
    // keeps callers that forget to release them from working here only.
    for (VertexBuffer* b : device->vertexBuffers)
        if (b->buffer.pool == POOL_DEFAULT)
            return INVALIDCALL;
    for (IndexBuffer* b : device->indexBuffers)
        if (b->buffer.pool == POOL_DEFAULT)
            return INVALIDCALL;
    for (Texture* t : device->textures)
        if (t->framebuffer != 0)
            return INVALIDCALL;
    if (!parameters->windowed)
        return NOTAVAILABLE;
    applyParameters(device, *parameters);
    device->inScene = false;
    return OK;
}

template <typename T>
static void forget(std::vector<T*>* list, T* object)
{
    list->erase(std::remove(list->begin(), list->end(), object), list->end());
}

// Routes every call; objects are checked against the registry before use.
// ---- The service class ------------------------------------------------------------

class SdlGpu : public Gpu {
public:
    ImagesAhead imagesAhead;

    Direct3D* create(uint32_t sdkVersion) override
    {
        if (sdkVersion != SDK_VERSION)
            return nullptr;
        bool started = false;
        if (!SDL_WasInit(SDL_INIT_VIDEO)) {
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
                std::fprintf(stderr, "gpu: SDL video does not start: %s\n", SDL_GetError());
                return nullptr;
            }
            started = true;
        }
        Direct3D* direct3d = new Direct3D{started, 0};
        registerObject(direct3d, Kind::Direct3D);
        return direct3d;
    }

    Result getDeviceCaps(Direct3D* direct3d, uint32_t adapter, uint32_t, DeviceCaps* caps) override
    {
        if (!isLive(direct3d, Kind::Direct3D) || adapter != ADAPTER_DEFAULT || !caps)
            return INVALIDCALL;
        if (direct3d->maxTextureSize == 0)
            direct3d->maxTextureSize = probeMaxTextureSize();
        caps->maxTextureWidth = caps->maxTextureHeight = direct3d->maxTextureSize;
        return OK;
    }

    Result createDevice(Direct3D* direct3d, uint32_t adapter, uint32_t, os::WindowHandle focusWindow, uint32_t,
                        PresentParameters* parameters, Device** device) override
    {
        if (adapter != ADAPTER_DEFAULT) {
            if (device)
                *device = nullptr;
            return INVALIDCALL;
        }
        return sdlgpu::createDevice(direct3d, focusWindow, parameters, device);
    }

    Result testCooperativeLevel(Device* device) override { return isLive(device, Kind::Device) ? OK : INVALIDCALL; }

    Result reset(Device* device, PresentParameters* parameters) override { return sdlgpu::reset(device, parameters); }

    Result beginScene(Device* device) override
    {
        if (!useDevice(device) || device->inScene)
            return INVALIDCALL;
        // Follow the window if its size or the display's scale changed.
        updateArea(device);
        device->inScene = true;
        return OK;
    }

    Result clear(Device* device, uint32_t rectCount, const void* rects, uint32_t flags, uint32_t color, float z,
                 uint32_t stencil) override
    {
        return sdlgpu::clear(device, rectCount, rects, flags, color, z, stencil);
    }

    Result endScene(Device* device) override
    {
        if (!useDevice(device) || !device->inScene)
            return INVALIDCALL;
        device->inScene = false;
        // The scene goes to the driver now, as Direct3D queues it here: a software
        // renderer draws it on its threads while the caller does other things.
        glFlush();
        return OK;
    }

    Result present(Device* device) override
    {
        if (!useDevice(device))
            return INVALIDCALL;
        // The border's clears make llvmpipe compile a shader variant of their own
        // (about 30 ms): the first frame goes out without it, so the picture comes
        // that much sooner, and every later frame has it.
        doPendingClear(device, GL_COLOR_BUFFER_BIT);
        if (device->presented)
            paintBorder(device);
        device->presented = true;
        SDL_GL_SwapWindow(device->window);
#ifdef __EMSCRIPTEN__
        pageFramePresented();
#endif
        return OK;
    }

    Result createVertexDeclaration(Device* device, const VertexElement* elements,
                                   VertexDeclaration** declaration) override
    {
        return sdlgpu::createVertexDeclaration(device, elements, declaration);
    }

    Result createVertexBuffer(Device* device, uint32_t length, uint32_t usage, uint32_t, uint32_t pool,
                              VertexBuffer** out) override
    {
        if (!out)
            return INVALIDCALL;
        *out = nullptr;
        VertexBuffer buffer{};
        Result result = createBuffer(device, length, usage, pool, false, &buffer.buffer);
        if (failed(result))
            return result;
        *out = new VertexBuffer(std::move(buffer));
        device->vertexBuffers.push_back(*out);
        registerObject(*out, Kind::VertexBuffer);
        return OK;
    }

    Result createIndexBuffer(Device* device, uint32_t length, uint32_t usage, uint32_t format, uint32_t pool,
                             IndexBuffer** out) override
    {
        if (!out)
            return INVALIDCALL;
        *out = nullptr;
        if (format != FMT_INDEX16 && format != FMT_INDEX32)
            return INVALIDCALL;
        IndexBuffer buffer{};
        buffer.indexSize = format == FMT_INDEX16 ? 2 : 4;
        Result result = createBuffer(device, length, usage, pool, true, &buffer.buffer);
        if (failed(result))
            return result;
        *out = new IndexBuffer(std::move(buffer));
        device->indexBuffers.push_back(*out);
        registerObject(*out, Kind::IndexBuffer);
        return OK;
    }

    Result lock(VertexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags) override
    {
        if (data)
            *data = nullptr;
        if (!isLive(buffer, Kind::VertexBuffer) || !useDevice(buffer->buffer.device))
            return INVALIDCALL;
        return lockBuffer(&buffer->buffer, offset, size, data, flags);
    }

    Result unlock(VertexBuffer* buffer) override
    {
        if (!isLive(buffer, Kind::VertexBuffer) || !useDevice(buffer->buffer.device))
            return INVALIDCALL;
        return unlockBuffer(&buffer->buffer);
    }

    Result lock(IndexBuffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags) override
    {
        if (data)
            *data = nullptr;
        if (!isLive(buffer, Kind::IndexBuffer) || !useDevice(buffer->buffer.device))
            return INVALIDCALL;
        return lockBuffer(&buffer->buffer, offset, size, data, flags);
    }

    Result unlock(IndexBuffer* buffer) override
    {
        if (!isLive(buffer, Kind::IndexBuffer) || !useDevice(buffer->buffer.device))
            return INVALIDCALL;
        Result result = unlockBuffer(&buffer->buffer);
        if (!failed(result))
            scanIndices(buffer);
        return result;
    }

    Result setVertexDeclaration(Device* device, VertexDeclaration* declaration) override
    {
        if (!isLive(device, Kind::Device) || (declaration && !isLive(declaration, Kind::Declaration)) ||
            (declaration && declaration->device != device))
            return INVALIDCALL;
        device->declaration = declaration;
        return OK;
    }

    Result setStreamSource(Device* device, uint32_t stream, VertexBuffer* buffer, uint32_t offset,
                           uint32_t stride) override
    {
        if (!isLive(device, Kind::Device) || stream != 0 || (buffer && !isLive(buffer, Kind::VertexBuffer)) ||
            (buffer && buffer->buffer.device != device))
            return INVALIDCALL;
        device->streamBuffer = buffer;
        device->streamOffset = offset;
        device->streamStride = stride;
        return OK;
    }

    Result setIndices(Device* device, IndexBuffer* buffer) override
    {
        if (!isLive(device, Kind::Device) || (buffer && !isLive(buffer, Kind::IndexBuffer)) ||
            (buffer && buffer->buffer.device != device))
            return INVALIDCALL;
        device->indices = buffer;
        return OK;
    }

    Result drawIndexedPrimitive(Device* device, uint32_t primitiveType, int32_t baseVertexIndex, uint32_t, uint32_t,
                                uint32_t startIndex, uint32_t primitiveCount) override
    {
        if (!useDevice(device))
            return INVALIDCALL;
        return drawIndexed(device, primitiveType, baseVertexIndex, startIndex, primitiveCount);
    }

    Result createTextureFromFile(Device* device, const char* path, Texture** texture) override
    {
        return sdlgpu::createTextureFromFile(device, path, &imagesAhead, texture);
    }

    Result getLevelDesc(Texture* texture, uint32_t level, SurfaceDesc* desc) override
    {
        if (!isLive(texture, Kind::Texture) || !desc || level >= 32 ||
            (texture->width >> level == 0 && texture->height >> level == 0))
            return INVALIDCALL;
        desc->width = std::max(texture->width >> level, 1u);
        desc->height = std::max(texture->height >> level, 1u);
        return OK;
    }

    Result setMipmapping(Device* device, uint32_t sampler, bool enabled) override
    {
        return sdlgpu::setMipmapping(device, sampler, enabled);
    }

    Result getRenderState(Device* device, uint32_t state, uint32_t* value) override
    {
        if (!isLive(device, Kind::Device) || !value)
            return INVALIDCALL;
        if (state == RS_ZENABLE)
            *value = device->state.depthTest ? 1 : 0;
        else if (state == RS_ZWRITEENABLE)
            *value = device->state.depthWrite ? 1 : 0;
        else if (state == RS_ALPHABLENDENABLE)
            *value = device->state.blend ? 1 : 0;
        else if (state == RS_SRCBLEND)
            *value = blendFactorCode(device->state.blendSource);
        else if (state == RS_DESTBLEND)
            *value = blendFactorCode(device->state.blendDestination);
        else
            return INVALIDCALL;
        return OK;
    }

    Result getBackBufferDesc(Device* device, SurfaceDesc* desc) override
    {
        if (!isLive(device, Kind::Device) || !desc)
            return INVALIDCALL;
        desc->width = uint32_t(std::max(device->client.width, 0));
        desc->height = uint32_t(std::max(device->client.height, 0));
        return OK;
    }

    Result createTexture(Device* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                         uint32_t format, uint32_t pool, Texture** texture) override
    {
        if (!texture)
            return INVALIDCALL;
        *texture = nullptr;
        if (!useDevice(device) || levels > 1 || usage != USAGE_RENDERTARGET || format != FMT_X8R8G8B8 ||
            pool != POOL_DEFAULT)
            return INVALIDCALL;
        return createRenderTarget(device, width, height, texture);
    }

    Result stretchRect(Device* device, Texture* source, Texture* destination) override
    {
        auto isTarget = [&](Texture* t) { return isLive(t, Kind::Texture) && t->device == device && t->framebuffer; };
        if (!useDevice(device) || (!source && !destination) || (source && !isTarget(source)) ||
            (destination && !isTarget(destination)) || source == destination)
            return INVALIDCALL;
        auto area = [&](const Texture* t) { return t ? Rect{0, 0, int(t->width), int(t->height)} : device->client; };
        const Rect from = area(source), to = area(destination);
        // A copy onto the whole client area leaves nothing of a colour clear there,
        // and present() paints the border around it (after the first frame). Not in
        // a browser: it clears a shown canvas itself at the first draw after a copy,
        // unless a clear came first.
        if (!destination && device->presented && !CANVAS_CLEARED_BY_BROWSER)
            device->pendingClear &= ~GLbitfield(GL_COLOR_BUFFER_BIT);
        else if (!source || !destination)
            doPendingClear(device, GL_COLOR_BUFFER_BIT);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, source ? source->framebuffer : 0);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, destination ? destination->framebuffer : 0);
        if (!source)
            glReadBuffer(GL_BACK);
        // A copy reaches the whole destination, whatever the scissor says.
        glDisable(GL_SCISSOR_TEST);
        glBlitFramebuffer(from.x, from.y, from.x + from.width, from.y + from.height, to.x, to.y, to.x + to.width,
                          to.y + to.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glEnable(GL_SCISSOR_TEST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return OK;
    }

    Result createEffectFromFile(Device* device, const char* path, Effect** effect) override
    {
        return sdlgpu::createEffectFromFile(device, path, effect);
    }

    TechniqueHandle getTechniqueByName(Effect* effect, const char* name) override
    {
        return techniqueByName(effect, name);
    }

    Result setTechnique(Effect* effect, TechniqueHandle technique) override
    {
        return sdlgpu::setTechnique(effect, technique);
    }

    Result begin(Effect* effect, uint32_t* passes, uint32_t) override { return beginEffect(effect, passes); }
    Result beginPass(Effect* effect, uint32_t pass) override { return sdlgpu::beginPass(effect, pass); }

    Result setTexture(Effect* effect, const char* parameter, Texture* texture) override
    {
        return setEffectTexture(effect, parameter, texture);
    }

    Result commitChanges(Effect* effect) override { return sdlgpu::commitChanges(effect); }
    Result endPass(Effect* effect) override { return sdlgpu::endPass(effect); }
    Result end(Effect* effect) override { return endEffect(effect); }

    void release(Direct3D* object) override
    {
        if (!isLive(object, Kind::Direct3D))
            return;
        unregisterObject(object);
        // Video stays up while any device lives; SDL counts subsystem users.
        if (object->startedVideo && !anyDevice())
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        delete object;
    }

    void release(Device* object) override
    {
        if (isLive(object, Kind::Device))
            releaseDevice(object);
    }

    void release(VertexDeclaration* object) override
    {
        if (!isLive(object, Kind::Declaration))
            return;
        if (Device* device = object->device; device && useDevice(device)) {
            forget(&device->declarations, object);
            if (device->declaration == object)
                device->declaration = nullptr;
            destroyDeclaration(object);
        }
        unregisterObject(object);
        delete object;
    }

    void release(VertexBuffer* object) override
    {
        if (!isLive(object, Kind::VertexBuffer))
            return;
        if (Device* device = object->buffer.device; device && useDevice(device)) {
            forget(&device->vertexBuffers, object);
            if (device->streamBuffer == object)
                device->streamBuffer = nullptr;
            destroyBuffer(&object->buffer);
        }
        unregisterObject(object);
        delete object;
    }

    void release(IndexBuffer* object) override
    {
        if (!isLive(object, Kind::IndexBuffer))
            return;
        if (Device* device = object->buffer.device; device && useDevice(device)) {
            forget(&device->indexBuffers, object);
            if (device->indices == object)
                device->indices = nullptr;
            destroyBuffer(&object->buffer);
        }
        unregisterObject(object);
        delete object;
    }

    void release(Texture* object) override
    {
        if (!isLive(object, Kind::Texture))
            return;
        if (Device* device = object->device; device && useDevice(device)) {
            forget(&device->textures, object);
            destroyTexture(object);
        }
        unregisterObject(object);
        delete object;
    }

    void release(Effect* object) override
    {
        if (!isLive(object, Kind::Effect))
            return;
        if (Device* device = object->device; device && useDevice(device)) {
            forget(&device->effects, object);
            destroyEffect(object);
        }
        unregisterObject(object);
        delete object;
    }

private:
    static bool anyDevice() { return anyLive(Kind::Device); }

#ifdef __EMSCRIPTEN__
    // The page has one canvas, the window's: the browser answers for a context of
    // its own. 2048 is what every WebGL 2 context guarantees.
    static uint32_t probeMaxTextureSize() { return std::max(pageMaxTextureSize(), 2048u); }
#else
    // Direct3D reports caps before any device exists, so ask a throw-away hidden
    // window's context; 1024 is what every OpenGL 3.3 context guarantees.
    static uint32_t probeMaxTextureSize()
    {
        SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
        SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
        GLint size = 1024;
        askForContext();
        SDL_Window* window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window) {
            if (SDL_GLContext context = SDL_GL_CreateContext(window)) {
                glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
                SDL_GL_MakeCurrent(window, nullptr);
                SDL_GL_DeleteContext(context);
            }
            SDL_DestroyWindow(window);
        }
        if (previousContext)
            SDL_GL_MakeCurrent(previousWindow, previousContext);
        return uint32_t(std::max(size, 1024));
    }
#endif
};

}  // namespace sdlgpu

// ---- Entry points -----------------------------------------------------------------

gpu::Gpu* createSdlGpu(const std::vector<std::string>& decodeAhead)
{
    auto* service = new sdlgpu::SdlGpu();
    service->imagesAhead.start(decodeAhead);
    return service;
}

bool sdlReadBackBuffer(gpu::Device* device, int* width, int* height, std::vector<uint8_t>* rgba)
{
    if (!sdlgpu::useDevice(device) || !width || !height || !rgba)
        return false;
    const sdlgpu::Rect& c = device->client;
    std::vector<uint8_t> rows(size_t(c.width) * c.height * 4);
    sdlgpu::doPendingClear(device, GL_COLOR_BUFFER_BIT);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(c.x, c.y, c.width, c.height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    // GL reads bottom row first.
    size_t stride = size_t(c.width) * 4;
    rgba->resize(rows.size());
    for (int y = 0; y < c.height; y++)
        std::copy_n(rows.data() + size_t(c.height - 1 - y) * stride, stride, rgba->data() + size_t(y) * stride);
    *width = c.width;
    *height = c.height;
    return glGetError() == GL_NO_ERROR;
}
