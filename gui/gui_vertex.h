// GuiVertex: one vertex of the GUI's quads, 36 bytes, laid out as the vertex
// declaration describes it to the device (the offsets are binding).
#pragma once
#include <cstddef>

#include "platform/gpu.h"

struct GuiVertex {
    float x, y, z;     // normalized screen coordinates; z is the quad's depth
    float u, v;        // texture coordinate, v = 0 at the image's top row
    float r, g, b, a;  // colour and opacity, unpacked
};
static_assert(sizeof(GuiVertex) == 36);
static_assert(offsetof(GuiVertex, u) == 12);
static_assert(offsetof(GuiVertex, r) == 20);

constexpr gpu::VertexElement GUI_VERTEX_ELEMENTS[] = {
    {0, 0, gpu::DECLTYPE_FLOAT3, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_POSITION, 0},
    {0, 12, gpu::DECLTYPE_FLOAT2, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_TEXCOORD, 0},
    {0, 20, gpu::DECLTYPE_FLOAT4, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_COLOR, 0},
    gpu::DECL_END,
};
