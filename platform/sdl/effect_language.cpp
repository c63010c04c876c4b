#include "platform/sdl/effect_language.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace fx {

namespace {

enum class TokenKind { End, Identifier, Symbol, Bad };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;
    int line = 0;
};

struct Parser {
    std::string_view text;
    size_t pos = 0;
    int line = 1;
    ParseError* error = nullptr;
};

// Names in messages are cut short, so a hostile line cannot flood stderr.
std::string shortened(std::string_view name)
{
    return name.size() <= 40 ? std::string(name) : std::string(name.substr(0, 40)) + "...";
}

std::string describe(const Token& token)
{
    if (token.kind == TokenKind::End)
        return "end of file";
    if (token.kind == TokenKind::Bad) {
        char text[40];
        std::snprintf(text, sizeof text, "character 0x%02X", unsigned(uint8_t(token.text[0])));
        return text;
    }
    return "'" + shortened(token.text) + "'";
}

bool fail(Parser& p, int line, const std::string& message)
{
    p.error->line = line;
    p.error->message = message;
    return false;
}

bool isIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isIdentifierChar(char c) { return isIdentifierStart(c) || (c >= '0' && c <= '9'); }

// Skips blanks and comments; fails only on an unterminated block comment.
bool skipSpace(Parser& p)
{
    while (p.pos < p.text.size()) {
        char c = p.text[p.pos];
        if (c == '\n') {
            p.line++;
            p.pos++;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            p.pos++;
        } else if (p.text.substr(p.pos, 2) == "//") {
            while (p.pos < p.text.size() && p.text[p.pos] != '\n')
                p.pos++;
        } else if (p.text.substr(p.pos, 2) == "/*") {
            int startLine = p.line;
            size_t end = p.text.find("*/", p.pos + 2);
            if (end == std::string_view::npos)
                return fail(p, startLine, "comment not closed: missing */");
            for (size_t i = p.pos; i < end; i++)
                p.line += p.text[i] == '\n';
            p.pos = end + 2;
        } else {
            break;
        }
    }
    return true;
}

bool next(Parser& p, Token* token)
{
    if (!skipSpace(p))
        return false;
    token->line = p.line;
    if (p.pos >= p.text.size()) {
        token->kind = TokenKind::End;
        token->text = {};
        return true;
    }
    char c = p.text[p.pos];
    size_t start = p.pos;
    if (isIdentifierStart(c)) {
        while (p.pos < p.text.size() && isIdentifierChar(p.text[p.pos]))
            p.pos++;
        token->kind = TokenKind::Identifier;
    } else if (c == '{' || c == '}' || c == ';' || c == '=' || c == ',') {
        p.pos++;
        token->kind = TokenKind::Symbol;
    } else {
        p.pos++;
        token->kind = TokenKind::Bad;
    }
    token->text = p.text.substr(start, p.pos - start);
    return true;
}

bool peek(Parser& p, Token* token)
{
    Parser saved = p;
    bool ok = next(p, token);
    p = saved;
    return ok;
}

bool is(const Token& token, std::string_view text)
{
    return token.kind != TokenKind::End && token.kind != TokenKind::Bad && token.text == text;
}

bool expect(Parser& p, std::string_view symbol, const char* context)
{
    Token token;
    if (!next(p, &token))
        return false;
    if (!is(token, symbol))
        return fail(p, token.line, "expected '" + std::string(symbol) + "' " + context + ", found " + describe(token));
    return true;
}

bool expectName(Parser& p, Token* token, const char* what)
{
    if (!next(p, token))
        return false;
    if (token->kind != TokenKind::Identifier)
        return fail(p, token->line, std::string("expected ") + what + ", found " + describe(*token));
    return true;
}

// Reads one keyword value from a table; `what` names the setting in messages.
template <typename T, size_t N>
bool expectValue(Parser& p, const std::pair<const char*, T> (&table)[N], const char* what, T* value)
{
    Token token;
    if (!next(p, &token))
        return false;
    for (const auto& entry : table) {
        if (is(token, entry.first)) {
            *value = entry.second;
            return true;
        }
    }
    std::string choices;
    for (const auto& entry : table)
        choices += (choices.empty() ? "" : ", ") + std::string(entry.first);
    return fail(p, token.line,
                std::string("unknown ") + what + " " + describe(token) + " (expected one of: " + choices + ")");
}

constexpr std::pair<const char*, bool> onOff[] = {{"on", true}, {"off", false}};

constexpr std::pair<const char*, BlendFactor> blendFactors[] = {
    {"zero", BlendFactor::Zero},
    {"one", BlendFactor::One},
    {"src_color", BlendFactor::SrcColor},
    {"inv_src_color", BlendFactor::InvSrcColor},
    {"src_alpha", BlendFactor::SrcAlpha},
    {"inv_src_alpha", BlendFactor::InvSrcAlpha},
    {"dest_color", BlendFactor::DestColor},
    {"inv_dest_color", BlendFactor::InvDestColor},
    {"dest_alpha", BlendFactor::DestAlpha},
    {"inv_dest_alpha", BlendFactor::InvDestAlpha},
};

constexpr std::pair<const char*, Cull> cullModes[] = {{"none", Cull::None}, {"cw", Cull::Cw}, {"ccw", Cull::Ccw}};
constexpr std::pair<const char*, Filter> filters[] = {{"point", Filter::Point}, {"linear", Filter::Linear}};
constexpr std::pair<const char*, Filter> mipFilters[] = {
    {"none", Filter::None}, {"point", Filter::Point}, {"linear", Filter::Linear}};
constexpr std::pair<const char*, Address> addresses[] = {
    {"wrap", Address::Wrap}, {"clamp", Address::Clamp}, {"mirror", Address::Mirror}};

// Each setting may appear once per block, so a typo'd duplicate is caught.
bool once(Parser& p, std::vector<std::string_view>* seen, const Token& name, const std::string& where)
{
    for (std::string_view s : *seen)
        if (s == name.text)
            return fail(p, name.line, "'" + shortened(name.text) + "' is set twice in " + where);
    seen->push_back(name.text);
    return true;
}

bool parseBlend(Parser& p, PassDesc* pass)
{
    Token token;
    if (!peek(p, &token))
        return false;
    if (is(token, "off")) {
        next(p, &token);
        pass->blend = false;
        return true;
    }
    pass->blend = true;
    return expectValue(p, blendFactors, "blend factor", &pass->blendSource) &&
           expect(p, ",", "between the source and destination blend factors") &&
           expectValue(p, blendFactors, "blend factor", &pass->blendDestination);
}

bool parseSampler(Parser& p, const EffectDesc& effect, PassDesc* pass)
{
    Token name;
    if (!expectName(p, &name, "a texture parameter name after 'sampler'"))
        return false;
    size_t index = 0;
    while (index < effect.textures.size() && effect.textures[index] != name.text)
        index++;
    if (index == effect.textures.size())
        return fail(p, name.line, "sampler for " + describe(name) + ", which is not a declared texture");
    std::string where = "sampler " + shortened(name.text);
    if (!expect(p, "{", ("after '" + where + "'").c_str()))
        return false;
    SamplerDesc& sampler = pass->samplers[index];
    std::vector<std::string_view> seen;
    for (;;) {
        Token setting;
        if (!next(p, &setting))
            return false;
        if (is(setting, "}"))
            return true;
        if (setting.kind != TokenKind::Identifier)
            return fail(p, setting.line, "expected a sampler setting or '}', found " + describe(setting));
        if (!once(p, &seen, setting, where))
            return false;
        if (!expect(p, "=", ("after '" + shortened(setting.text) + "'").c_str()))
            return false;
        bool ok;
        if (is(setting, "filter")) {
            ok = expectValue(p, filters, "min filter", &sampler.minFilter) &&
                 expect(p, ",", "after the min filter (filter = min, mag, mip)") &&
                 expectValue(p, filters, "mag filter", &sampler.magFilter) &&
                 expect(p, ",", "after the mag filter (filter = min, mag, mip)") &&
                 expectValue(p, mipFilters, "mip filter", &sampler.mipFilter);
        } else if (is(setting, "address")) {
            ok = expectValue(p, addresses, "address mode", &sampler.addressU);
            sampler.addressV = sampler.addressU;
            Token comma;
            if (ok && peek(p, &comma) && is(comma, ",")) {
                next(p, &comma);
                ok = expectValue(p, addresses, "address mode", &sampler.addressV);
            }
        } else {
            return fail(p, setting.line,
                        "unknown sampler setting " + describe(setting) + " (expected filter or address)");
        }
        if (!ok || !expect(p, ";", ("after the value of '" + shortened(setting.text) + "'").c_str()))
            return false;
    }
}

// The shader text runs from {{{ to the first }}}. Four closing braces in a row
// could mean the shader's brace then }}}, or }}} then the pass's brace: refuse
// to guess, since either guess breaks the shader or the pass far from the cause.
bool parseShader(Parser& p, const Token& keyword, ShaderDesc* shader)
{
    if (!skipSpace(p))
        return false;
    if (p.text.substr(p.pos, 3) != "{{{") {
        Token found;
        peek(p, &found);
        return fail(p, p.line, "expected '{{{' to open the GLSL of '" + std::string(keyword.text) + "', found " +
                                   describe(found));
    }
    int startLine = p.line;
    size_t begin = p.pos + 3;
    size_t end = p.text.find("}}}", begin);
    if (end == std::string_view::npos)
        return fail(p, startLine, "GLSL block of '" + std::string(keyword.text) + "' not closed: missing }}}");
    if (end + 3 < p.text.size() && p.text[end + 3] == '}') {
        int line = startLine + int(std::count(p.text.begin() + begin, p.text.begin() + end, '\n'));
        return fail(p, line, "'}}}}' is ambiguous: put a space between }}} and the brace next to it");
    }
    shader->source = std::string(p.text.substr(begin, end - begin));
    shader->line = startLine;
    for (char c : shader->source)
        p.line += c == '\n';
    p.pos = end + 3;
    if (shader->source.find_first_not_of(" \t\r\n") == std::string::npos)
        return fail(p, startLine, "'" + std::string(keyword.text) + "' has no GLSL between {{{ and }}}");
    return true;
}

bool parsePass(Parser& p, const EffectDesc& effect, TechniqueDesc* technique)
{
    Token name;
    if (!expectName(p, &name, "a pass name after 'pass'"))
        return false;
    for (const PassDesc& other : technique->passes)
        if (other.name == name.text)
            return fail(p, name.line,
                        "technique " + shortened(technique->name) + " has two passes named " + describe(name));
    PassDesc pass;
    pass.name = std::string(name.text);
    pass.line = name.line;
    pass.samplers.resize(effect.textures.size());
    std::string where = "pass " + shortened(pass.name);
    if (!expect(p, "{", ("after '" + where + "'").c_str()))
        return false;
    std::vector<std::string_view> seen;
    for (;;) {
        Token setting;
        if (!next(p, &setting))
            return false;
        if (is(setting, "}"))
            break;
        if (setting.kind != TokenKind::Identifier)
            return fail(p, setting.line, "expected a pass setting or '}', found " + describe(setting));
        if (is(setting, "sampler")) {
            if (!parseSampler(p, effect, &pass))
                return false;
            continue;
        }
        if (!once(p, &seen, setting, where))
            return false;
        if (is(setting, "vertex_shader") || is(setting, "pixel_shader")) {
            if (!parseShader(p, setting, is(setting, "vertex_shader") ? &pass.vertexShader : &pass.pixelShader))
                return false;
            continue;
        }
        if (!expect(p, "=", ("after '" + shortened(setting.text) + "'").c_str()))
            return false;
        bool ok;
        if (is(setting, "blend"))
            ok = parseBlend(p, &pass);
        else if (is(setting, "depth_test"))
            ok = expectValue(p, onOff, "depth_test value", &pass.depthTest);
        else if (is(setting, "depth_write"))
            ok = expectValue(p, onOff, "depth_write value", &pass.depthWrite);
        else if (is(setting, "cull"))
            ok = expectValue(p, cullModes, "cull mode", &pass.cull);
        else
            return fail(p, setting.line,
                        "unknown pass setting " + describe(setting) +
                            " (expected blend, depth_test, depth_write, cull, sampler, vertex_shader or pixel_shader)");
        if (!ok || !expect(p, ";", ("after the value of '" + shortened(setting.text) + "'").c_str()))
            return false;
    }
    if (pass.vertexShader.source.empty())
        return fail(p, pass.line, where + " has no vertex_shader");
    if (pass.pixelShader.source.empty())
        return fail(p, pass.line, where + " has no pixel_shader");
    technique->passes.push_back(std::move(pass));
    return true;
}

bool parseTechnique(Parser& p, EffectDesc* effect)
{
    Token name;
    if (!expectName(p, &name, "a technique name after 'technique'"))
        return false;
    for (const TechniqueDesc& other : effect->techniques)
        if (other.name == name.text)
            return fail(p, name.line, "two techniques named " + describe(name));
    TechniqueDesc technique;
    technique.name = std::string(name.text);
    if (!expect(p, "{", ("after 'technique " + shortened(technique.name) + "'").c_str()))
        return false;
    for (;;) {
        Token token;
        if (!next(p, &token))
            return false;
        if (is(token, "}"))
            break;
        if (!is(token, "pass"))
            return fail(p, token.line, "expected 'pass' or '}' in technique " + shortened(technique.name) +
                                           ", found " + describe(token));
        if (!parsePass(p, *effect, &technique))
            return false;
    }
    effect->techniques.push_back(std::move(technique));
    return true;
}

bool parseTexture(Parser& p, EffectDesc* effect)
{
    Token name;
    if (!expectName(p, &name, "a parameter name after 'texture'"))
        return false;
    if (!effect->techniques.empty())
        return fail(p, name.line,
                    "texture " + describe(name) + " is declared after a technique; declare textures first");
    for (const std::string& other : effect->textures)
        if (other == name.text)
            return fail(p, name.line, "texture " + describe(name) + " is declared twice");
    effect->textures.push_back(std::string(name.text));
    return expect(p, ";", ("after 'texture " + shortened(name.text) + "'").c_str());
}

int lineOf(std::string_view text, size_t pos)
{
    int line = 1;
    for (size_t i = 0; i < pos; i++)
        line += text[i] == '\n';
    return line;
}

} // namespace

bool parseEffect(std::string_view text, EffectDesc* effect, ParseError* error)
{
    *effect = {};
    *error = {};
    // A NUL would silently cut a shader short on its way to the GLSL compiler.
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos) {
        error->line = lineOf(text, nul);
        error->message = "NUL byte in the effect file";
        return false;
    }
    Parser p;
    p.text = text;
    p.error = error;
    for (;;) {
        Token token;
        if (!next(p, &token))
            return false;
        if (token.kind == TokenKind::End)
            break;
        bool ok;
        if (is(token, "texture"))
            ok = parseTexture(p, effect);
        else if (is(token, "technique"))
            ok = parseTechnique(p, effect);
        else
            return fail(p, token.line, "expected 'texture' or 'technique', found " + describe(token));
        if (!ok)
            return false;
    }
    if (effect->techniques.empty())
        return fail(p, p.line, "the effect has no technique");
    return true;
}

// Every type GLSL ES 3.00 lets a precision statement name: floats and ints get
// highp as in desktop GLSL, and samplers too (sampler2D defaults to lowp, the 3D,
// cube, array and shadow ones have no default in pixel shaders).
constexpr const char* ES_PRECISIONS =
    "precision highp float;\nprecision highp int;\n"
    "precision highp sampler2D;\nprecision highp sampler3D;\nprecision highp samplerCube;\n"
    "precision highp sampler2DArray;\nprecision highp sampler2DShadow;\nprecision highp samplerCubeShadow;\n"
    "precision highp sampler2DArrayShadow;\nprecision highp isampler2D;\nprecision highp isampler3D;\n"
    "precision highp isamplerCube;\nprecision highp isampler2DArray;\nprecision highp usampler2D;\n"
    "precision highp usampler3D;\nprecision highp usamplerCube;\nprecision highp usampler2DArray;\n";

std::string glslSource(const ShaderDesc& shader, GlslDialect dialect)
{
    const bool es = dialect == GlslDialect::Es300;
    const std::string& s = shader.source;
    size_t first = s.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && s.compare(first, 8, "#version") == 0) {
        size_t end = s.find('\n', first);
        if (end == std::string::npos)
            return es ? std::string("#version 300 es\n") + ES_PRECISIONS : s;
        int nextLine = shader.line + lineOf(s, end + 1) - 1;
        // WebGL wants "#version" on the very first line, with nothing before it.
        std::string version = es ? std::string("#version 300 es\n") + ES_PRECISIONS : s.substr(0, end + 1);
        return version + "#line " + std::to_string(nextLine) + "\n" + s.substr(end + 1);
    }
    std::string version = es ? std::string("#version 300 es\n") + ES_PRECISIONS : "#version 330 core\n";
    return version + "#line " + std::to_string(shader.line) + "\n" + s;
}

} // namespace fx
