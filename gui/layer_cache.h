// LayerCache: the part of a frame that did not change since the last one, kept in
// a render target and copied in instead of drawn again.
//
// The frame's items, in draw order, split in two: the layer, drawn first, and the
// rest, drawn after it. Drawing the layer's items ahead of the others changes no
// pixel as long as none of them overlaps (by its rectangle plus a pixel) an earlier
// item left out: no pixel then sees its quads blended in another order.
//
// Items that have been drawn the same for a few frames running, clear of earlier
// items left out, make a new layer: drawn on the back buffer first and copied into
// the target (Build). While every item the target holds is drawn again, in order
// and still clear of earlier items left out, the target is copied onto the back
// buffer instead (Reuse). The layer is drawn where it is shown, so a driver that
// rounds differently in another surface cannot change a bit of it. A layer smaller
// than the screen is not worth the copy (None). On the player the background,
// banner and panels are the layer; the bubbles, the equalizer and the scrolling
// title are drawn every frame.
//
// Items are compared field for field, texture pointers included: the disk's
// textures are made once at start-up, so a pointer always names one picture.
//
// The cache owns its render target (made at the back buffer's size, made again when
// that changes, given up before a device reset). The sprite batch asks it, a frame:
//
//   prepareLayer(cache, device, ordered, screenWidth, screenHeight);
//   ... the vertex buffer: the cache.count items marked in cache.inLayer first ...
//   if (cache.use != LayerUse::None) {
//       if (layerNeedsDrawing(cache, device)) { draw the layer's items; keepLayer(cache, device); }
//   }
//   ... draw the rest ...
#pragma once
#include <cstdint>
#include <vector>

#include "gui/draw_item.h"
#include "platform/gpu.h"

enum class LayerUse { None, Build, Reuse };

struct LayerCache {
    bool enabled = true;
    // The last frame's effect pass allowed the cache (one pass, no depth test).
    bool allowed = false;
    LayerUse use = LayerUse::None;  // this frame's, kept for tests and benchmarks
    uint32_t count = 0;             // this frame's layer items, drawn ahead of the others
    std::vector<uint8_t> inLayer;   // per item in draw order: 1 for the layer's
    gpu::Texture* target = nullptr;
    gpu::SurfaceDesc targetSize = {0, 0};
    std::vector<DrawItem> held;   // what the target holds, in draw order
    std::vector<DrawItem> layer;  // the layer a Build draws

    // Kept across frames so a steady frame allocates nothing: how many frames each
    // item has been drawn the same (by key: this frame's in draw order, the last
    // frame's sorted), and the boxes of the items left out so far.
    struct Age {
        uint64_t key;
        uint32_t frames;
    };
    std::vector<Age> frameAges, lastAges, ages;
    struct Box {
        float left, bottom, right, top;
    };
    std::vector<Box> leftOut;
};

// Marks the items (in draw order) that belong to the layer and says what to do
// with it this frame; screenWidth and screenHeight are the pixels the -1..1 units
// span. Remembers this frame's items for the next; `held` changes only by
// buildDone(), once the Build has been drawn.
LayerUse planLayer(LayerCache& cache, const std::vector<DrawItem>& ordered, float screenWidth, float screenHeight,
                   std::vector<uint8_t>* inLayer);

// The target now holds this frame's layer.
void buildDone(LayerCache& cache);

// This frame's use, count and inLayer for the items in draw order (see planLayer),
// with a target the size of the device's back buffer where the layer needs one; a
// new target is built before it is reused. None while disabled (what the target
// holds stays true, for when it is enabled again), while not allowed (and all that
// was seen is forgotten) or without a target.
void prepareLayer(LayerCache& cache, gpu::Device* device, const std::vector<DrawItem>& ordered, float screenWidth,
                  float screenHeight);

// Before the layer's items: a Reuse copies the target onto the back buffer. True when
// the items must be drawn all the same: a Build, or a copy that failed (the back
// buffer still holds the clear; the cache starts over).
bool layerNeedsDrawing(LayerCache& cache, gpu::Device* device);

// After the layer's items are drawn on the back buffer: a Build copies them into
// the target.
void keepLayer(LayerCache& cache, gpu::Device* device);

// Forgets everything seen, and what the target holds (its content is lost or stale).
void forgetLayers(LayerCache& cache);

// Gives the target back to the device.
void releaseLayerTarget(LayerCache& cache);
