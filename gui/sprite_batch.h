// SpriteBatch: collects the frame's quads and draws them in one pass.
//
// Scenes submit DrawItems while they update; render() orders them by depth
// (greater depth first; equal depths keep their submission order, so a background
// submitted first stays behind what follows it at the same depth), writes four
// vertices per item into a dynamic vertex buffer and draws one call per run of one
// texture. A run whose quads are all drawn at least as large as their texels
// reads the texture without mip levels (the same picture, and a software
// renderer skips the level-of-detail work per pixel). What did not change since
// the last frame is copied from a layer cache instead of drawn (gui/layer_cache.h),
// when the effect has one pass and no depth test. The buffers grow to the largest
// frame seen and are never shrunk; up to 65535 vertices the index buffer is 16-bit.
// The lists keep their memory, so a steady frame allocates nothing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/draw_item.h"
#include "gui/layer_cache.h"
#include "platform/gpu.h"

struct SpriteBatch {
    int32_t vertexCapacity = 0;  // 0: no buffers, or they must be re-created
    uint32_t vertexStride = 0;
    gpu::VertexBuffer* vertexBuffer = nullptr;
    gpu::IndexBuffer* indexBuffer = nullptr;
    gpu::VertexDeclaration* vertexDeclaration = nullptr;
    uint32_t primitiveType = gpu::PT_TRIANGLELIST;
    std::vector<DrawItem> items;
    gpu::Effect* effect = nullptr;
    gpu::TechniqueHandle technique = nullptr;
    std::vector<DrawBatch> batches;

    // Ordering scratch, kept across frames: each item's sort key and its place in
    // draw order, and the textures in draw order.
    std::vector<uint32_t> sortKeys, sortRank, sortScratch, sortScratch2;
    std::vector<gpu::Texture*> orderedTextures;
    std::vector<uint8_t> orderedFullSize;
    // The sizes of the frame's textures, asked for once a frame (a texture
    // released and another made at its address must not inherit its size).
    struct TextureSize {
        gpu::Texture* texture;
        gpu::SurfaceDesc size;
    };
    std::vector<TextureSize> textureSizes;
    std::vector<DrawItem> ordered;  // the last frame drawn: its items in draw order

    LayerCache layers;

    // The size in pixels of the screen the quads' -1..1 units span; 0 until the
    // renderer sets it, and then every quad keeps its mip levels.
    float screenWidth = 0.0f, screenHeight = 0.0f;

    gpu::Device* device = nullptr;

    // Creates the vertex declaration, the effect "data/gui.fx" and its technique
    // "GUI", reporting each failure.
    explicit SpriteBatch(gpu::Device* device);

    void submit(const DrawItem& item) { items.push_back(item); }
    void render();
    void buildGeometry();
    // Forgets the frame's items without drawing them.
    void discardFrame();
    // Before a device reset: gives up the buffers the reset would refuse.
    void releaseDefaultPoolObjects();
    // After a device reset: re-creates declaration and effect; buffers follow with
    // the next frame that has items.
    void restoreDeviceObjects();
    void release();

private:
    void createDeviceObjects();
    void orderByDepth();
    bool orderByFewDepths();
    void orderByRadix();
    bool createBuffers(uint32_t itemCount);
    bool isFullSize(const DrawItem& item);
    void drawBatches(size_t first, size_t last, bool* mipmapped);
    void drawWithLayers(bool* mipmapped);
};

// The renderer's batch; drawing helpers reach the renderer only through it.
extern SpriteBatch* spriteBatch;
