// gpu_effect: effects of the OpenGL graphics service, read from this project's
// effect language (effect_language.h): techniques, passes, their render states and
// their GLSL programs, and the texture parameters bound while a pass runs.
#pragma once
#include <cstdint>
#include <string>

#include "platform/sdl/gpu_internal.h"

namespace sdlgpu {

gpu::Result createEffectFromFile(gpu::Device* device, const char* path, gpu::Effect** effect);
gpu::TechniqueHandle techniqueByName(gpu::Effect* effect, const char* name);
gpu::Result setTechnique(gpu::Effect* effect, gpu::TechniqueHandle technique);
gpu::Result beginEffect(gpu::Effect* effect, uint32_t* passes);
gpu::Result beginPass(gpu::Effect* effect, uint32_t pass);
gpu::Result setEffectTexture(gpu::Effect* effect, const char* parameter, gpu::Texture* texture);
gpu::Result commitChanges(gpu::Effect* effect);
gpu::Result endPass(gpu::Effect* effect);
gpu::Result endEffect(gpu::Effect* effect);
gpu::Result setMipmapping(gpu::Device* device, uint32_t sampler, bool enabled);
void destroyEffect(gpu::Effect* effect);

// One shader of an effect as GLSL of `dialect`, compiled in the current context:
// the shader object, or 0 when it does not compile; *log gets the compiler's log.
GLuint compileShader(GLenum type, const fx::ShaderDesc& shader, fx::GlslDialect dialect, std::string* log);

} // namespace sdlgpu
