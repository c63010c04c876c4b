#include "canvas.h"

#include <algorithm>
#include <cmath>

#define STB_PERLIN_IMPLEMENTATION
#include <stb_perlin.h>

Rgba rgb(uint32_t hex, float alpha)
{
    const float r = float((hex >> 16) & 0xFF) / 255.0f;
    const float g = float((hex >> 8) & 0xFF) / 255.0f;
    const float b = float(hex & 0xFF) / 255.0f;
    return {r * alpha, g * alpha, b * alpha, alpha};
}

Rgba mix(Rgba a, Rgba b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba scaled(Rgba c, float k) { return {c.r * k, c.g * k, c.b * k, c.a * k}; }

Canvas makeCanvas(int width, int height)
{
    Canvas c;
    c.width = width;
    c.height = height;
    c.pixels.assign(size_t(width) * size_t(height), Rgba{0, 0, 0, 0});
    return c;
}

void blendOver(Rgba& dst, Rgba src)
{
    const float keep = 1.0f - src.a;
    dst = {src.r + dst.r * keep, src.g + dst.g * keep, src.b + dst.b * keep, src.a + dst.a * keep};
}

namespace {

uint8_t toByte(float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

}  // namespace

std::vector<uint8_t> toRgba8(const Canvas& canvas)
{
    const int w = canvas.width, h = canvas.height;
    std::vector<uint8_t> out(size_t(w) * size_t(h) * 4, 0);
    std::vector<uint8_t> known(size_t(w) * size_t(h), 0);
    for (size_t i = 0; i < canvas.pixels.size(); ++i) {
        const Rgba& p = canvas.pixels[i];
        const uint8_t a = toByte(p.a);
        out[i * 4 + 3] = a;
        if (a == 0)
            continue;
        out[i * 4 + 0] = toByte(p.r / p.a);
        out[i * 4 + 1] = toByte(p.g / p.a);
        out[i * 4 + 2] = toByte(p.b / p.a);
        known[i] = 1;
    }
    // Spread colour into clear texels, a few rings deep: enough for bilinear filtering and
    // the first mip levels, and cheap to compress (the rest stays black).
    for (int ring = 0; ring < 4; ++ring) {
        std::vector<uint8_t> next = known;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                if (known[i])
                    continue;
                int sum[3] = {0, 0, 0}, n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                            continue;
                        const size_t j = size_t(ny) * size_t(w) + size_t(nx);
                        if (!known[j])
                            continue;
                        for (int c = 0; c < 3; ++c)
                            sum[c] += out[j * 4 + size_t(c)];
                        ++n;
                    }
                if (n == 0)
                    continue;
                for (int c = 0; c < 3; ++c)
                    out[i * 4 + size_t(c)] = uint8_t((sum[c] + n / 2) / n);
                next[i] = 1;
            }
        known.swap(next);
    }
    return out;
}

Surface makeSurface(Canvas& canvas, float x0, float y0, float x1, float y1, float designW, float designH, int margin)
{
    // An edge within this distance of a whole texel counts as whole. A negative margin
    // takes in the texels an edge cuts, for pictures that fill their rectangle.
    constexpr float WHOLE = 0.03f;
    auto firstInside = [&](float edge) {
        const float r = std::round(edge);
        if (std::fabs(edge - r) < WHOLE)
            return int(r);
        return margin < 0 ? int(std::floor(edge)) : int(std::ceil(edge)) + margin;
    };
    auto endInside = [&](float edge) {
        const float r = std::round(edge);
        if (std::fabs(edge - r) < WHOLE)
            return int(r);
        return margin < 0 ? int(std::ceil(edge)) : int(std::floor(edge)) - margin;
    };
    Surface s;
    s.canvas = &canvas;
    s.x0 = x0;
    s.y0 = y0;
    s.sx = (x1 - x0) / designW;
    s.sy = (y1 - y0) / designH;
    s.designW = designW;
    s.designH = designH;
    s.clipX0 = std::max(0, firstInside(x0));
    s.clipY0 = std::max(0, firstInside(y0));
    s.clipX1 = std::min(canvas.width, endInside(x1));
    s.clipY1 = std::min(canvas.height, endInside(y1));
    return s;
}

Vec2 designPoint(const Surface& s, int tx, int ty)
{
    return {(float(tx) + 0.5f - s.x0) / s.sx, (float(ty) + 0.5f - s.y0) / s.sy};
}

float texelsPerDesign(const Surface& s) { return 0.5f * (s.sx + s.sy); }

float sdBox(Vec2 p, float cx, float cy, float halfW, float halfH, float radius)
{
    const float qx = std::fabs(p.x - cx) - halfW + radius;
    const float qy = std::fabs(p.y - cy) - halfH + radius;
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float sdCircle(Vec2 p, float cx, float cy, float radius) { return std::hypot(p.x - cx, p.y - cy) - radius; }

float sdSegment(Vec2 p, Vec2 a, Vec2 b, float halfWidth)
{
    const float px = p.x - a.x, py = p.y - a.y, bx = b.x - a.x, by = b.y - a.y;
    const float len2 = bx * bx + by * by;
    const float t = len2 > 0 ? std::clamp((px * bx + py * by) / len2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(px - bx * t, py - by * t) - halfWidth;
}

float sdTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c)
{
    // Distance to the nearest edge, signed by which side of all three edges p lies.
    const Vec2 v[3] = {a, b, c};
    float d = 1e9f;
    int inside = 0;
    for (int i = 0; i < 3; ++i) {
        const Vec2 e0 = v[i], e1 = v[(i + 1) % 3];
        d = std::min(d, sdSegment(p, e0, e1, 0.0f));
        const float cross = (e1.x - e0.x) * (p.y - e0.y) - (e1.y - e0.y) * (p.x - e0.x);
        inside += cross > 0 ? 1 : -1;
    }
    return (inside == 3 || inside == -3) ? -d : d;
}

float coverageFromDistance(float d, float texelsPerDesign)
{
    return std::clamp(0.5f - d * texelsPerDesign, 0.0f, 1.0f);
}

float Mask::at(int tx, int ty) const
{
    const int x = tx - x0, y = ty - y0;
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0.0f;
    return cover[size_t(y) * size_t(width) + size_t(x)];
}

Mask makeMask(const Surface& s)
{
    Mask m;
    m.x0 = s.clipX0;
    m.y0 = s.clipY0;
    m.width = std::max(0, s.clipX1 - s.clipX0);
    m.height = std::max(0, s.clipY1 - s.clipY0);
    m.cover.assign(size_t(m.width) * size_t(m.height), 0.0f);
    return m;
}

namespace {

// One running-sum box pass along a line of n values spaced `stride` apart.
void boxPass(float* line, int n, int stride, int radius, std::vector<float>& tmp)
{
    tmp.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        tmp[size_t(i)] = line[size_t(i) * size_t(stride)];
    const float norm = 1.0f / float(2 * radius + 1);
    float sum = 0.0f;
    for (int i = -radius; i <= radius; ++i)
        sum += (i >= 0 && i < n) ? tmp[size_t(i)] : 0.0f;
    for (int i = 0; i < n; ++i) {
        line[size_t(i) * size_t(stride)] = sum * norm;
        const int out = i - radius, in = i + radius + 1;
        if (out >= 0)
            sum -= tmp[size_t(out)];
        if (in < n)
            sum += tmp[size_t(in)];
    }
}

}  // namespace

void blurMask(Mask& m, float radiusTexels)
{
    // Three box passes of radius r approximate a Gaussian of sigma ~ r.
    const int r = std::max(1, int(std::lround(radiusTexels * 0.6f)));
    std::vector<float> tmp;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < m.height; ++y)
            boxPass(&m.cover[size_t(y) * size_t(m.width)], m.width, 1, r, tmp);
        for (int x = 0; x < m.width; ++x)
            boxPass(&m.cover[size_t(x)], m.height, m.width, r, tmp);
    }
}

Mask shiftedMask(const Mask& m, int dx, int dy)
{
    Mask out = m;
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            out.cover[size_t(y) * size_t(m.width) + size_t(x)] = m.at(m.x0 + x - dx, m.y0 + y - dy);
    return out;
}

void subtractMask(Mask& m, const Mask& cut)
{
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            m.cover[size_t(y) * size_t(m.width) + size_t(x)] *= 1.0f - cut.at(m.x0 + x, m.y0 + y);
}

void multiplyMask(Mask& m, const Mask& by)
{
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            m.cover[size_t(y) * size_t(m.width) + size_t(x)] *= by.at(m.x0 + x, m.y0 + y);
}

void extendEdges(Surface& s, int n)
{
    Canvas& c = *s.canvas;
    auto px = [&](int x, int y) -> Rgba& { return c.pixels[size_t(y) * size_t(c.width) + size_t(x)]; };
    for (int i = 1; i <= n; ++i) {
        const int right = s.clipX1 - 1 + i, left = s.clipX0 - i;
        for (int y = s.clipY0; y < s.clipY1; ++y) {
            if (right < c.width && px(right, y).a == 0)
                px(right, y) = px(right - 1, y);
            if (left >= 0 && px(left, y).a == 0)
                px(left, y) = px(left + 1, y);
        }
    }
    for (int i = 1; i <= n; ++i) {
        const int bottom = s.clipY1 - 1 + i, top = s.clipY0 - i;
        for (int x = std::max(0, s.clipX0 - n); x < std::min(c.width, s.clipX1 + n); ++x) {
            if (bottom < c.height && px(x, bottom).a == 0)
                px(x, bottom) = px(x, bottom - 1);
            if (top >= 0 && px(x, top).a == 0)
                px(x, top) = px(x, top + 1);
        }
    }
}

float noise2(float x, float y, int seed) { return stb_perlin_noise3_seed(x, y, float(seed) * 0.37f, 0, 0, 0, seed); }

float fbm2(float x, float y, int octaves, int seed)
{
    float sum = 0.0f, amp = 0.5f, freq = 1.0f, norm = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise2(x * freq, y * freq, seed + i);
        norm += amp;
        amp *= 0.5f;
        freq *= 2.03f;
    }
    return sum / norm;
}

uint32_t hash32(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

float hashUnit(uint32_t x) { return float(hash32(x) >> 8) / float(1u << 24); }
