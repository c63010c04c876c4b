// floor_program: the shader program the floor programs draw with, written here
// and not taken from our renderer: the bundled effect's two shaders (the texel
// times the vertex colour) in GLSL 3.30, and the call that links them.
#pragma once
#include <epoxy/gl.h>

namespace bench {

inline const char* const FLOOR_VERTEX_SHADER = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texcoord;
layout(location = 2) in vec4 color;
out vec2 uv;
out vec4 tint;
void main()
{
    uv = texcoord;
    tint = color;
    gl_Position = vec4(position.xy, position.z * 2.0 - 1.0, 1.0);
}
)";

inline const char* const FLOOR_PIXEL_SHADER = R"(#version 330 core
uniform sampler2D texture_0;
in vec2 uv;
in vec4 tint;
out vec4 pixel;
void main()
{
    pixel = texture(texture_0, uv) * tint;
}
)";

// The linked program, or 0 when it does not link.
inline GLuint linkFloorProgram()
{
    GLuint program = glCreateProgram();
    for (auto [kind, source] : {std::pair{GL_VERTEX_SHADER, FLOOR_VERTEX_SHADER},
                                std::pair{GL_FRAGMENT_SHADER, FLOOR_PIXEL_SHADER}}) {
        GLuint shader = glCreateShader(kind);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        glAttachShader(program, shader);
        glDeleteShader(shader);
    }
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace bench
