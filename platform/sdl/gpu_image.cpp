#include "platform/sdl/gpu_image.h"

#include <pthread.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <system_error>

#include "platform/sdl/gpu_internal.h"

// Static, so another stb_image user linked into the same program cannot clash.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace sdlgpu {

using namespace gpu;

// An image file larger than this is refused before it is read; the pixel limit
// (256 MiB of RGBA) stops a small file that claims a huge size.
constexpr long MAX_FILE_BYTES = 256l << 20;
constexpr int64_t MAX_PIXELS = int64_t(8192) * 8192;

bool readFile(const char* path, long maxBytes, std::vector<uint8_t>* bytes, std::string* why)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (!file) {
        *why = "cannot open the file";
        return false;
    }
    long size = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0)
        size = std::ftell(file.get());
    if (size <= 0 || size > maxBytes || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        *why = size == 0 ? "the file is empty" : "the file cannot be read or is too large";
        return false;
    }
    bytes->resize(size_t(size));
    if (std::fread(bytes->data(), 1, bytes->size(), file.get()) != bytes->size()) {
        *why = "the file cannot be read";
        return false;
    }
    return true;
}

int mipLevelCount(int width, int height)
{
    int levels = 1;
    for (int size = std::max(width, height); size > 1; size /= 2)
        levels++;
    return levels;
}

// The next smaller mip level: each texel the mean of the 2 x 2 texels it covers
// (a side of one texel stays one; of an odd side the last row or column is left out).
static void halveImage(const uint8_t* source, int width, int height, std::vector<uint8_t>* half)
{
    const int halfWidth = std::max(width / 2, 1), halfHeight = std::max(height / 2, 1);
    half->resize(size_t(halfWidth) * size_t(halfHeight) * 4);
    uint8_t* out = half->data();
    for (int y = 0; y < halfHeight; y++) {
        const uint8_t* row0 = source + size_t(std::min(2 * y, height - 1)) * size_t(width) * 4;
        const uint8_t* row1 = source + size_t(std::min(2 * y + 1, height - 1)) * size_t(width) * 4;
        for (int x = 0; x < halfWidth; x++) {
            const size_t x0 = size_t(std::min(2 * x, width - 1)) * 4, x1 = size_t(std::min(2 * x + 1, width - 1)) * 4;
            for (size_t c = 0; c < 4; c++)
                *out++ = uint8_t((row0[x0 + c] + row0[x1 + c] + row1[x0 + c] + row1[x1 + c] + 2) / 4);
        }
    }
}

DecodedImage decodeImageFile(const char* path, int maxSide)
{
    DecodedImage image;
    std::vector<uint8_t>& file = image.file;
    if (!readFile(path, MAX_FILE_BYTES, &file, &image.why)) {
        file.clear();
        return image;
    }
    int channels = 0;
    if (!stbi_info_from_memory(file.data(), int(file.size()), &image.width, &image.height, &channels)) {
        image.width = image.height = 0;
        image.why = "not a PNG, JPEG, BMP or TGA image";
        return image;
    }
    if (image.width <= 0 || image.height <= 0 || image.width > maxSide || image.height > maxSide ||
        int64_t(image.width) * image.height > MAX_PIXELS) {
        image.result = NOTAVAILABLE;
        return image;
    }
    int width = 0, height = 0;
    image.pixels.reset(stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4));
    if (!image.pixels) {
        image.why = std::string("damaged image (") + stbi_failure_reason() + ")";
        return image;
    }
    image.width = width;  // the size the pixels have, which the upload trusts
    image.height = height;
    image.smallerLevels.resize(size_t(mipLevelCount(width, height) - 1));
    const uint8_t* level = image.pixels.get();
    for (std::vector<uint8_t>& half : image.smallerLevels) {
        halveImage(level, width, height, &half);
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        level = half.data();
    }
    image.result = OK;
    return image;
}

#ifdef __EMSCRIPTEN__
void ImagesAhead::start(const std::vector<std::string>&) {}
#else
void ImagesAhead::start(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        try {
            entries.push_back({path, std::async(std::launch::async, [path] {
                                   pthread_setname_np(pthread_self(), "image-decoder");
                                   return decodeImageFile(path.c_str(), INT_MAX);
                               })});
        } catch (const std::system_error&) {
            return;  // no thread to be had: the rest decode when asked for
        }
    }
}
#endif

bool ImagesAhead::take(const char* path, DecodedImage* image)
{
    for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
        if (entry->path != path)
            continue;
        DecodedImage decoded = entry->image.get();
        entries.erase(entry);
        std::vector<uint8_t> now;
        std::string why;
        if (!readFile(path, MAX_FILE_BYTES, &now, &why) || now != decoded.file)
            return false;
        *image = std::move(decoded);
        return true;
    }
    return false;
}

ImagesAhead::~ImagesAhead()
{
    for (Entry& entry : entries)
        entry.image.wait();
}

} // namespace sdlgpu
