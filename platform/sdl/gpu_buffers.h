// gpu_buffers: vertex declarations, vertex and index buffers and the indexed draw
// of the OpenGL graphics service. A buffer keeps a CPU copy that a lock writes into
// and the unlock uploads; the indices written are scanned so a draw can be checked
// against the vertices bound.
#pragma once
#include <cstdint>

#include "platform/sdl/gpu_internal.h"

namespace sdlgpu {

gpu::Result createVertexDeclaration(gpu::Device* device, const gpu::VertexElement* elements,
                                    gpu::VertexDeclaration** declaration);
gpu::Result createBuffer(gpu::Device* device, uint32_t length, uint32_t usage, uint32_t pool, bool indices,
                         gpu::Buffer* buffer);
gpu::Result lockBuffer(gpu::Buffer* buffer, uint32_t offset, uint32_t size, void** data, uint32_t flags);
gpu::Result unlockBuffer(gpu::Buffer* buffer);
void scanIndices(gpu::IndexBuffer* indices);
gpu::Result drawIndexed(gpu::Device* device, uint32_t primitiveType, int32_t baseVertexIndex, uint32_t startIndex,
                        uint32_t primitiveCount);
void destroyDeclaration(gpu::VertexDeclaration* declaration);
void destroyBuffer(gpu::Buffer* buffer);

} // namespace sdlgpu
