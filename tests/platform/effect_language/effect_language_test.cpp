#include "platform/sdl/effect_language.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace {

const char* const validEffect = R"(// two techniques
texture texture_0;
texture mask;   /* a second parameter */

technique GUI {
    pass P0 {
        blend = src_alpha, inv_src_alpha;
        depth_test = off;
        depth_write = off;
        cull = ccw;
        sampler texture_0 {
            filter = linear, linear, linear;
            address = clamp;
        }
        vertex_shader {{{
            #version 330 core
            void main() { gl_Position = vec4(0.0); }
        }}}
        pixel_shader {{{
            out vec4 c; void main() { c = vec4(1.0); } }}}
    }
}

technique Plain {
    pass First {
        cull = none;
        sampler mask { address = wrap, mirror; filter = point, linear, none; }
        vertex_shader {{{ void main() {} }}}
        pixel_shader {{{ void main() {} }}}
    }
    pass Second {
        blend = off;
        cull = cw;
        vertex_shader {{{ void main() {} }}}
        pixel_shader {{{ void main() {} }}}
    }
}
)";

fx::EffectDesc parsed(std::string_view text)
{
    fx::EffectDesc effect;
    fx::ParseError error;
    EXPECT_TRUE(fx::parseEffect(text, &effect, &error)) << "line " << error.line << ": " << error.message;
    return effect;
}

fx::ParseError failure(std::string_view text)
{
    fx::EffectDesc effect;
    fx::ParseError error;
    EXPECT_FALSE(fx::parseEffect(text, &effect, &error));
    return error;
}

TEST(EffectLanguage, ValidFileGivesTexturesTechniquesAndPasses)
{
    fx::EffectDesc effect = parsed(validEffect);
    ASSERT_EQ(effect.textures, (std::vector<std::string>{"texture_0", "mask"}));
    ASSERT_EQ(effect.techniques.size(), 2u);
    EXPECT_EQ(effect.techniques[0].name, "GUI");
    EXPECT_EQ(effect.techniques[1].name, "Plain");
    ASSERT_EQ(effect.techniques[0].passes.size(), 1u);
    ASSERT_EQ(effect.techniques[1].passes.size(), 2u);

    const fx::PassDesc& gui = effect.techniques[0].passes[0];
    EXPECT_EQ(gui.name, "P0");
    EXPECT_EQ(gui.line, 6);
    EXPECT_TRUE(gui.blend);
    EXPECT_EQ(gui.blendSource, fx::BlendFactor::SrcAlpha);
    EXPECT_EQ(gui.blendDestination, fx::BlendFactor::InvSrcAlpha);
    EXPECT_FALSE(gui.depthTest);
    EXPECT_FALSE(gui.depthWrite);
    EXPECT_EQ(gui.cull, fx::Cull::Ccw);
    ASSERT_EQ(gui.samplers.size(), 2u);
    EXPECT_EQ(gui.samplers[0].minFilter, fx::Filter::Linear);
    EXPECT_EQ(gui.samplers[0].magFilter, fx::Filter::Linear);
    EXPECT_EQ(gui.samplers[0].mipFilter, fx::Filter::Linear);
    EXPECT_EQ(gui.samplers[0].addressU, fx::Address::Clamp);
    EXPECT_EQ(gui.samplers[0].addressV, fx::Address::Clamp);
    EXPECT_EQ(gui.vertexShader.line, 15);
    EXPECT_NE(gui.vertexShader.source.find("gl_Position = vec4(0.0);"), std::string::npos);
    EXPECT_EQ(gui.vertexShader.source.find("}}}"), std::string::npos);
    EXPECT_EQ(gui.pixelShader.line, 19);
    EXPECT_EQ(gui.pixelShader.source, "\n            out vec4 c; void main() { c = vec4(1.0); } ");

    const fx::PassDesc& first = effect.techniques[1].passes[0];
    EXPECT_EQ(first.cull, fx::Cull::None);
    EXPECT_EQ(first.samplers[1].minFilter, fx::Filter::Point);
    EXPECT_EQ(first.samplers[1].magFilter, fx::Filter::Linear);
    EXPECT_EQ(first.samplers[1].mipFilter, fx::Filter::None);
    EXPECT_EQ(first.samplers[1].addressU, fx::Address::Wrap);
    EXPECT_EQ(first.samplers[1].addressV, fx::Address::Mirror);
    EXPECT_EQ(effect.techniques[1].passes[1].cull, fx::Cull::Cw);
    EXPECT_FALSE(effect.techniques[1].passes[1].blend);
}

TEST(EffectLanguage, UnsetStatesKeepTheFreshDeviceDefaults)
{
    fx::EffectDesc effect =
        parsed("texture t; technique T { pass P { vertex_shader {{{ a }}} pixel_shader {{{ b }}} } }");
    const fx::PassDesc& pass = effect.techniques[0].passes[0];
    EXPECT_FALSE(pass.blend);
    EXPECT_TRUE(pass.depthTest);
    EXPECT_TRUE(pass.depthWrite);
    EXPECT_EQ(pass.cull, fx::Cull::Ccw);
    ASSERT_EQ(pass.samplers.size(), 1u);
    EXPECT_EQ(pass.samplers[0].minFilter, fx::Filter::Point);
    EXPECT_EQ(pass.samplers[0].mipFilter, fx::Filter::None);
    EXPECT_EQ(pass.samplers[0].addressU, fx::Address::Wrap);
}

TEST(EffectLanguage, EmptyTechniqueIsAllowed)
{
    fx::EffectDesc effect = parsed("technique Nothing { }");
    ASSERT_EQ(effect.techniques.size(), 1u);
    EXPECT_TRUE(effect.techniques[0].passes.empty());
}

TEST(EffectLanguage, BundledGuiEffectMeetsTheRendererContract)
{
    std::ifstream file("data/gui.fx", std::ios::binary);
    ASSERT_TRUE(file) << "run from the source folder";
    std::stringstream text;
    text << file.rdbuf();
    fx::EffectDesc effect = parsed(text.str());
    ASSERT_EQ(effect.textures, std::vector<std::string>{"texture_0"});
    ASSERT_EQ(effect.techniques.size(), 1u);
    EXPECT_EQ(effect.techniques[0].name, "GUI");
    ASSERT_EQ(effect.techniques[0].passes.size(), 1u);
    const fx::PassDesc& pass = effect.techniques[0].passes[0];
    EXPECT_TRUE(pass.blend);
    EXPECT_EQ(pass.blendSource, fx::BlendFactor::SrcAlpha);
    EXPECT_EQ(pass.blendDestination, fx::BlendFactor::InvSrcAlpha);
    EXPECT_FALSE(pass.depthTest);
    EXPECT_EQ(pass.cull, fx::Cull::Ccw);
    EXPECT_EQ(pass.samplers[0].addressU, fx::Address::Clamp);
    EXPECT_EQ(pass.samplers[0].addressV, fx::Address::Clamp);
    EXPECT_EQ(pass.samplers[0].minFilter, fx::Filter::Linear);
    EXPECT_EQ(pass.samplers[0].magFilter, fx::Filter::Linear);
    // Pictures drawn small read a mip level, but not a blend of two.
    EXPECT_EQ(pass.samplers[0].mipFilter, fx::Filter::Point);
}

struct BadCase {
    const char* text;
    int line;
    const char* message;  // a part of the message
};

TEST(EffectLanguage, EachSyntaxErrorNamesItsLine)
{
    const char* shaders = "vertex_shader {{{ a }}} pixel_shader {{{ b }}}";
    std::string pass = std::string("technique T { pass P { ") + shaders + " } }";
    const BadCase cases[] = {
        {"textures t;", 1, "expected 'texture' or 'technique'"},
        {"texture t\ntechnique T {}", 2, "expected ';'"},
        {"texture 9t;", 1, "expected a parameter name"},
        {"technique T {\n pass P {\n  blnd = off;", 3, "unknown pass setting 'blnd'"},
        {"technique T {\n pass P {\n  blend = src_alpha inv_src_alpha;", 3, "expected ','"},
        {"technique T {\n pass P {\n  blend = source, one;", 3, "unknown blend factor 'source'"},
        {"technique T { pass P {\n cull = back; } }", 2, "unknown cull mode 'back'"},
        {"technique T { pass P {\n depth_test = yes; } }", 2, "unknown depth_test value 'yes'"},
        {"technique T { pass P {\n depth_test off; } }", 2, "expected '='"},
        {"technique T { pass P {\n cull = cw } }", 2, "expected ';'"},
        {"technique T { pass P {\n cull = cw;\n cull = none; } }", 3, "'cull' is set twice"},
        {"technique T { pass P {\n sampler t { } } }", 2, "not a declared texture"},
        {"texture t; technique T { pass P {\n sampler t { filter = none, linear, linear; } } }", 2,
         "unknown min filter 'none'"},
        {"texture t; technique T { pass P {\n sampler t { filter = linear, linear; } } }", 2, "expected ','"},
        {"texture t; technique T { pass P {\n sampler t { address = border; } } }", 2, "unknown address mode"},
        {"texture t; technique T { pass P {\n sampler t { wrap = on; } } }", 2, "unknown sampler setting"},
        {"texture t; technique T { pass P {\n sampler t { address = clamp;\n address = wrap; } } }", 3,
         "'address' is set twice"},
        {"technique T {}\ntexture t;", 2, "declared after a technique"},
        {"texture t;\ntexture t;", 2, "declared twice"},
        {"technique T {}\ntechnique T {}", 2, "two techniques named 'T'"},
        {"technique T {\n pass P { vertex_shader {{{ a }}} pixel_shader {{{ b }}} }\n pass P {} }", 3,
         "two passes named 'P'"},
        {"technique T {\n pass P {\n  pixel_shader {{{ b }}}\n } }", 2, "has no vertex_shader"},
        {"technique T {\n pass P {\n  vertex_shader {{{ a }}}\n } }", 2, "has no pixel_shader"},
        {"technique T { pass P {\n vertex_shader {{{ \n\n }}} } }", 2, "has no GLSL"},
        {"technique T { pass P {\n vertex_shader { a } } }", 2, "expected '{{{'"},
        {"technique T { pass P {\n vertex_shader {{{ void main() {}\n\n", 2, "missing }}}"},
        {"technique T { pass P {\n vertex_shader {{{ void main()\n {}}}} } }", 3, "ambiguous"},
        {"technique T { pass P {\n vertex_shader {{{ a }}}}", 2, "ambiguous"},
        {"technique T { pass P {\n vertex_shader {{{ a }}}\n vertex_shader {{{ a }}} } }", 3, "set twice"},
        {"/* note\n\n", 1, "comment not closed"},
        {"technique T { pass P {\n blend = off; @ } }", 2, "character 0x40"},
        {"technique T { stage P {} }", 1, "expected 'pass' or '}'"},
        {"technique { }", 1, "expected a technique name"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.text);
        fx::ParseError error = failure(c.text);
        EXPECT_EQ(error.line, c.line);
        EXPECT_NE(error.message.find(c.message), std::string::npos) << error.message;
    }
    parsed(pass);
}

TEST(EffectLanguage, UnbalancedBracesFailAtTheEnd)
{
    fx::ParseError open = failure("technique T {\n pass P { vertex_shader {{{ a }}} pixel_shader {{{ b }}} }\n");
    EXPECT_EQ(open.line, 3);
    EXPECT_NE(open.message.find("end of file"), std::string::npos);

    fx::ParseError closed = failure("technique T { }\n}");
    EXPECT_EQ(closed.line, 2);
    EXPECT_NE(closed.message.find("'}'"), std::string::npos);

    EXPECT_FALSE(failure(std::string(100000, '{')).message.empty());
    EXPECT_FALSE(failure(std::string(100000, '}')).message.empty());
    EXPECT_FALSE(failure("technique T " + std::string(100000, '{')).message.empty());
}

TEST(EffectLanguage, HostileInputFailsCleanly)
{
    fx::ParseError empty = failure("");
    EXPECT_NE(empty.message.find("no technique"), std::string::npos);
    EXPECT_NE(failure("  \n\t\r\n// only a comment\n").message.find("no technique"), std::string::npos);

    std::string withNul = "technique T {\n pass P {\n";
    withNul += '\0';
    withNul += "} }";
    fx::ParseError nul = failure(withNul);
    EXPECT_EQ(nul.line, 3);
    EXPECT_NE(nul.message.find("NUL"), std::string::npos);

    // A megabyte-long name is reported, but quoted only in part.
    fx::ParseError longLine = failure("texture " + std::string(1 << 20, 'x') + " x;");
    EXPECT_EQ(longLine.line, 1);
    EXPECT_LT(longLine.message.size(), 200u);

    EXPECT_FALSE(failure("\xff\xfe\x80 binary").message.empty());
}

// Mutated copies of a valid file either parse or fail with a line inside the text.
TEST(EffectLanguage, MutatedFilesNeverBreakTheParser)
{
    std::mt19937 random(1234);
    const std::string original = validEffect;
    const char alphabet[] = "{};=,/* \n}}}{{{\0az_";
    for (int round = 0; round < 3000; round++) {
        std::string text = original;
        int edits = 1 + int(random() % 8);
        for (int e = 0; e < edits && !text.empty(); e++) {
            size_t at = random() % text.size();
            switch (random() % 3) {
            case 0: text[at] = alphabet[random() % (sizeof alphabet - 1)]; break;
            case 1: text.erase(at, 1 + random() % 16); break;
            default: text.insert(at, 1, alphabet[random() % (sizeof alphabet - 1)]); break;
            }
        }
        fx::EffectDesc effect;
        fx::ParseError error;
        if (!fx::parseEffect(text, &effect, &error)) {
            int lines = 1 + int(std::count(text.begin(), text.end(), '\n'));
            EXPECT_GE(error.line, 1);
            EXPECT_LE(error.line, lines);
            EXPECT_FALSE(error.message.empty());
        }
    }
}

TEST(EffectLanguage, GlslSourceGetsVersionAndFileLineNumbers)
{
    fx::ShaderDesc bare{"\nvoid main() {}\n", 12};
    EXPECT_EQ(fx::glslSource(bare), "#version 330 core\n#line 12\n\nvoid main() {}\n");

    fx::ShaderDesc versioned{"\n  #version 330 core\nvoid main() {}\n", 7};
    // The line after #version is the file's line 9: {{{ on 7, #version on 8.
    EXPECT_EQ(fx::glslSource(versioned), "\n  #version 330 core\n#line 9\nvoid main() {}\n");
}

} // namespace
