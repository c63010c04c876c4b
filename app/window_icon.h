// window_icon: the program's icon, a record seen from above, built into the
// program so the window has it even when the disk's files are missing.
//
// The picture is drawn on a square of ICON_UNITS units and painted at any size
// by rasterising it at that size (edges one pixel soft at every size), so the
// desktop's larger icons are as sharp as the window's 48 x 48 one;
// tools/make_icons writes them and an SVG of the same picture from the numbers
// below.
#pragma once
#include <cstdint>
#include <vector>

namespace icon_design {
constexpr float ICON_UNITS = 48.0f;
constexpr float DISC_RADIUS = 23.0f;
constexpr float LABEL_RADIUS = 9.0f;
constexpr float HOLE_RADIUS = 4.5f;
constexpr float GROOVE_FREQUENCY = 1.6f;  // radians per unit of radius
constexpr float GROOVE_DEPTH = 0.15f;     // the grooves darken by up to twice this
constexpr float LIGHT_OFFSET = -8.0f;     // the highlight's centre, from the disc's, on both axes
constexpr float LIGHT_RADIUS = 16.0f;
// Colours, 0..1: the disc unlit and what the highlight adds at its centre; the label.
constexpr float DISC_RGB[3] = {0.05f, 0.45f, 0.55f};
constexpr float LIGHT_RGB[3] = {0.6f, 0.5f, 0.4f};
constexpr float LABEL_RGB[3] = {0.95f, 0.55f, 0.2f};
} // namespace icon_design

struct WindowIcon {
    static constexpr int SIZE = 48;
    uint8_t rgba[SIZE * SIZE * 4];
};

const WindowIcon& windowIcon();

// The icon at size x size pixels, RGBA, top row first.
std::vector<uint8_t> paintIcon(int size);
