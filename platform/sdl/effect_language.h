// effect_language: the parser of this project's effect language.
//
// An effect file declares texture parameters, then techniques made of passes; a
// pass holds render states (blending, depth, culling), sampler states for the
// texture parameters, and a vertex and a pixel shader in GLSL 330 core, written
// inline between {{{ and }}}. parseEffect() turns the text into a plain
// EffectDesc or reports the first error with its line. Nothing here touches
// OpenGL: the graphics service compiles what comes out. The language is
// described for disk makers in docs/effect-language.md.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace fx {

enum class BlendFactor {
    Zero, One, SrcColor, InvSrcColor, SrcAlpha, InvSrcAlpha, DestColor, InvDestColor, DestAlpha, InvDestAlpha
};
enum class Cull { None, Cw, Ccw };  // which on-screen winding is removed
enum class Filter { None, Point, Linear };  // None only as a mip filter
enum class Address { Wrap, Clamp, Mirror };

// The defaults are those a fresh Direct3D 9 device has.
struct SamplerDesc {
    Filter minFilter = Filter::Point;
    Filter magFilter = Filter::Point;
    Filter mipFilter = Filter::None;
    Address addressU = Address::Wrap;
    Address addressV = Address::Wrap;
};

struct ShaderDesc {
    std::string source;  // the text between {{{ and }}}, verbatim
    int line = 0;        // file line on which that text starts
};

struct PassDesc {
    std::string name;
    int line = 0;
    bool blend = false;
    BlendFactor blendSource = BlendFactor::One;
    BlendFactor blendDestination = BlendFactor::Zero;
    bool depthTest = true;
    bool depthWrite = true;
    Cull cull = Cull::Ccw;
    std::vector<SamplerDesc> samplers;  // one per texture parameter, in declaration order
    ShaderDesc vertexShader;
    ShaderDesc pixelShader;
};

struct TechniqueDesc {
    std::string name;
    std::vector<PassDesc> passes;
};

struct EffectDesc {
    std::vector<std::string> textures;  // texture parameter names, in declaration order
    std::vector<TechniqueDesc> techniques;
};

struct ParseError {
    int line = 0;
    std::string message;
};

// False on the first error, with *error filled; *effect is then unspecified.
bool parseEffect(std::string_view text, EffectDesc* effect, ParseError* error);

// Which GLSL the compiler takes: desktop OpenGL 3.3, or OpenGL ES 3.0 (WebGL 2).
enum class GlslDialect { Core330, Es300 };

// A shader as handed to the GLSL compiler: "#version 330 core" is added when the
// block has no #version line, and a #line directive makes the compiler's messages
// name lines of the effect file. For Es300 the version line, the block's own or
// the added one, becomes a first line "#version 300 es" followed by high default precisions
// (ES has no default for floats in pixel shaders, and a low one for samplers);
// the rest of the text is the same, so a shader meant for both keeps to what the
// two languages share.
std::string glslSource(const ShaderDesc& shader, GlslDialect dialect = GlslDialect::Core330);

} // namespace fx
