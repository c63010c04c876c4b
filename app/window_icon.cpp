#include "app/window_icon.h"

#include <algorithm>
#include <cmath>

// A glossy teal disc with a dark spindle hole and a warm highlight: a record seen
// from above. Painted once, on first use.
static void paintIcon(WindowIcon& icon)
{
    const float centre = (WindowIcon::SIZE - 1) * 0.5f;
    for (int y = 0; y < WindowIcon::SIZE; ++y) {
        for (int x = 0; x < WindowIcon::SIZE; ++x) {
            float dx = x - centre, dy = y - centre;
            float r = std::sqrt(dx * dx + dy * dy);
            float coverage = std::clamp(23.0f - r, 0.0f, 1.0f) * (1.0f - std::clamp(4.5f - r, 0.0f, 1.0f));
            float groove = 0.85f + 0.15f * std::cos(r * 1.6f);
            float light = std::clamp(1.0f - std::hypot(dx + 8.0f, dy + 8.0f) / 16.0f, 0.0f, 1.0f);
            float label = r < 9.0f ? 1.0f : 0.0f;
            float red = label ? 0.95f : (0.05f + 0.6f * light) * groove;
            float green = label ? 0.55f : (0.45f + 0.5f * light) * groove;
            float blue = label ? 0.2f : (0.55f + 0.4f * light) * groove;
            uint8_t* p = icon.rgba + (y * WindowIcon::SIZE + x) * 4;
            p[0] = uint8_t(std::clamp(red, 0.0f, 1.0f) * 255.0f);
            p[1] = uint8_t(std::clamp(green, 0.0f, 1.0f) * 255.0f);
            p[2] = uint8_t(std::clamp(blue, 0.0f, 1.0f) * 255.0f);
            p[3] = uint8_t(coverage * 255.0f);
        }
    }
}

const WindowIcon& windowIcon()
{
    static WindowIcon icon;
    static bool painted = false;
    if (!painted) {
        paintIcon(icon);
        painted = true;
    }
    return icon;
}
