// Fuzz target: the effect-language parser on any text. A parse either fails with
// a message and a line inside the text, or yields an effect whose every pass has
// both shaders and one sampler per texture parameter; each shader then goes
// through glslSource as the graphics service would hand it to the compiler.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/sdl/effect_language.h"

static void check(bool condition)
{
    if (!condition)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fx::EffectDesc effect;
    fx::ParseError error;
    if (!fx::parseEffect(text, &effect, &error)) {
        check(!error.message.empty());
        check(error.line >= 1 && size_t(error.line) <= size + 1);
        return 0;
    }
    for (const fx::TechniqueDesc& technique : effect.techniques) {
        for (const fx::PassDesc& pass : technique.passes) {
            check(pass.samplers.size() == effect.textures.size());
            check(fx::glslSource(pass.vertexShader).find("#version") != std::string::npos);
            check(fx::glslSource(pass.pixelShader).find("#version") != std::string::npos);
        }
    }
    return 0;
}
