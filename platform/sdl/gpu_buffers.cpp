// Vertex declarations, vertex and index buffers, and the indexed draw.
//
// A buffer keeps a CPU copy: lock hands out a pointer into it and unlock uploads
// the locked range (after orphaning the GL storage on a discard lock, so the
// driver never waits for draws still reading the old contents). The copy also
// lets a draw check its indices against the vertex buffer, so a bad draw fails
// instead of reading past the end of GPU memory.
#include "platform/sdl/gpu_buffers.h"

#include <algorithm>
#include <new>

#include "platform/sdl/gpu_internal.h"

namespace sdlgpu {

using namespace gpu;

constexpr uint32_t MAX_BUFFER_BYTES = 512u << 20;
constexpr int MAX_ELEMENTS = 64;  // a declaration without an end marker within reach is garbage

static int componentsOf(uint8_t type)
{
    switch (type) {
    case DECLTYPE_FLOAT2: return 2;
    case DECLTYPE_FLOAT3: return 3;
    case DECLTYPE_FLOAT4: return 4;
    default: return 0;
    }
}

// The attribute locations the effect shaders declare with layout(location = N).
static int locationOf(uint8_t usage)
{
    switch (usage) {
    case DECLUSAGE_POSITION: return 0;
    case DECLUSAGE_TEXCOORD: return 1;
    case DECLUSAGE_COLOR: return 2;
    default: return -1;
    }
}

Result createVertexDeclaration(Device* device, const VertexElement* elements, VertexDeclaration** out)
{
    if (!out)
        return INVALIDCALL;
    *out = nullptr;
    if (!useDevice(device) || !elements)
        return INVALIDCALL;
    VertexDeclaration declaration{};
    declaration.device = device;
    bool used[3] = {};
    for (int i = 0;; i++) {
        if (i == MAX_ELEMENTS)
            return INVALIDCALL;
        const VertexElement& e = elements[i];
        if (e.stream == DECL_END.stream)
            break;
        int components = componentsOf(e.type);
        int location = locationOf(e.usage);
        if (e.stream != 0 || e.method != DECLMETHOD_DEFAULT || e.usageIndex != 0 || components == 0 ||
            location < 0 || used[location])
            return INVALIDCALL;
        used[location] = true;
        declaration.attributes.push_back({GLuint(location), components, e.offset});
        declaration.bytesPerVertex =
            std::max(declaration.bytesPerVertex, uint32_t(e.offset) + uint32_t(components) * 4);
    }
    if (declaration.attributes.empty())
        return INVALIDCALL;
    glGenVertexArrays(1, &declaration.vao);
    *out = new VertexDeclaration(std::move(declaration));
    device->declarations.push_back(*out);
    registerObject(*out, Kind::Declaration);
    return OK;
}

void destroyDeclaration(VertexDeclaration* declaration)
{
    glDeleteVertexArrays(1, &declaration->vao);
    declaration->vao = 0;
    declaration->device = nullptr;
}

Result createBuffer(Device* device, uint32_t length, uint32_t usage, uint32_t pool, bool indices, Buffer* buffer)
{
    if (!useDevice(device) || length == 0)
        return INVALIDCALL;
    if (length > MAX_BUFFER_BYTES)
        return E_OUTOFMEMORY;
    try {
        buffer->staging.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    clearGlErrors();
    glGenBuffers(1, &buffer->name);
    const GLenum target = indices ? FIRST_INDEX_BUFFER_TARGET : GL_COPY_WRITE_BUFFER;
    glBindBuffer(target, buffer->name);
    glBufferData(target, length, nullptr, (usage & USAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &buffer->name);
        return E_OUTOFMEMORY;
    }
    buffer->device = device;
    buffer->pool = pool;
    buffer->usage = usage;
    return OK;
}

void destroyBuffer(Buffer* buffer)
{
    // A VAO keeps pointing at a deleted buffer, and the name may come back for a
    // new one: forget every attribute set-up that used it.
    for (VertexDeclaration* declaration : buffer->device->declarations)
        if (declaration->boundBuffer == buffer->name)
            declaration->boundBuffer = 0;
    glDeleteBuffers(1, &buffer->name);
    buffer->name = 0;
    buffer->device = nullptr;
    buffer->staging = {};
}

Result lockBuffer(Buffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags)
{
    uint32_t length = uint32_t(buffer->staging.size());
    if (!data || buffer->locked || offset > length)
        return INVALIDCALL;
    if (size == 0)
        size = length - offset;
    if (size > length - offset)
        return INVALIDCALL;
    buffer->locked = true;
    buffer->discard = (flags & LOCK_DISCARD) != 0;
    buffer->lockOffset = offset;
    buffer->lockSize = size;
    *data = buffer->staging.data() + offset;
    return OK;
}

Result unlockBuffer(Buffer* buffer)
{
    if (!buffer->locked)
        return INVALIDCALL;
    buffer->locked = false;
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer->name);
    if (buffer->discard)
        glBufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(buffer->staging.size()), nullptr,
                     (buffer->usage & USAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    if (buffer->lockSize > 0)
        glBufferSubData(GL_COPY_WRITE_BUFFER, buffer->lockOffset, buffer->lockSize,
                        buffer->staging.data() + buffer->lockOffset);
    return OK;
}

static uint32_t indexAt(const IndexBuffer* indices, size_t i)
{
    const uint8_t* p = indices->buffer.staging.data() + i * indices->indexSize;
    if (indices->indexSize == 2)
        return uint32_t(p[0] | p[1] << 8);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

static void indexRange(const IndexBuffer* indices, size_t first, size_t count, uint32_t* low, uint32_t* high)
{
    *low = UINT32_MAX;
    *high = 0;
    for (size_t i = first; i < first + count; i++) {
        uint32_t index = indexAt(indices, i);
        *low = std::min(*low, index);
        *high = std::max(*high, index);
    }
}

void scanIndices(IndexBuffer* indices)
{
    indexRange(indices, 0, indices->buffer.staging.size() / indices->indexSize, &indices->minIndex,
               &indices->maxIndex);
}

// Every vertex the draw can reach must lie inside the vertex buffer: the whole
// index buffer's range is checked first, the drawn indices only if that fails.
static bool indicesFit(const Device* device, const IndexBuffer* indices, int64_t base, uint32_t startIndex,
                       uint32_t count)
{
    const VertexDeclaration* declaration = device->declaration;
    int64_t length = int64_t(device->streamBuffer->buffer.staging.size());
    int64_t firstByte = int64_t(device->streamOffset);
    if (firstByte + declaration->bytesPerVertex > length)
        return false;
    int64_t vertices = (length - firstByte - declaration->bytesPerVertex) / device->streamStride + 1;
    auto fits = [&](uint32_t low, uint32_t high) { return base + low >= 0 && base + high < vertices; };
    if (fits(indices->minIndex, indices->maxIndex))
        return true;
    uint32_t low, high;
    indexRange(indices, startIndex, count, &low, &high);
    return fits(low, high);
}

// Points the declaration's attributes at the stream, vertex 0 at `firstByte`.
static void bindStream(Device* device, uint32_t firstByte)
{
    VertexDeclaration* declaration = device->declaration;
    glBindVertexArray(declaration->vao);
    GLuint name = device->streamBuffer->buffer.name;
    if (declaration->boundBuffer == name && declaration->boundOffset == firstByte &&
        declaration->boundStride == device->streamStride)
        return;
    glBindBuffer(GL_ARRAY_BUFFER, name);
    for (const Attribute& a : declaration->attributes) {
        uintptr_t offset = firstByte + a.offset;
        glVertexAttribPointer(a.location, a.components, GL_FLOAT, GL_FALSE, GLsizei(device->streamStride),
                              reinterpret_cast<const void*>(offset));
        glEnableVertexAttribArray(a.location);
    }
    declaration->boundBuffer = name;
    declaration->boundOffset = firstByte;
    declaration->boundStride = device->streamStride;
}

#ifdef __EMSCRIPTEN__
// A base vertex that reaches before the stream's start cannot move the attributes
// there: the drawn indices are moved by it instead, in a buffer of their own.
static Result drawRebased(Device* device, int32_t baseVertexIndex, uint32_t startIndex, uint32_t count)
{
    std::vector<uint32_t> rebased(count);
    for (uint32_t i = 0; i < count; i++)
        rebased[i] = uint32_t(int64_t(indexAt(device->indices, startIndex + i)) + baseVertexIndex);
    bindStream(device, device->streamOffset);
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(count * sizeof(uint32_t)), rebased.data(), GL_STREAM_DRAW);
    glDrawElements(GL_TRIANGLES, GLsizei(count), GL_UNSIGNED_INT, nullptr);
    glDeleteBuffers(1, &name);
    return OK;
}
#endif

Result drawIndexed(Device* device, uint32_t primitiveType, int32_t baseVertexIndex, uint32_t startIndex,
                   uint32_t primitiveCount)
{
    IndexBuffer* indices = device->indices;
    if (primitiveType != PT_TRIANGLELIST || !device->declaration || !device->streamBuffer || !indices ||
        device->streamStride == 0 || device->streamBuffer->buffer.locked || indices->buffer.locked)
        return INVALIDCALL;
    if (primitiveCount == 0)
        return OK;
    uint64_t count = uint64_t(primitiveCount) * 3;
    uint64_t indexCount = indices->buffer.staging.size() / indices->indexSize;
    if (count > indexCount || startIndex > indexCount - count)
        return INVALIDCALL;
    if (!indicesFit(device, indices, baseVertexIndex, startIndex, uint32_t(count)))
        return INVALIDCALL;
    clearBeforeDraw(device);
    const GLenum type = indices->indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    const uintptr_t byteOffset = uintptr_t(startIndex) * indices->indexSize;
#ifdef __EMSCRIPTEN__
    // ES 3.0 has no base vertex: the attributes start at it instead.
    int64_t firstByte = int64_t(device->streamOffset) + int64_t(baseVertexIndex) * device->streamStride;
    if (firstByte < 0)
        return drawRebased(device, baseVertexIndex, startIndex, uint32_t(count));
    bindStream(device, uint32_t(firstByte));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->buffer.name);
    glDrawElements(GL_TRIANGLES, GLsizei(count), type, reinterpret_cast<const void*>(byteOffset));
#else
    bindStream(device, device->streamOffset);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->buffer.name);
    glDrawElementsBaseVertex(GL_TRIANGLES, GLsizei(count), type, reinterpret_cast<const void*>(byteOffset),
                             baseVertexIndex);
#endif
    return OK;
}

} // namespace sdlgpu
