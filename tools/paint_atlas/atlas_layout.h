// atlas_layout: where the screens show each picture of the artwork atlas
// (data/velta.png), beside its rectangle in the atlas (scenes/artwork_atlas.h).
//
// A placement is one typical quad on screen, in screen units (x -1..1 left to right,
// y -1..1 bottom to top, lower-left corner plus size, heights already multiplied by
// the aspect ratio where the program does so), with its depth (smaller depth lies in
// front). The painter draws each picture at its rectangle and at the resolution it is
// shown with; the map, the docs table and the screen previews are made from the same
// rows.
#pragma once

#include "scenes/artwork_atlas.h"

constexpr int ATLAS_SIZE = 1024;

// The window's client area, onto which screen units -1..1 are mapped.
constexpr int SCREEN_WIDTH = 818;
constexpr int SCREEN_HEIGHT = 318;

// Width / height of the window as the program records it (820 x 320).
constexpr float ASPECT = 2.5625f;

struct AtlasPlacement {
    AtlasPicture id;
    const char* screens;  // where it is drawn
    float x, y, w, h;     // one typical quad on screen
    float depth;
    const char* notes;  // what it shows, what must stay transparent
};

extern const AtlasPlacement ATLAS_PLACEMENTS[ATLAS_PICTURE_COUNT];

// The rectangle in atlas pixels (fractional where the coordinates are).
struct PixelRect {
    float x0, y0, x1, y1;
};

PixelRect pixelRect(AtlasPicture id);
inline PixelRect pixelRect(const AtlasPlacement& p) { return pixelRect(p.id); }

// Size of the quad on screen, in client pixels.
float shownWidth(const AtlasPlacement& p);
float shownHeight(const AtlasPlacement& p);
