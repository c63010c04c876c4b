// Textures from image files (PNG, JPEG, BMP, TGA through stb_image), RGBA8 with
// a full mip chain, and the 1x1 white texture that stands in for "no texture".
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

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

static int mipLevels(int width, int height)
{
    int levels = 1;
    for (int size = std::max(width, height); size > 1; size /= 2)
        levels++;
    return levels;
}

// The next smaller mip level: each texel the mean of the 2 x 2 texels it covers,
// the box filter D3DX makes its chains with (a side of one texel stays one; of an
// odd side the last row or column is left out).
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

// Uploads to unit 0 and puts back what the device had bound there. The mip chain
// is made here rather than with glGenerateMipmap: a software driver would compile
// a blit shader for that, which costs more start-up time and memory than the
// filtering itself.
static GLuint uploadTexture(Device* device, int width, int height, const uint8_t* rgba, int levels)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels - 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, levels > 1 ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    std::vector<uint8_t> level, next;
    const uint8_t* source = rgba;
    for (int i = 1; i < levels; i++) {
        halveImage(source, width, height, &next);
        level.swap(next);
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        glTexImage2D(GL_TEXTURE_2D, i, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
        source = level.data();
    }
    glBindTexture(GL_TEXTURE_2D, device ? device->state.textures[0] : 0);
    return name;
}

GLuint createWhiteTexture()
{
    const uint8_t white[4] = {255, 255, 255, 255};
    return uploadTexture(nullptr, 1, 1, white, 1);
}

Result createTextureFromFile(Device* device, const char* path, Texture** out)
{
    if (!out)
        return INVALIDCALL;
    *out = nullptr;
    if (!useDevice(device) || !path)
        return INVALIDCALL;
    std::vector<uint8_t> file;
    std::string why;
    if (!readFile(path, MAX_FILE_BYTES, &file, &why)) {
        std::fprintf(stderr, "gpu: %s: %s\n", path, why.c_str());
        return E_FAIL;
    }
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(file.data(), int(file.size()), &width, &height, &channels)) {
        std::fprintf(stderr, "gpu: %s: not a PNG, JPEG, BMP or TGA image\n", path);
        return E_FAIL;
    }
    if (width <= 0 || height <= 0 || width > device->maxTextureSize || height > device->maxTextureSize ||
        int64_t(width) * height > MAX_PIXELS) {
        std::fprintf(stderr, "gpu: %s: %d x %d is larger than this device takes (%d x %d)\n", path, width, height,
                     device->maxTextureSize, device->maxTextureSize);
        return NOTAVAILABLE;
    }
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4), stbi_image_free);
    if (!pixels) {
        std::fprintf(stderr, "gpu: %s: damaged image (%s)\n", path, stbi_failure_reason());
        return E_FAIL;
    }
    clearGlErrors();
    int levels = mipLevels(width, height);
    GLuint name = uploadTexture(device, width, height, pixels.get(), levels);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return E_OUTOFMEMORY;
    }
    *out = new Texture{device, name};
    device->textures.push_back(*out);
    registerObject(*out, Kind::Texture);
    return OK;
}

// GL unbinds a deleted texture from the current context; the shadow state must
// say so too, or a new texture that reuses the name would look bound already.
void destroyTexture(Texture* texture)
{
    Device* device = texture->device;
    GlState unbound = device->state;
    for (GLuint& bound : unbound.textures)
        if (bound == texture->name)
            bound = 0;
    applyState(device, unbound);
    for (Effect* effect : device->effects)
        for (GLuint& saved : effect->saved.textures)
            if (saved == texture->name)
                saved = 0;
    glDeleteTextures(1, &texture->name);
    texture->name = 0;
    texture->device = nullptr;
}

} // namespace sdlgpu
