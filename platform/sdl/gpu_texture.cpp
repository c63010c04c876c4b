// Textures from image files (decoded by gpu_image), RGBA8 with a full mip chain;
// render targets; and the 1x1 white texture that stands in for "no texture".
#include "platform/sdl/gpu_texture.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/sdl/gpu_image.h"
#include "platform/sdl/gpu_internal.h"

namespace sdlgpu {

using namespace gpu;

// Uploads level 0 and the smaller levels to unit 0 and puts back what the device
// had bound there. The chain comes made (gpu_image): glGenerateMipmap would have
// a software driver compile a blit shader, which costs more start-up time and
// memory than the filtering itself.
static GLuint uploadTexture(Device* device, int width, int height, const uint8_t* rgba,
                            const std::vector<std::vector<uint8_t>>& smallerLevels)
{
    const int levels = int(smallerLevels.size()) + 1;
    GLuint name = 0;
    glGenTextures(1, &name);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels - 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, levels > 1 ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const bool storage = hasTextureStorage();
    if (storage)
        glTexStorage2D(GL_TEXTURE_2D, levels, GL_RGBA8, width, height);
    for (int i = 0; i < levels; i++) {
        const uint8_t* pixels = i == 0 ? rgba : smallerLevels[size_t(i - 1)].data();
        if (storage)
            glTexSubImage2D(GL_TEXTURE_2D, i, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        else
            glTexImage2D(GL_TEXTURE_2D, i, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
    }
    glBindTexture(GL_TEXTURE_2D, device ? device->state.textures[0] : 0);
    return name;
}

GLuint createWhiteTexture()
{
    const uint8_t white[4] = {255, 255, 255, 255};
    return uploadTexture(nullptr, 1, 1, white, {});
}

Result createTextureFromFile(Device* device, const char* path, ImagesAhead* ahead, Texture** out)
{
    if (!out)
        return INVALIDCALL;
    *out = nullptr;
    if (!useDevice(device) || !path)
        return INVALIDCALL;
    DecodedImage image;
    if (!ahead || !ahead->take(path, &image))
        image = decodeImageFile(path, device->maxTextureSize);
    // Decoded ahead, the image did not know this device's limit; a size the
    // header told is refused whatever became of the decoding after it.
    if (image.width > device->maxTextureSize || image.height > device->maxTextureSize)
        image.result = NOTAVAILABLE;
    if (image.result == NOTAVAILABLE) {
        std::fprintf(stderr, "gpu: %s: %d x %d is larger than this device takes (%d x %d)\n", path, image.width,
                     image.height, device->maxTextureSize, device->maxTextureSize);
        return NOTAVAILABLE;
    }
    if (image.result != OK) {
        std::fprintf(stderr, "gpu: %s: %s\n", path, image.why.c_str());
        return image.result;
    }
    clearGlErrors();
    GLuint name = uploadTexture(device, image.width, image.height, image.pixels.get(), image.smallerLevels);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return E_OUTOFMEMORY;
    }
    *out = new Texture{device, name, uint32_t(image.width), uint32_t(image.height)};
    device->textures.push_back(*out);
    registerObject(*out, Kind::Texture);
    return OK;
}

static bool backBufferHasAlpha()
{
    GLint bound = 0, alphaBits = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, DEFAULT_COLOR_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE, &alphaBits);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(bound));
    return alphaBits > 0;
}

Result createRenderTarget(Device* device, uint32_t width, uint32_t height, Texture** out)
{
    *out = nullptr;
    if (width == 0 || height == 0 || width > uint32_t(device->maxTextureSize) ||
        height > uint32_t(device->maxTextureSize))
        return INVALIDCALL;
    clearGlErrors();
    const GLenum format = backBufferHasAlpha() ? GL_RGBA8 : GL_RGB8;
    GLuint name = 0, framebuffer = 0;
    glGenTextures(1, &name);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // OpenGL ES takes only the pixel format that matches the internal one.
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), GLsizei(width), GLsizei(height), 0,
                 format == GL_RGB8 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, device->state.textures[0]);
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, 0);
    const bool complete = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(bound));
    if (!complete || glGetError() != GL_NO_ERROR) {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &name);
        return complete ? E_OUTOFMEMORY : NOTAVAILABLE;
    }
    *out = new Texture{device, name, width, height, framebuffer};
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
    glDeleteFramebuffers(1, &texture->framebuffer);
    glDeleteTextures(1, &texture->name);
    texture->name = 0;
    texture->framebuffer = 0;
    texture->device = nullptr;
}

} // namespace sdlgpu
