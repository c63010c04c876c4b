// canvas: a small procedural painter for the artwork atlas.
//
// Pixels are premultiplied RGBA floats. A picture is painted through a Surface, which maps
// "design" coordinates (the picture's size on screen, in client pixels, y down) onto its
// texel rectangle in the atlas and clips every write to the texels the picture may use.
// Shapes are signed distance functions in design pixels, filled with antialiasing; masks
// (coverage images) carry text and anything that gets blurred into a glow or a shadow.
// Everything is deterministic: noise comes from stb_perlin and a fixed-seed generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgba {
    float r, g, b, a;  // premultiplied
};

// Straight colour from 0xRRGGBB and an opacity, premultiplied.
Rgba rgb(uint32_t hex, float alpha = 1.0f);
Rgba mix(Rgba a, Rgba b, float t);
Rgba scaled(Rgba c, float k);  // all four channels times k (fades a premultiplied colour)

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;
};

Canvas makeCanvas(int width, int height);
void blendOver(Rgba& dst, Rgba src);

// Straight-alpha RGBA8 for writing; fully clear texels take the colour of their
// neighbours so that filtering and mipmaps do not pull dark fringes into edges.
std::vector<uint8_t> toRgba8(const Canvas& canvas);

struct Vec2 {
    float x, y;
};

struct Surface {
    Canvas* canvas;
    float x0, y0;                        // atlas position of design (0, 0)
    float sx, sy;                        // texels per design pixel
    float designW, designH;              // picture size on screen
    int clipX0, clipY0, clipX1, clipY1;  // texels that may be written: [x0, x1) x [y0, y1)
};

// A surface for the atlas rectangle [x0, x1) x [y0, y1) (fractional texels) shown at
// designW x designH pixels. Texels cut by a fractional edge are left clear together
// with `margin` more texels, so filtering never picks up a neighbour's content; a
// negative margin takes the cut texels in (for pictures that fill their rectangle).
Surface makeSurface(Canvas& canvas, float x0, float y0, float x1, float y1, float designW, float designH, int margin);

Vec2 designPoint(const Surface& s, int tx, int ty);  // centre of texel (tx, ty)
float texelsPerDesign(const Surface& s);

// Signed distance functions, design pixels, negative inside.
float sdBox(Vec2 p, float cx, float cy, float halfW, float halfH, float radius);
float sdCircle(Vec2 p, float cx, float cy, float radius);
float sdSegment(Vec2 p, Vec2 a, Vec2 b, float halfWidth);
float sdTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c);

float coverageFromDistance(float d, float texelsPerDesign);

// Fills every texel of the surface's clip rectangle with coverage from `sdf` and colour
// from `paint` (premultiplied, may depend on the point), times opacity.
template <class Sdf, class Paint>
void fillShape(Surface& s, Sdf sdf, Paint paint, float opacity = 1.0f)
{
    const float k = texelsPerDesign(s);
    for (int ty = s.clipY0; ty < s.clipY1; ++ty)
        for (int tx = s.clipX0; tx < s.clipX1; ++tx) {
            const Vec2 p = designPoint(s, tx, ty);
            const float cover = coverageFromDistance(sdf(p), k) * opacity;
            if (cover <= 0.0f)
                continue;
            blendOver(s.canvas->pixels[size_t(ty) * size_t(s.canvas->width) + size_t(tx)], scaled(paint(p), cover));
        }
}

// Paints every texel of the clip rectangle (a full-bleed picture).
template <class Paint>
void fillAll(Surface& s, Paint paint)
{
    fillShape(
        s, [](Vec2) { return -1e9f; }, paint);
}

// Coverage over the surface's clip rectangle, in texels.
struct Mask {
    int x0 = 0, y0 = 0, width = 0, height = 0;
    std::vector<float> cover;
    float at(int tx, int ty) const;
};

Mask makeMask(const Surface& s);

template <class Sdf>
void addShape(Mask& m, const Surface& s, Sdf sdf)
{
    const float k = texelsPerDesign(s);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            float& c = m.cover[size_t(y) * size_t(m.width) + size_t(x)];
            const float add = coverageFromDistance(sdf(designPoint(s, m.x0 + x, m.y0 + y)), k);
            if (add > c)
                c = add;
        }
}

void blurMask(Mask& m, float radiusTexels);       // three box passes, close to a Gaussian
Mask shiftedMask(const Mask& m, int dx, int dy);  // content moved by whole texels
void subtractMask(Mask& m, const Mask& cut);      // m = m * (1 - cut)
void multiplyMask(Mask& m, const Mask& by);

template <class Paint>
void fillMask(Surface& s, const Mask& m, Paint paint, float opacity = 1.0f)
{
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            const int tx = m.x0 + x, ty = m.y0 + y;
            if (tx < s.clipX0 || tx >= s.clipX1 || ty < s.clipY0 || ty >= s.clipY1)
                continue;
            const float cover = m.cover[size_t(y) * size_t(m.width) + size_t(x)] * opacity;
            if (cover <= 0.0f)
                continue;
            blendOver(s.canvas->pixels[size_t(ty) * size_t(s.canvas->width) + size_t(tx)],
                      scaled(paint(designPoint(s, tx, ty)), cover));
        }
}

// Copies the outermost painted rows and columns outwards by n texels (into texels that
// are still clear), for pictures that fill their rectangle edge to edge.
void extendEdges(Surface& s, int n);

// Deterministic noise.
float noise2(float x, float y, int seed);             // -1..1, smooth
float fbm2(float x, float y, int octaves, int seed);  // -1..1, fractal
uint32_t hash32(uint32_t x);
float hashUnit(uint32_t x);  // 0..1
