// The effect language's shaders as the browser build hands them to WebGL 2: the
// emitted GLSL ES 3.00 text, and Mesa's OpenGL ES 3 compiler taking it (through
// SDL's offscreen driver, as the browser's would).
#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/sdl/effect_language.h"
#include "platform/sdl/gpu_effect.h"
#include "tests/support/resident_libraries.h"

namespace {

TEST(GlslEs, VersionLineBecomesEsWithHighPrecisionsAndFileLineNumbers)
{
    fx::ShaderDesc bare{"\nvoid main() {}\n", 12};
    std::string es = fx::glslSource(bare, fx::GlslDialect::Es300);
    EXPECT_EQ(es.rfind("#version 300 es\n", 0), 0u);
    EXPECT_NE(es.find("precision highp float;\n"), std::string::npos);
    EXPECT_NE(es.find("precision highp sampler2D;\n"), std::string::npos);
    EXPECT_EQ(es.substr(es.find("#line")), "#line 12\n\nvoid main() {}\n");

    fx::ShaderDesc versioned{"\n  #version 330 core\nvoid main() {}\n", 7};
    es = fx::glslSource(versioned, fx::GlslDialect::Es300);
    // WebGL takes #version on the first line only.
    EXPECT_EQ(es.rfind("#version 300 es\n", 0), 0u);
    EXPECT_EQ(es.find("330"), std::string::npos);
    EXPECT_EQ(es.substr(es.find("#line")), "#line 9\nvoid main() {}\n");

    // The desktop's text stays as it was.
    EXPECT_EQ(fx::glslSource(versioned), fx::glslSource(versioned, fx::GlslDialect::Core330));
}

class GlslEsCompiler : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        window = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        context = window ? SDL_GL_CreateContext(window) : nullptr;
        if (!context)
            GTEST_SKIP() << "no OpenGL ES 3 context here: " << SDL_GetError();
        ASSERT_FALSE(epoxy_is_desktop_gl());
    }

    void TearDown() override
    {
        keepLoadedLibrariesResident();
        if (context)
            SDL_GL_DeleteContext(context);
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    GLuint compile(GLenum type, const fx::ShaderDesc& shader, std::string* log)
    {
        return sdlgpu::compileShader(type, shader, fx::GlslDialect::Es300, log);
    }

    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

TEST_F(GlslEsCompiler, BundledEffectCompilesAndLinks)
{
    std::ifstream file("data/gui.fx");
    std::stringstream text;
    text << file.rdbuf();
    fx::EffectDesc effect;
    fx::ParseError error;
    ASSERT_TRUE(fx::parseEffect(text.str(), &effect, &error)) << error.message;
    for (const fx::TechniqueDesc& technique : effect.techniques) {
        for (const fx::PassDesc& pass : technique.passes) {
            std::string log;
            GLuint vertex = compile(GL_VERTEX_SHADER, pass.vertexShader, &log);
            ASSERT_NE(vertex, 0u) << log;
            GLuint pixel = compile(GL_FRAGMENT_SHADER, pass.pixelShader, &log);
            ASSERT_NE(pixel, 0u) << log;
            GLuint program = glCreateProgram();
            glAttachShader(program, vertex);
            glAttachShader(program, pixel);
            glLinkProgram(program);
            GLint linked = GL_FALSE;
            glGetProgramiv(program, GL_LINK_STATUS, &linked);
            EXPECT_TRUE(linked) << technique.name << " " << pass.name;
            // Texture parameters are found by name, as the effect runtime binds them.
            for (const std::string& name : effect.textures)
                EXPECT_GE(glGetUniformLocation(program, name.c_str()), 0) << name;
            glDeleteProgram(program);
            glDeleteShader(vertex);
            glDeleteShader(pixel);
        }
    }
}

TEST_F(GlslEsCompiler, ErrorsNameTheEffectFilesLine)
{
    // {{{ on line 20: the #version line is 21, the bad statement 23.
    fx::ShaderDesc shader{"\n#version 330 core\nout vec4 pixel;\nvoid main() { pixel = undeclared; }\n", 20};
    std::string log;
    EXPECT_EQ(compile(GL_FRAGMENT_SHADER, shader, &log), 0u);
    EXPECT_NE(log.find(":23"), std::string::npos) << log;
}

}  // namespace
