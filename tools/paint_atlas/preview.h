// preview: mock screens made from the atlas and the glyph atlas the way the program
// draws them (quads sorted by depth, larger depth first; trilinear filtering over a box
// mip chain; straight alpha blending; the program's text layout), to judge the artwork
// at the size and in the company it is shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

enum PreviewScreen { PREVIEW_LOGO, PREVIEW_INTRO, PREVIEW_MAIN, PREVIEW_INFO, PREVIEW_ABOUT, PREVIEW_COUNT };

extern const char* const PREVIEW_NAMES[PREVIEW_COUNT];

// One screen at the window's client size, 818 x 318, opaque.
RgbaImage renderPreview(PreviewScreen screen, const RgbaImage& atlas, const RgbaImage& font);
