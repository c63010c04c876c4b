#include "icon_files.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "app/window_icon.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

using namespace icon_design;

std::string iconPngPath(int size)
{
    return std::to_string(size) + "x" + std::to_string(size) + "/apps/" + ICON_NAME + ".png";
}

std::string iconSvgPath() { return std::string("scalable/apps/") + ICON_NAME + ".svg"; }

static std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

static std::string colour(const float rgb[3], const float add[3] = nullptr, float amount = 0.0f)
{
    char text[8];
    int c[3];
    for (int i = 0; i < 3; ++i) {
        float value = rgb[i] + (add ? add[i] * amount : 0.0f);
        c[i] = int(std::lround(std::fmin(std::fmax(value, 0.0f), 1.0f) * 255.0f));
    }
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c[0], c[1], c[2]);
    return text;
}

// A ring between two radii around the centre, as one even-odd path.
static std::string ring(double outer, double inner)
{
    const double c = ICON_UNITS / 2;
    auto circle = [c](double r) {
        return "M" + number(c - r) + "," + number(c) + "a" + number(r) + "," + number(r) + " 0 1,0 " + number(2 * r) +
            ",0a" + number(r) + "," + number(r) + " 0 1,0 " + number(-2 * r) + ",0z";
    };
    return circle(outer) + circle(inner);
}

// The highlight falls off in a straight line with distance, as a radial
// gradient does; the grooves' darkening (1 - depth + depth cos(f r)) is a
// repeating radial gradient of black whose opacity follows the cosine.
std::string iconSvg()
{
    const double c = ICON_UNITS / 2;
    const double period = 2.0 * M_PI / GROOVE_FREQUENCY;
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
        number(ICON_UNITS) + "\" height=\"" + number(ICON_UNITS) + "\" viewBox=\"0 0 " + number(ICON_UNITS) + " " +
        number(ICON_UNITS) +
        "\">\n"
        "  <defs>\n"
        "    <radialGradient id=\"light\" gradientUnits=\"userSpaceOnUse\" cx=\"" +
        number(c + LIGHT_OFFSET) + "\" cy=\"" + number(c + LIGHT_OFFSET) + "\" r=\"" + number(LIGHT_RADIUS) +
        "\">\n"
        "      <stop offset=\"0\" stop-color=\"" +
        colour(DISC_RGB, LIGHT_RGB, 1.0f) +
        "\"/>\n"
        "      <stop offset=\"1\" stop-color=\"" +
        colour(DISC_RGB) +
        "\"/>\n"
        "    </radialGradient>\n"
        "    <radialGradient id=\"grooves\" gradientUnits=\"userSpaceOnUse\" spreadMethod=\"repeat\" cx=\"" +
        number(c) + "\" cy=\"" + number(c) + "\" r=\"" + number(period) + "\">\n";
    constexpr int STOPS = 8;
    for (int i = 0; i <= STOPS; ++i) {
        double t = double(i) / STOPS;
        double opacity = GROOVE_DEPTH * (1.0 - std::cos(2.0 * M_PI * t));
        svg += "      <stop offset=\"" + number(t) + "\" stop-color=\"#000000\" stop-opacity=\"" + number(opacity) +
            "\"/>\n";
    }
    svg += "    </radialGradient>\n"
           "  </defs>\n"
           "  <path fill-rule=\"evenodd\" fill=\"url(#light)\" d=\"" +
        ring(DISC_RADIUS, HOLE_RADIUS) +
        "\"/>\n"
        "  <path fill-rule=\"evenodd\" fill=\"url(#grooves)\" d=\"" +
        ring(DISC_RADIUS, HOLE_RADIUS) +
        "\"/>\n"
        "  <path fill-rule=\"evenodd\" fill=\"" +
        colour(LABEL_RGB) + "\" d=\"" + ring(LABEL_RADIUS, HOLE_RADIUS) +
        "\"/>\n"
        "</svg>\n";
    return svg;
}

bool writeIconPng(const std::string& path, int size)
{
    std::vector<uint8_t> rgba = paintIcon(size);
    return stbi_write_png(path.c_str(), size, size, 4, rgba.data(), size * 4) != 0;
}
