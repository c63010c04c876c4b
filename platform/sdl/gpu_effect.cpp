// The effect runtime: effect files parsed by effect_language, one GL program and
// one set of sampler objects per pass, D3DX-style begin / pass / end.
//
// Texture parameter i is bound to texture unit i; each pass's sampler uniforms
// of those names are pointed at their units once, when the program is linked.
// begin() saves the device state that passes change and end() puts it back.
#include "platform/sdl/gpu_effect.h"

#include <cstdio>
#include <cstring>

#include "platform/sdl/gpu_image.h"
#include "platform/sdl/gpu_internal.h"

namespace sdlgpu {

using namespace gpu;

constexpr long MAX_EFFECT_BYTES = 1l << 20;

static GLenum blendFactor(fx::BlendFactor factor)
{
    switch (factor) {
    case fx::BlendFactor::Zero: return GL_ZERO;
    case fx::BlendFactor::One: return GL_ONE;
    case fx::BlendFactor::SrcColor: return GL_SRC_COLOR;
    case fx::BlendFactor::InvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case fx::BlendFactor::SrcAlpha: return GL_SRC_ALPHA;
    case fx::BlendFactor::InvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case fx::BlendFactor::DestColor: return GL_DST_COLOR;
    case fx::BlendFactor::InvDestColor: return GL_ONE_MINUS_DST_COLOR;
    case fx::BlendFactor::DestAlpha: return GL_DST_ALPHA;
    case fx::BlendFactor::InvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    }
    return GL_ONE;
}

static GLint minFilter(const fx::SamplerDesc& s)
{
    bool linear = s.minFilter == fx::Filter::Linear;
    switch (s.mipFilter) {
    case fx::Filter::None: return linear ? GL_LINEAR : GL_NEAREST;
    case fx::Filter::Point: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case fx::Filter::Linear: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    }
    return GL_LINEAR;
}

static GLint addressMode(fx::Address address)
{
    switch (address) {
    case fx::Address::Wrap: return GL_REPEAT;
    case fx::Address::Clamp: return GL_CLAMP_TO_EDGE;
    case fx::Address::Mirror: return GL_MIRRORED_REPEAT;
    }
    return GL_REPEAT;
}

static GLuint createSampler(fx::SamplerDesc s, bool mipmapped)
{
    if (!mipmapped)
        s.mipFilter = fx::Filter::None;
    GLuint sampler = 0;
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, minFilter(s));
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, s.magFilter == fx::Filter::Linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, addressMode(s.addressU));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, addressMode(s.addressV));
    return sampler;
}

static std::string infoLog(GLuint object, bool isProgram)
{
    GLint length = 0;
    if (isProgram)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(std::max(length, 1)), '\0');
    if (isProgram)
        glGetProgramInfoLog(object, length, nullptr, log.data());
    else
        glGetShaderInfoLog(object, length, nullptr, log.data());
    log.resize(std::strlen(log.c_str()));
    return log;
}

GLuint compileShader(GLenum type, const fx::ShaderDesc& shader, fx::GlslDialect dialect, std::string* log)
{
    std::string source = fx::glslSource(shader, dialect);
    const char* text = source.c_str();
    GLuint object = glCreateShader(type);
    glShaderSource(object, 1, &text, nullptr);
    glCompileShader(object);
    GLint ok = GL_FALSE;
    glGetShaderiv(object, GL_COMPILE_STATUS, &ok);
    *log = infoLog(object, false);
    if (!ok) {
        glDeleteShader(object);
        return 0;
    }
    return object;
}

static GLuint compileShader(GLenum type, const fx::ShaderDesc& shader, const std::string& where)
{
    std::string log;
    GLuint object = compileShader(type, shader, SHADER_DIALECT, &log);
    if (!object)
        std::fprintf(stderr, "gpu: %s: %s does not compile (line numbers are the file's):\n%s\n", where.c_str(),
                     type == GL_VERTEX_SHADER ? "vertex_shader" : "pixel_shader", log.c_str());
    return object;
}

static GLuint linkPass(const fx::PassDesc& pass, const std::vector<std::string>& textures, const std::string& where,
                       GLuint currentProgram)
{
    GLuint vertex = compileShader(GL_VERTEX_SHADER, pass.vertexShader, where);
    GLuint pixel = vertex ? compileShader(GL_FRAGMENT_SHADER, pass.pixelShader, where) : 0;
    if (!pixel) {
        glDeleteShader(vertex);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, pixel);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(pixel);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        std::fprintf(stderr, "gpu: %s: shaders do not link:\n%s\n", where.c_str(), infoLog(program, true).c_str());
        glDeleteProgram(program);
        return 0;
    }
    glUseProgram(program);
    for (size_t unit = 0; unit < textures.size(); unit++) {
        GLint location = glGetUniformLocation(program, textures[unit].c_str());
        if (location >= 0)
            glUniform1i(location, GLint(unit));
    }
    glUseProgram(currentProgram);
    return program;
}

static void deletePrograms(Effect* effect)
{
    for (Technique& technique : effect->techniques) {
        for (PassProgram& pass : technique.passes) {
            glDeleteProgram(pass.program);
            glDeleteSamplers(MAX_TEXTURE_UNITS, pass.samplers);
            glDeleteSamplers(MAX_TEXTURE_UNITS, pass.fullSizeSamplers);
        }
        technique.passes.clear();
    }
}

static bool buildPrograms(Effect* effect, const char* path)
{
    for (Technique& technique : effect->techniques) {
        for (const fx::PassDesc& desc : technique.desc.passes) {
            std::string where = std::string(path) + ":" + std::to_string(desc.line) + ": technique " +
                                technique.desc.name + ", pass " + desc.name;
            PassProgram pass{};
            pass.program = linkPass(desc, effect->textureNames, where, effect->device->state.program);
            if (!pass.program)
                return false;
            for (size_t unit = 0; unit < desc.samplers.size(); unit++) {
                pass.samplers[unit] = createSampler(desc.samplers[unit], true);
                pass.fullSizeSamplers[unit] = createSampler(desc.samplers[unit], false);
            }
            technique.passes.push_back(pass);
        }
    }
    return true;
}

Result createEffectFromFile(Device* device, const char* path, Effect** out)
{
    if (!out)
        return INVALIDCALL;
    *out = nullptr;
    if (!useDevice(device) || !path)
        return INVALIDCALL;
    std::vector<uint8_t> bytes;
    std::string why;
    if (!readFile(path, MAX_EFFECT_BYTES, &bytes, &why)) {
        std::fprintf(stderr, "gpu: %s: %s\n", path, why.c_str());
        return E_FAIL;
    }
    fx::EffectDesc desc;
    fx::ParseError error;
    if (!fx::parseEffect(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &desc,
                         &error)) {
        std::fprintf(stderr, "gpu: %s:%d: %s\n", path, error.line, error.message.c_str());
        return E_FAIL;
    }
    if (desc.textures.size() > size_t(MAX_TEXTURE_UNITS)) {
        std::fprintf(stderr, "gpu: %s: more than %d texture parameters\n", path, MAX_TEXTURE_UNITS);
        return E_FAIL;
    }
    auto effect = std::make_unique<Effect>();
    effect->device = device;
    effect->textureNames = desc.textures;
    effect->textures.assign(desc.textures.size(), nullptr);
    for (fx::TechniqueDesc& technique : desc.techniques)
        effect->techniques.push_back({std::move(technique), {}});
    effect->pass = -1;
    if (!buildPrograms(effect.get(), path)) {
        deletePrograms(effect.get());
        return E_FAIL;
    }
    effect->technique = &effect->techniques.front();
    *out = effect.release();
    device->effects.push_back(*out);
    registerObject(*out, Kind::Effect);
    return OK;
}

// Effects whose device is gone have nothing to draw with.
static bool usable(Effect* effect) { return isLive(effect, Kind::Effect) && useDevice(effect->device); }

TechniqueHandle techniqueByName(Effect* effect, const char* name)
{
    if (!isLive(effect, Kind::Effect) || !name)
        return nullptr;
    for (const Technique& technique : effect->techniques)
        if (technique.desc.name == name)
            return &technique;
    return nullptr;
}

Result setTechnique(Effect* effect, TechniqueHandle technique)
{
    if (!isLive(effect, Kind::Effect) || !technique || effect->begun)
        return INVALIDCALL;
    for (const Technique& t : effect->techniques) {
        if (&t == technique) {
            effect->technique = technique;
            return OK;
        }
    }
    return INVALIDCALL;
}

Result beginEffect(Effect* effect, uint32_t* passes)
{
    if (!usable(effect) || effect->begun)
        return INVALIDCALL;
    effect->begun = true;
    effect->pass = -1;
    effect->saved = effect->device->state;
    if (passes)
        *passes = uint32_t(effect->technique->passes.size());
    return OK;
}

static GLuint textureName(Effect* effect, size_t parameter)
{
    Texture* texture = effect->textures[parameter];
    if (texture && isLive(texture, Kind::Texture) && texture->device == effect->device)
        return texture->name;
    return effect->device->whiteTexture;
}

static void bindTextures(Effect* effect, GlState* state)
{
    for (size_t unit = 0; unit < effect->textures.size(); unit++)
        state->textures[unit] = textureName(effect, unit);
}

Result beginPass(Effect* effect, uint32_t pass)
{
    if (!usable(effect) || !effect->begun || effect->pass >= 0 || pass >= effect->technique->passes.size())
        return INVALIDCALL;
    const fx::PassDesc& desc = effect->technique->desc.passes[pass];
    const PassProgram& program = effect->technique->passes[pass];
    GlState state = effect->device->state;
    state.blend = desc.blend;
    state.blendSource = blendFactor(desc.blendSource);
    state.blendDestination = blendFactor(desc.blendDestination);
    state.depthTest = desc.depthTest;
    state.depthWrite = desc.depthWrite;
    state.cull = desc.cull;
    state.program = program.program;
    for (size_t unit = 0; unit < effect->textures.size(); unit++)
        state.samplers[unit] = program.samplers[unit];
    bindTextures(effect, &state);
    applyState(effect->device, state);
    effect->pass = int(pass);
    effect->device->pass = &program;
    return OK;
}

Result setEffectTexture(Effect* effect, const char* parameter, Texture* texture)
{
    // Render targets are for copying only: their picture sits inside a larger texture.
    if (!isLive(effect, Kind::Effect) || !parameter || (texture && !isLive(texture, Kind::Texture)) ||
        (texture && texture->framebuffer))
        return INVALIDCALL;
    for (size_t i = 0; i < effect->textureNames.size(); i++) {
        if (effect->textureNames[i] == parameter) {
            effect->textures[i] = texture;
            return OK;
        }
    }
    return INVALIDCALL;
}

// Inside a pass, texture changes wait for this call, as in D3DX.
Result commitChanges(Effect* effect)
{
    if (!usable(effect) || effect->pass < 0)
        return INVALIDCALL;
    GlState state = effect->device->state;
    bindTextures(effect, &state);
    applyState(effect->device, state);
    return OK;
}

Result endPass(Effect* effect)
{
    if (!isLive(effect, Kind::Effect) || effect->pass < 0)
        return INVALIDCALL;
    effect->pass = -1;
    if (effect->device)
        effect->device->pass = nullptr;
    return OK;
}

// A sampler the pass does not set (0) stays unset either way.
Result setMipmapping(Device* device, uint32_t sampler, bool enabled)
{
    if (!useDevice(device) || !device->pass || sampler >= uint32_t(MAX_TEXTURE_UNITS))
        return INVALIDCALL;
    GlState state = device->state;
    state.samplers[sampler] = enabled ? device->pass->samplers[sampler] : device->pass->fullSizeSamplers[sampler];
    applyState(device, state);
    return OK;
}

Result endEffect(Effect* effect)
{
    if (!usable(effect) || !effect->begun)
        return INVALIDCALL;
    applyState(effect->device, effect->saved);
    effect->begun = false;
    effect->pass = -1;
    effect->device->pass = nullptr;
    return OK;
}

// Leaves the device's state free of this effect's programs and samplers first, so
// the shadow state never names a deleted object.
void destroyEffect(Effect* effect)
{
    Device* device = effect->device;
    GlState clean = effect->begun ? effect->saved : device->state;
    for (const Technique& technique : effect->techniques) {
        for (const PassProgram& pass : technique.passes) {
            if (clean.program == pass.program)
                clean.program = 0;
            for (GLuint& sampler : clean.samplers)
                for (size_t unit = 0; unit < MAX_TEXTURE_UNITS; unit++)
                    if (sampler != 0 && (sampler == pass.samplers[unit] || sampler == pass.fullSizeSamplers[unit]))
                        sampler = 0;
            if (device->pass == &pass)
                device->pass = nullptr;
        }
    }
    applyState(device, clean);
    deletePrograms(effect);
    effect->begun = false;
    effect->pass = -1;
    effect->device = nullptr;
}

} // namespace sdlgpu
