#include "gui/layer_cache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The whole screen is 2 x 2 units: a layer covering less is cheaper drawn than copied.
static constexpr float WORTHWHILE_AREA = 4.0f;
// An item joins a new layer once drawn the same for this many frames running, so
// an equalizer cell that rests for a moment does not have the layer drawn again.
static constexpr uint32_t STILL_FRAMES = 25;

static uint32_t bitsOf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The item's fields as words, in a fixed order; padding never takes part.
static void wordsOf(const DrawItem& item, uint64_t (&words)[8])
{
    const float floats[] = {item.r, item.g, item.b, item.a, item.u0, item.v0, item.u1,
                            item.v1, item.x, item.y, item.width, item.height, item.depth};
    for (int i = 0; i < 6; ++i)
        words[i] = uint64_t(bitsOf(floats[2 * i])) << 32 | bitsOf(floats[2 * i + 1]);
    words[6] = bitsOf(floats[12]);
    words[7] = uint64_t(reinterpret_cast<uintptr_t>(item.texture));
}

static uint64_t keyOf(const DrawItem& item)
{
    uint64_t words[8];
    wordsOf(item, words);
    uint64_t hash = 1469598103934665603ull;  // FNV-1a over the words
    for (uint64_t word : words) {
        hash ^= word;
        hash *= 1099511628211ull;
    }
    return hash;
}

static bool sameItem(const DrawItem& a, const DrawItem& b)
{
    uint64_t wa[8], wb[8];
    wordsOf(a, wa);
    wordsOf(b, wb);
    return std::equal(std::begin(wa), std::end(wa), std::begin(wb));
}

static LayerCache::Box boxOf(const DrawItem& item, float marginX, float marginY)
{
    const float x0 = item.x, x1 = item.x + item.width, y0 = item.y, y1 = item.y + item.height;
    return {std::min(x0, x1) - marginX, std::min(y0, y1) - marginY, std::max(x0, x1) + marginX,
            std::max(y0, y1) + marginY};
}

static bool overlaps(const LayerCache::Box& a, const LayerCache::Box& b)
{
    return a.left < b.right && b.left < a.right && a.bottom < b.top && b.bottom < a.top;
}

// Whether the item's box overlaps any box left out so far.
static bool clearOfLeftOut(const LayerCache& cache, const LayerCache::Box& box)
{
    for (const LayerCache::Box& other : cache.leftOut)
        if (overlaps(box, other))
            return false;
    return true;
}

// Each item's key and how many frames running it has been drawn, remembered
// (sorted by key) for the next frame.
static void ageItems(LayerCache& cache, const std::vector<DrawItem>& ordered)
{
    const size_t n = ordered.size();
    cache.ages.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const uint64_t key = keyOf(ordered[i]);
        auto last = std::lower_bound(cache.lastAges.begin(), cache.lastAges.end(), LayerCache::Age{key, 0},
                                     [](const LayerCache::Age& a, const LayerCache::Age& b) { return a.key < b.key; });
        const bool seen = last != cache.lastAges.end() && last->key == key;
        cache.ages[i] = {key, seen ? std::min(last->frames + 1, 1000000u) : 1u};
    }
    cache.frameAges.assign(cache.ages.begin(), cache.ages.end());
    std::sort(cache.ages.begin(), cache.ages.end(),
              [](const LayerCache::Age& a, const LayerCache::Age& b) { return a.key < b.key; });
    cache.lastAges.swap(cache.ages);
}

// The held layer, matched in order against the frame: every item still drawn, and
// none overlapping an earlier item left out.
static bool heldLayerFits(LayerCache& cache, const std::vector<DrawItem>& ordered, float marginX, float marginY,
                          std::vector<uint8_t>* inLayer)
{
    size_t next = 0;
    cache.leftOut.clear();
    for (size_t i = 0; i < ordered.size(); ++i) {
        const LayerCache::Box box = boxOf(ordered[i], marginX, marginY);
        if (next < cache.held.size() && sameItem(ordered[i], cache.held[next])) {
            if (!clearOfLeftOut(cache, box))
                return false;
            (*inLayer)[i] = 1;
            ++next;
        } else {
            cache.leftOut.push_back(box);
        }
    }
    return next == cache.held.size();
}

LayerUse planLayer(LayerCache& cache, const std::vector<DrawItem>& ordered, float screenWidth, float screenHeight,
                   std::vector<uint8_t>* inLayer)
{
    const size_t n = ordered.size();
    ageItems(cache, ordered);
    // A pixel is 2 / size units; a margin of one keeps quads that share an edge pixel apart.
    const float marginX = screenWidth > 0.0f ? 2.0f / screenWidth : 0.01f;
    const float marginY = screenHeight > 0.0f ? 2.0f / screenHeight : 0.01f;
    inLayer->assign(n, 0);
    if (cache.target && !cache.held.empty() && heldLayerFits(cache, ordered, marginX, marginY, inLayer))
        return LayerUse::Reuse;

    // A new layer of the items that have held still for a while.
    inLayer->assign(n, 0);
    cache.leftOut.clear();
    cache.layer.clear();
    float area = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const DrawItem& item = ordered[i];
        const LayerCache::Box box = boxOf(item, marginX, marginY);
        if (cache.frameAges[i].frames >= STILL_FRAMES && clearOfLeftOut(cache, box)) {
            (*inLayer)[i] = 1;
            cache.layer.push_back(item);
            area += std::min(std::abs(item.width), 2.0f) * std::min(std::abs(item.height), 2.0f);
        } else {
            cache.leftOut.push_back(box);
        }
    }
    return area >= WORTHWHILE_AREA ? LayerUse::Build : LayerUse::None;
}

void buildDone(LayerCache& cache) { cache.held = cache.layer; }

// A target the size of the back buffer; a new one must be drawn before it is reused.
static bool prepareTarget(LayerCache& cache, gpu::Device* device)
{
    gpu::Gpu& g = gpu::gpu();
    gpu::SurfaceDesc size = {0, 0};
    if (gpu::failed(g.getBackBufferDesc(device, &size)) || size.width == 0 || size.height == 0)
        return false;
    if (cache.target && cache.targetSize.width == size.width && cache.targetSize.height == size.height)
        return true;
    // A new target holds nothing yet: the layer matched for reuse is drawn into it.
    if (cache.use == LayerUse::Reuse)
        cache.layer = cache.held;
    releaseLayerTarget(cache);
    if (gpu::failed(g.createTexture(device, size.width, size.height, 1, gpu::USAGE_RENDERTARGET, gpu::FMT_X8R8G8B8,
                                    gpu::POOL_DEFAULT, &cache.target))) {
        // A device without render targets draws every frame whole, as before.
        cache.target = nullptr;
        cache.enabled = false;
        return false;
    }
    cache.targetSize = size;
    cache.use = LayerUse::Build;
    return true;
}

void prepareLayer(LayerCache& cache, gpu::Device* device, const std::vector<DrawItem>& ordered, float screenWidth,
                  float screenHeight)
{
    cache.use = LayerUse::None;
    cache.count = 0;
    if (!cache.enabled)
        return;
    if (!cache.allowed) {
        forgetLayers(cache);
        return;
    }
    cache.use = planLayer(cache, ordered, screenWidth, screenHeight, &cache.inLayer);
    if (cache.use != LayerUse::None && !prepareTarget(cache, device))
        cache.use = LayerUse::None;
    if (cache.use != LayerUse::None)
        cache.count = uint32_t(cache.use == LayerUse::Reuse ? cache.held.size() : cache.layer.size());
}

bool layerNeedsDrawing(LayerCache& cache, gpu::Device* device)
{
    if (cache.use == LayerUse::Build)
        return true;
    if (!gpu::failed(gpu::gpu().stretchRect(device, cache.target, nullptr)))
        return false;
    forgetLayers(cache);
    return true;
}

void keepLayer(LayerCache& cache, gpu::Device* device)
{
    if (cache.use != LayerUse::Build)
        return;
    if (gpu::failed(gpu::gpu().stretchRect(device, nullptr, cache.target)))
        forgetLayers(cache);
    else
        buildDone(cache);
}

void forgetLayers(LayerCache& cache)
{
    cache.held.clear();
    cache.layer.clear();
    cache.lastAges.clear();
}

void releaseLayerTarget(LayerCache& cache)
{
    if (cache.target) {
        gpu::gpu().release(cache.target);
        cache.target = nullptr;
    }
    cache.targetSize = {0, 0};
    cache.held.clear();
}
