// DrawItem: one textured, coloured quad of the current frame; DrawBatch: one run
// of neighbouring items (after ordering) that share a texture and its sampling,
// drawn in one call.
#pragma once
#include <cstdint>

#include "platform/gpu.h"

struct DrawItem {
    float r, g, b, a;
    float u0, v0, u1, v1;  // v0 is the quad's top edge
    float x, y;            // lower-left corner, y grows upwards
    float width, height;
    gpu::Texture* texture; // not owned
    float depth;           // greater depth is drawn first, further back
};

struct DrawBatch {
    uint32_t firstItem;    // index in the ordered list
    gpu::Texture* texture;
    bool fullSize;         // drawn no smaller than its texels: no mip levels needed
};
