// images: RGBA pictures read back from the screen, compared with reference images
// within the tolerance every screen test uses.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

Image loadPng(const std::string& path);  // empty on failure
bool writePng(const std::string& path, const Image& image);

// Within tolerance: the mean absolute difference of every channel is below 2, and
// fewer than 0.5 % of the pixels differ by more than 32 in any channel (so a few
// edge pixels rasterised differently do not fail a test, a moved quad does).
struct ImageDifference {
    bool sameSize = false;
    double meanDifference[4] = {};  // per channel, 0..255
    double fractionOff = 0.0;       // of the pixels, off by more than 32
    bool withinTolerance() const;
    std::string describe() const;
};
ImageDifference compareImages(const Image& actual, const Image& expected);

// Each 2 x 2 block averaged into one pixel (a picture at scale 2 brought to scale 1).
Image halved(const Image& image);
