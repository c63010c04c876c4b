#include "gui/sprite_batch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/message_box.h"
#include "disk/disk_files.h"
#include "gui/gui_vertex.h"

SpriteBatch* spriteBatch = nullptr;

static constexpr const char* TECHNIQUE_NAME = "GUI";
static constexpr const char* TEXTURE_PARAMETER = "texture_0";

SpriteBatch::SpriteBatch(gpu::Device* device) : device(device)
{
    // Without a device nothing can be created or drawn; the device manager has
    // already told the user.
    if (device)
        createDeviceObjects();
}

void SpriteBatch::createDeviceObjects()
{
    gpu::Gpu& g = gpu::gpu();
    if (gpu::failed(g.createVertexDeclaration(device, GUI_VERTEX_ELEMENTS, &vertexDeclaration))) {
        vertexDeclaration = nullptr;
        showMessage("Failed to create vertex declaration");
    }
    if (gpu::failed(g.createEffectFromFile(device, EFFECT_FILE, &effect))) {
        effect = nullptr;
        showMessage("Failed to create effect gui.fx");
        return;
    }
    technique = g.getTechniqueByName(effect, TECHNIQUE_NAME);
    if (!technique)
        showMessage("No such technique GUI in gui.fx");
}

// Order-preserving map of a float onto an unsigned key, inverted so that ascending
// keys mean descending depth.
static uint32_t descendingDepthKey(float depth)
{
    uint32_t bits;
    std::memcpy(&bits, &depth, sizeof bits);
    uint32_t ascending = (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
    return ~ascending;
}

// Gives every item its place in draw order (sortRank), greater depth first and
// equal depths in submission order. A frame uses a handful of depths: count the
// items of each distinct depth and place them in one pass. Frames with many depths
// fall back to a least-significant-digit radix sort. Both are stable and
// allocation-free once the scratch has grown.
void SpriteBatch::orderByDepth()
{
    const uint32_t n = uint32_t(items.size());
    sortKeys.resize(n);
    sortRank.resize(n);
    sortScratch.resize(n);
    sortScratch2.resize(n);
    orderedTextures.resize(n);
    orderedFullSize.resize(n);
    if (!orderByFewDepths())
        orderByRadix();
}

bool SpriteBatch::orderByFewDepths()
{
    constexpr uint32_t MAX_DEPTHS = 32;
    uint32_t keys[MAX_DEPTHS];
    uint32_t counts[MAX_DEPTHS] = {};
    uint32_t distinct = 0, last = 0;
    const uint32_t n = uint32_t(items.size());
    // sortScratch holds each item's bucket while counting.
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t key = descendingDepthKey(items[i].depth);
        sortKeys[i] = key;
        if (distinct == 0 || keys[last] != key) {
            last = 0;
            while (last < distinct && keys[last] != key)
                ++last;
            if (last == distinct) {
                if (distinct == MAX_DEPTHS) {
                    for (uint32_t j = i + 1; j < n; ++j)
                        sortKeys[j] = descendingDepthKey(items[j].depth);
                    return false;
                }
                keys[distinct++] = key;
            }
        }
        ++counts[last];
        sortScratch[i] = last;
    }
    // Each bucket starts after the buckets of smaller keys.
    uint32_t next[MAX_DEPTHS];
    for (uint32_t b = 0; b < distinct; ++b) {
        next[b] = 0;
        for (uint32_t c = 0; c < distinct; ++c)
            if (keys[c] < keys[b])
                next[b] += counts[c];
    }
    for (uint32_t i = 0; i < n; ++i)
        sortRank[i] = next[sortScratch[i]]++;
    return true;
}

void SpriteBatch::orderByRadix()
{
    const uint32_t n = uint32_t(items.size());
    // sortScratch: item indices in the order reached so far.
    std::vector<uint32_t>& order = sortScratch;
    for (uint32_t i = 0; i < n; ++i)
        order[i] = i;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t count[256] = {};
        for (uint32_t i = 0; i < n; ++i)
            ++count[(sortKeys[order[i]] >> shift) & 0xFF];
        if (count[(sortKeys[order[0]] >> shift) & 0xFF] == n)
            continue;  // every key shares this byte
        uint32_t start = 0;
        for (uint32_t& c : count) {
            uint32_t size = c;
            c = start;
            start += size;
        }
        for (uint32_t i = 0; i < n; ++i)
            sortScratch2[count[(sortKeys[order[i]] >> shift) & 0xFF]++] = order[i];
        order.swap(sortScratch2);
    }
    for (uint32_t position = 0; position < n; ++position)
        sortRank[order[position]] = position;
}

template <typename Index>
static void writeQuadIndices(void* data, uint32_t quadCount)
{
    Index* out = static_cast<Index*>(data);
    for (uint32_t q = 0; q < quadCount; ++q) {
        Index first = Index(q * 4);
        *out++ = first;
        *out++ = Index(first + 1);
        *out++ = Index(first + 2);
        *out++ = first;
        *out++ = Index(first + 2);
        *out++ = Index(first + 3);
    }
}

// Gives an object back to the device and forgets it.
template <typename T>
static void releaseObject(T*& object)
{
    if (object) {
        gpu::gpu().release(object);
        object = nullptr;
    }
}

bool SpriteBatch::createBuffers(uint32_t itemCount)
{
    gpu::Gpu& g = gpu::gpu();
    releaseObject(vertexBuffer);
    releaseObject(indexBuffer);
    const uint32_t needed = itemCount * 4;
    if (gpu::failed(g.createVertexBuffer(device, needed * uint32_t(sizeof(GuiVertex)),
                                         gpu::USAGE_DYNAMIC | gpu::USAGE_WRITEONLY, 0, gpu::POOL_DEFAULT,
                                         &vertexBuffer))) {
        vertexBuffer = nullptr;
        showMessage("Failed to create a vertex buffer");
        return false;
    }
    const bool wide = needed > 65535;
    if (gpu::failed(g.createIndexBuffer(device, itemCount * (wide ? 24 : 12), gpu::USAGE_WRITEONLY,
                                        wide ? gpu::FMT_INDEX32 : gpu::FMT_INDEX16, gpu::POOL_DEFAULT,
                                        &indexBuffer))) {
        indexBuffer = nullptr;
        showMessage(wide ? "Failed to create a 32bit index buffer" : "Failed to create a 16bit index buffer");
        return false;
    }
    void* indices = nullptr;
    if (gpu::failed(g.lock(indexBuffer, 0, 0, &indices, 0)) || !indices) {
        // Without its pattern the buffer is useless: drop it and try again next frame.
        releaseObject(indexBuffer);
        return false;
    }
    if (wide)
        writeQuadIndices<uint32_t>(indices, itemCount);
    else
        writeQuadIndices<uint16_t>(indices, itemCount);
    g.unlock(indexBuffer);
    vertexCapacity = int32_t(needed);
    return true;
}

static void writeQuad(GuiVertex* v, const DrawItem& item)
{
    const float left = item.x, bottom = item.y;
    const float right = item.x + item.width, top = item.y + item.height;
    v[0] = {left, bottom, item.depth, item.u0, item.v1, item.r, item.g, item.b, item.a};
    v[1] = {left, top, item.depth, item.u0, item.v0, item.r, item.g, item.b, item.a};
    v[2] = {right, top, item.depth, item.u1, item.v0, item.r, item.g, item.b, item.a};
    v[3] = {right, bottom, item.depth, item.u1, item.v1, item.r, item.g, item.b, item.a};
}

// No texel of the quad is smaller than a pixel on screen: the texture is
// magnified and reads only its full-size level whatever the mip filter. The
// screen size is the window's outer size, up to two pixels more than the area
// drawn, which moves the ratio by a quarter per cent at most.
bool SpriteBatch::isFullSize(const DrawItem& item)
{
    if (!(screenWidth > 0.0f && screenHeight > 0.0f))
        return false;
    gpu::SurfaceDesc size = {0, 0};
    if (item.texture) {
        auto known = std::find_if(textureSizes.begin(), textureSizes.end(),
                                  [&](const TextureSize& t) { return t.texture == item.texture; });
        if (known == textureSizes.end()) {
            if (gpu::failed(gpu::gpu().getLevelDesc(item.texture, 0, &size)))
                size = {0, 0};
            textureSizes.push_back({item.texture, size});
        } else {
            size = known->size;
        }
    } else {
        size = {1, 1};  // plain white: any size will do
    }
    const float texelsWide = std::fabs(item.u1 - item.u0) * float(size.width);
    const float texelsHigh = std::fabs(item.v1 - item.v0) * float(size.height);
    const float pixelsWide = std::fabs(item.width) * 0.5f * screenWidth;
    const float pixelsHigh = std::fabs(item.height) * 0.5f * screenHeight;
    return size.width > 0 && texelsWide <= pixelsWide && texelsHigh <= pixelsHigh;
}

void SpriteBatch::buildGeometry()
{
    orderByDepth();
    const uint32_t n = uint32_t(items.size());
    ordered.resize(n);
    for (uint32_t i = 0; i < n; ++i)
        ordered[sortRank[i]] = items[i];
    prepareLayer(layers, device, ordered, screenWidth, screenHeight);
    if (vertexCapacity < int32_t(n * 4) && !createBuffers(n))
        return;
    gpu::Gpu& g = gpu::gpu();
    void* data = nullptr;
    if (gpu::failed(g.lock(vertexBuffer, 0, 0, &data, gpu::LOCK_DISCARD)) || !data)
        return;  // nothing written, no batches: the frame draws nothing
    // With a layer its items come first, each part in draw order.
    GuiVertex* vertices = static_cast<GuiVertex*>(data);
    const uint32_t layerCount = layers.count;
    uint32_t nextInLayer = 0, nextOther = layerCount;
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t at = layerCount == 0 ? i : layers.inLayer[i] ? nextInLayer++ : nextOther++;
        writeQuad(vertices + size_t(at) * 4, ordered[i]);
        orderedTextures[at] = ordered[i].texture;
        orderedFullSize[at] = isFullSize(ordered[i]);
    }
    gpu::Texture* running = nullptr;
    bool fullSize = false;
    for (uint32_t i = 0; i < n; ++i) {
        if (i == 0 || i == layerCount || orderedTextures[i] != running || bool(orderedFullSize[i]) != fullSize) {
            running = orderedTextures[i];
            fullSize = orderedFullSize[i];
            batches.push_back({i, running, fullSize});
        }
    }
    batches.push_back({n, running, fullSize});
    g.unlock(vertexBuffer);
    vertexStride = sizeof(GuiVertex);
}

// Batches first..last-1 of the list, inside a pass.
void SpriteBatch::drawBatches(size_t first, size_t last, bool* mipmapped)
{
    gpu::Gpu& g = gpu::gpu();
    for (size_t k = first; k < last; ++k) {
        g.setTexture(effect, TEXTURE_PARAMETER, batches[k].texture);
        g.commitChanges(effect);
        // The quads' texture is the effect's first, on unit 0.
        if (batches[k].fullSize == *mipmapped) {
            *mipmapped = !batches[k].fullSize;
            g.setMipmapping(device, 0, *mipmapped);
        }
        const uint32_t firstItem = batches[k].firstItem;
        const uint32_t count = batches[k + 1].firstItem - firstItem;
        if (gpu::failed(g.drawIndexedPrimitive(device, primitiveType, 0, 0, uint32_t(vertexCapacity), firstItem * 6,
                                               count * 2)))
            showMessage("Failed to render graphical user interface");
    }
}

// Build: the layer drawn on the back buffer and copied into the target. Reuse:
// the target copied onto the back buffer. Then the rest drawn over it.
void SpriteBatch::drawWithLayers(bool* mipmapped)
{
    size_t split = 0;
    while (split + 1 < batches.size() && batches[split].firstItem < layers.count)
        ++split;
    if (layerNeedsDrawing(layers, device)) {
        drawBatches(0, split, mipmapped);
        keepLayer(layers, device);
    }
    drawBatches(split, batches.size() - 1, mipmapped);
}

void SpriteBatch::render()
{
    // A missing effect or technique cannot draw anything: the frame is skipped.
    if (items.empty() || !effect || !technique) {
        discardFrame();
        return;
    }
    buildGeometry();
    gpu::Gpu& g = gpu::gpu();
    g.setTechnique(effect, technique);
    uint32_t passes = 0;
    g.begin(effect, &passes, 0);
    g.setVertexDeclaration(device, vertexDeclaration);
    g.setStreamSource(device, 0, vertexBuffer, 0, vertexStride);
    g.setIndices(device, indexBuffer);
    for (uint32_t pass = 0; pass < passes; ++pass) {
        g.beginPass(effect, pass);
        if (pass == 0) {
            // The layer's items move ahead of the others: with a second pass, or
            // depth tested against each other, they would not draw the same.
            uint32_t depthTest = 1;
            layers.allowed =
                passes == 1 && !gpu::failed(g.getRenderState(device, gpu::RS_ZENABLE, &depthTest)) && depthTest == 0;
        }
        bool mipmapped = true;  // as every pass starts
        if (layers.use != LayerUse::None && passes == 1 && batches.size() > 1)
            drawWithLayers(&mipmapped);
        else
            drawBatches(0, batches.empty() ? 0 : batches.size() - 1, &mipmapped);
        g.endPass(effect);
    }
    g.end(effect);
    discardFrame();
}

void SpriteBatch::discardFrame()
{
    items.clear();
    batches.clear();
    textureSizes.clear();
}

void SpriteBatch::releaseDefaultPoolObjects()
{
    releaseObject(vertexBuffer);
    releaseObject(indexBuffer);
    vertexCapacity = 0;
    releaseLayerTarget(layers);
    forgetLayers(layers);
}

void SpriteBatch::restoreDeviceObjects()
{
    vertexCapacity = 0;
    layers.allowed = false;
    releaseObject(vertexDeclaration);
    releaseObject(effect);
    technique = nullptr;
    if (device)
        createDeviceObjects();
}

void SpriteBatch::release()
{
    releaseObject(vertexDeclaration);
    releaseDefaultPoolObjects();
    releaseObject(effect);
    technique = nullptr;
    std::vector<DrawItem>().swap(items);
    std::vector<DrawBatch>().swap(batches);
    std::vector<TextureSize>().swap(textureSizes);
    std::vector<DrawItem>().swap(ordered);
}
