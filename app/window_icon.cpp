#include "app/window_icon.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace icon_design;

// A glossy teal disc with grooves, a warm label and a spindle hole.
std::vector<uint8_t> paintIcon(int size)
{
    std::vector<uint8_t> rgba(size_t(std::max(size, 0)) * size_t(std::max(size, 0)) * 4);
    const float pixelsPerUnit = float(size) / ICON_UNITS;
    const float centre = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float dx = x - centre, dy = y - centre;
            float r = std::sqrt(dx * dx + dy * dy);  // pixels
            float units = r / pixelsPerUnit;
            float coverage = std::clamp(DISC_RADIUS * pixelsPerUnit - r, 0.0f, 1.0f) *
                             (1.0f - std::clamp(HOLE_RADIUS * pixelsPerUnit - r, 0.0f, 1.0f));
            float groove = 1.0f - GROOVE_DEPTH + GROOVE_DEPTH * std::cos(units * GROOVE_FREQUENCY);
            float light = std::clamp(
                1.0f - std::hypot(dx / pixelsPerUnit - LIGHT_OFFSET, dy / pixelsPerUnit - LIGHT_OFFSET) / LIGHT_RADIUS,
                0.0f, 1.0f);
            float label = std::clamp(LABEL_RADIUS * pixelsPerUnit - r + 0.5f, 0.0f, 1.0f);
            uint8_t* p = rgba.data() + (size_t(y) * size + x) * 4;
            for (int c = 0; c < 3; ++c) {
                float disc = (DISC_RGB[c] + LIGHT_RGB[c] * light) * groove;
                float value = label * LABEL_RGB[c] + (1.0f - label) * disc;
                p[c] = uint8_t(std::clamp(value, 0.0f, 1.0f) * 255.0f);
            }
            p[3] = uint8_t(coverage * 255.0f);
        }
    }
    return rgba;
}

const WindowIcon& windowIcon()
{
    static WindowIcon icon;
    static bool painted = false;
    if (!painted) {
        std::vector<uint8_t> pixels = paintIcon(WindowIcon::SIZE);
        std::memcpy(icon.rgba, pixels.data(), sizeof(icon.rgba));
        painted = true;
    }
    return icon;
}
