#include "platform/sdl/gpu_internal.h"

#include <unordered_map>

namespace sdlgpu {

using namespace gpu;

static std::unordered_map<const void*, Kind>& registry()
{
    static std::unordered_map<const void*, Kind> objects;
    return objects;
}

void registerObject(const void* object, Kind kind) { registry()[object] = kind; }
void unregisterObject(const void* object) { registry().erase(object); }

bool isLive(const void* object, Kind kind)
{
    if (!object)
        return false;
    auto it = registry().find(object);
    return it != registry().end() && it->second == kind;
}

bool anyLive(Kind kind)
{
    for (const auto& [object, objectKind] : registry())
        if (objectKind == kind)
            return true;
    return false;
}

bool useDevice(Device* device)
{
    if (!device || !isLive(device, Kind::Device))
        return false;
    if (SDL_GL_GetCurrentContext() != device->context)
        return SDL_GL_MakeCurrent(device->window, device->context) == 0;
    return true;
}

static GLenum cullFace(fx::Cull cull) { return cull == fx::Cull::Cw ? GL_FRONT : GL_BACK; }

static void enable(GLenum capability, bool on) { on ? glEnable(capability) : glDisable(capability); }

void applyState(Device* device, const GlState& wanted)
{
    GlState& now = device->state;
    if (wanted.blend != now.blend)
        enable(GL_BLEND, wanted.blend);
    if (wanted.blendSource != now.blendSource || wanted.blendDestination != now.blendDestination)
        glBlendFunc(wanted.blendSource, wanted.blendDestination);
    if (wanted.depthTest != now.depthTest)
        enable(GL_DEPTH_TEST, wanted.depthTest);
    if (wanted.depthWrite != now.depthWrite)
        glDepthMask(wanted.depthWrite ? GL_TRUE : GL_FALSE);
    if ((wanted.cull == fx::Cull::None) != (now.cull == fx::Cull::None))
        enable(GL_CULL_FACE, wanted.cull != fx::Cull::None);
    if (wanted.cull != fx::Cull::None && cullFace(wanted.cull) != cullFace(now.cull))
        glCullFace(cullFace(wanted.cull));
    if (wanted.program != now.program)
        glUseProgram(wanted.program);
    for (int unit = 0; unit < MAX_TEXTURE_UNITS; unit++) {
        if (wanted.textures[unit] != now.textures[unit]) {
            glActiveTexture(GL_TEXTURE0 + unit);
            glBindTexture(GL_TEXTURE_2D, wanted.textures[unit]);
        }
        if (wanted.samplers[unit] != now.samplers[unit])
            glBindSampler(unit, wanted.samplers[unit]);
    }
    now = wanted;
}

void useClearValues(Device* device, GLbitfield parts)
{
    if (parts & GL_COLOR_BUFFER_BIT) {
        const GLfloat* c = device->clearColor;
        glClearColor(c[0], c[1], c[2], c[3]);
    }
    if (parts & GL_DEPTH_BUFFER_BIT) {
        setClearDepth(device->clearDepth);
        glDepthMask(GL_TRUE);
    }
    if (parts & GL_STENCIL_BUFFER_BIT)
        glClearStencil(device->clearStencil);
}

void doPendingClear(Device* device, GLbitfield parts)
{
    parts &= device->pendingClear;
    if (!parts)
        return;
    device->pendingClear &= ~parts;
    glDisable(GL_SCISSOR_TEST);
    useClearValues(device, parts);
    glClear(parts);
    glDepthMask(device->state.depthWrite ? GL_TRUE : GL_FALSE);
    glEnable(GL_SCISSOR_TEST);
}

void clearBeforeDraw(Device* device)
{
    const bool depth = device->state.depthTest || device->state.depthWrite;
    doPendingClear(device, GL_COLOR_BUFFER_BIT | (depth ? GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT : 0));
}

} // namespace sdlgpu
