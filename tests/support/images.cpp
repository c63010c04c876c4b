#include "tests/support/images.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb_image.h>
#include <stb_image_write.h>
#pragma GCC diagnostic pop

Image loadPng(const std::string& path)
{
    Image image;
    int channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &image.width, &image.height, &channels, 4);
    if (pixels) {
        image.rgba.assign(pixels, pixels + size_t(image.width) * size_t(image.height) * 4);
        stbi_image_free(pixels);
    }
    return image;
}

bool writePng(const std::string& path, const Image& image)
{
    return stbi_write_png(path.c_str(), image.width, image.height, 4, image.rgba.data(), image.width * 4) != 0;
}

bool ImageDifference::withinTolerance() const
{
    if (!sameSize)
        return false;
    for (double mean : meanDifference)
        if (mean >= 2.0)
            return false;
    return fractionOff < 0.005;
}

std::string ImageDifference::describe() const
{
    if (!sameSize)
        return "sizes differ";
    std::ostringstream text;
    text << "mean differences " << meanDifference[0] << " " << meanDifference[1] << " " << meanDifference[2] << " "
         << meanDifference[3] << ", " << fractionOff * 100.0 << " % of pixels off by more than 32";
    return text.str();
}

ImageDifference compareImages(const Image& actual, const Image& expected)
{
    ImageDifference result;
    result.sameSize = actual.width == expected.width && actual.height == expected.height &&
                      actual.rgba.size() == expected.rgba.size();
    if (!result.sameSize)
        return result;
    size_t pixels = size_t(actual.width) * size_t(actual.height);
    double sums[4] = {};
    size_t differing = 0;
    for (size_t p = 0; p < pixels; ++p) {
        int worst = 0;
        for (int c = 0; c < 4; ++c) {
            int d = std::abs(int(actual.rgba[p * 4 + c]) - int(expected.rgba[p * 4 + c]));
            sums[c] += d;
            worst = std::max(worst, d);
        }
        differing += worst > 32 ? 1 : 0;
    }
    for (int c = 0; c < 4; ++c)
        result.meanDifference[c] = pixels ? sums[c] / double(pixels) : 0.0;
    result.fractionOff = pixels ? double(differing) / double(pixels) : 0.0;
    return result;
}

Image halved(const Image& image)
{
    Image half;
    half.width = image.width / 2;
    half.height = image.height / 2;
    half.rgba.resize(size_t(half.width) * size_t(half.height) * 4);
    for (int y = 0; y < half.height; ++y)
        for (int x = 0; x < half.width; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += image.rgba[(size_t(2 * y + dy) * image.width + 2 * x + dx) * 4 + c];
                half.rgba[(size_t(y) * half.width + x) * 4 + c] = uint8_t((sum + 2) / 4);
            }
    return half;
}
