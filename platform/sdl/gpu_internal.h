// gpu_internal: the objects of the OpenGL graphics service, shared by its sources,
// with their registry and the device's shadow of the OpenGL state.
//
// Every object handed out is registered with its kind while it lives, so a call
// with a null, released or wrong-kind pointer is answered with a failure code
// instead of touching freed memory. The device keeps a shadow of the OpenGL state
// it has set (the service is the only OpenGL user), so an effect can save and
// restore state without reading it back from the driver.
#pragma once
#include <SDL2/SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu.h"
#include "platform/sdl/effect_language.h"
#include "platform/sdl/gpu_gl.h"

namespace sdlgpu {

constexpr int MAX_TEXTURE_UNITS = 16;
constexpr uint32_t CLEAR_STENCIL = 4;
constexpr uint32_t PRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

enum class Kind { Direct3D, Device, Declaration, VertexBuffer, IndexBuffer, Texture, Effect };

void registerObject(const void* object, Kind kind);
void unregisterObject(const void* object);
bool isLive(const void* object, Kind kind);
bool anyLive(Kind kind);

// The OpenGL state that effects change; `program` 0 and texture 0 are "none".
struct GlState {
    bool blend = false;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    bool depthTest = true;
    bool depthWrite = true;
    fx::Cull cull = fx::Cull::Ccw;
    GLuint program = 0;
    GLuint textures[MAX_TEXTURE_UNITS] = {};
    GLuint samplers[MAX_TEXTURE_UNITS] = {};
};

struct Rect {
    int x, y, width, height;  // GL window coordinates: origin at the bottom left
};

} // namespace sdlgpu

namespace gpu {

struct PassProgram;

struct Direct3D {
    bool startedVideo;  // this object initialised SDL video and quits it on release
    uint32_t maxTextureSize;  // 0 until queried
};

struct Device {
    SDL_Window* window;
    os::WindowHandle windowHandle;
    SDL_GLContext context;
    GLint maxTextureSize;
    sdlgpu::Rect drawable;  // the whole window
    sdlgpu::Rect client;    // where the device draws
    bool inScene;
    bool presented;  // a frame has been shown
    // A clear of the whole surface not done yet (GL_*_BUFFER_BIT parts, with their
    // values): done before anything draws into, reads or shows what it clears. A
    // copy over the whole client area drops its colour part, and the depth part
    // waits while nothing tests or writes depth, so a frame that begins with the
    // layer's copy and draws without depth fills no pixel twice.
    GLbitfield pendingClear;
    GLfloat clearColor[4];
    GLfloat clearDepth;
    GLint clearStencil;
    sdlgpu::GlState state;
    GLuint whiteTexture;
    VertexDeclaration* declaration;
    VertexBuffer* streamBuffer;
    uint32_t streamOffset;
    uint32_t streamStride;
    IndexBuffer* indices;
    const PassProgram* pass;  // the effect pass running, or null
    // Children, so a released device can free their OpenGL objects while its context still exists.
    std::vector<VertexDeclaration*> declarations;
    std::vector<VertexBuffer*> vertexBuffers;
    std::vector<IndexBuffer*> indexBuffers;
    std::vector<Texture*> textures;
    std::vector<Effect*> effects;
};

struct Attribute {
    GLuint location;
    GLint components;
    uint32_t offset;
};

struct VertexDeclaration {
    Device* device;  // null once the device is gone
    std::vector<Attribute> attributes;
    uint32_t bytesPerVertex;  // end of the furthest element
    GLuint vao;
    // What the VAO's attribute pointers were last set up for.
    GLuint boundBuffer;
    uint32_t boundOffset;
    uint32_t boundStride;
};

// Shared by vertex and index buffers: a GL buffer with a CPU copy that locks
// write into and unlock uploads.
struct Buffer {
    Device* device;
    GLuint name;
    uint32_t pool;
    uint32_t usage;
    std::vector<uint8_t> staging;
    bool locked;
    bool discard;
    uint32_t lockOffset;
    uint32_t lockSize;
};

struct VertexBuffer {
    Buffer buffer;
};

struct IndexBuffer {
    Buffer buffer;
    uint32_t indexSize;  // 2 or 4
    // Range of the indices written, for a cheap bounds check at draw time.
    uint32_t minIndex;
    uint32_t maxIndex;
};

struct Texture {
    Device* device;
    GLuint name;
    uint32_t width, height;  // level 0, in texels
    GLuint framebuffer = 0;  // a render target's; 0 for a picture
};

struct PassProgram {
    GLuint program;
    GLuint samplers[sdlgpu::MAX_TEXTURE_UNITS];
    // The same samplers without mip levels, for setMipmapping(.., false).
    GLuint fullSizeSamplers[sdlgpu::MAX_TEXTURE_UNITS];
};

struct Technique {
    fx::TechniqueDesc desc;
    std::vector<PassProgram> passes;
};

struct Effect {
    Device* device;
    std::vector<std::string> textureNames;
    std::vector<Texture*> textures;  // bound to unit i while a pass runs; null = white
    std::vector<Technique> techniques;
    const Technique* technique;
    bool begun;
    int pass;  // -1 outside a pass
    sdlgpu::GlState saved;
};

} // namespace gpu

namespace sdlgpu {

// Drops errors left by earlier calls, so the next glGetError() speaks of one call.
inline void clearGlErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; i++) {
    }
}

// Makes the device's context current; false if the device is gone.
bool useDevice(gpu::Device* device);
void applyState(gpu::Device* device, const GlState& wanted);
// Sets GL's clear values (and depth writes) from the device's, for `parts`.
void useClearValues(gpu::Device* device, GLbitfield parts);
// Does the parts of the pending clear in `parts`, leaving the rest pending.
void doPendingClear(gpu::Device* device, GLbitfield parts);
// Before a draw: the pending colour clear, and the depth and stencil ones when the
// draw tests or writes depth.
void clearBeforeDraw(gpu::Device* device);

} // namespace sdlgpu
