// gpu_image: image files decoded to RGBA8 with their whole mip chain, on any
// thread (no OpenGL here), and the images the service decodes ahead.
//
// Decoding is the slow half of a texture from a file. The service may be told at
// creation which files it will be asked for; worker threads then decode them
// while the window system is still loading the OpenGL driver, and
// createTextureFromFile only uploads. What it reports (results and messages) is
// the same either way: a decoding failure is kept with the image and reported
// when the texture is asked for, and a file whose bytes changed since it was
// decoded ahead is decoded again.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu.h"

namespace sdlgpu {

struct DecodedImage {
    gpu::Result result = gpu::E_FAIL;  // OK, or the failure the texture call returns
    std::string why;                   // for E_FAIL: what is wrong with the file
    int width = 0, height = 0;         // from the header, once it was read (else 0)
    // Level 0 as decoded, then each next level the 2 x 2 box-filtered half of the
    // one before, down to 1 x 1 (the filter D3DX makes its chains with).
    std::unique_ptr<uint8_t, void (*)(void*)> pixels{nullptr, std::free};
    std::vector<std::vector<uint8_t>> smallerLevels;
    std::vector<uint8_t> file;  // the bytes decoded (empty if unreadable)
};

// Reads and decodes `path`. An image wider or taller than maxSide, or of more
// pixels than any device takes, is NOTAVAILABLE before its pixels are decoded.
DecodedImage decodeImageFile(const char* path, int maxSide);

// Reads a whole file of 1 to maxBytes bytes; *why says what went wrong.
bool readFile(const char* path, long maxBytes, std::vector<uint8_t>* bytes, std::string* why);

// The number of mip levels of a full chain for an image of this size.
int mipLevelCount(int width, int height);

class ImagesAhead {
public:
    // Starts one worker per path. In the browser, a single thread, there are
    // none: every image is decoded when it is asked for.
    void start(const std::vector<std::string>& paths);
    // Moves the image decoded ahead for `path` into *image, waiting for its worker
    // if it is still busy. False if the path was not decoded ahead, or the file
    // cannot be read now or holds other bytes than were decoded (reading it again
    // costs little beside decoding). Each image is handed out once.
    bool take(const char* path, DecodedImage* image);
    // Waits for the workers still running.
    ~ImagesAhead();

private:
    struct Entry {
        std::string path;
        std::future<DecodedImage> image;
    };
    std::vector<Entry> entries;
};

} // namespace sdlgpu
