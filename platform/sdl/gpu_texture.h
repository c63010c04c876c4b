// gpu_texture: textures of the OpenGL graphics service, made from image files
// (decoded by gpu_image) or as render targets, and the white texture that stands
// in for none.
#pragma once
#include <cstdint>

#include "platform/sdl/gpu_internal.h"

namespace sdlgpu {

GLuint createWhiteTexture();
class ImagesAhead;
// `ahead` (may be null) holds images decoded before they were asked for.
gpu::Result createTextureFromFile(gpu::Device* device, const char* path, ImagesAhead* ahead,
                                  gpu::Texture** texture);
// A render target: an 8-bit colour texture with its own framebuffer, with an
// alpha channel only when the back buffer has one.
gpu::Result createRenderTarget(gpu::Device* device, uint32_t width, uint32_t height, gpu::Texture** texture);
void destroyTexture(gpu::Texture* texture);

} // namespace sdlgpu
