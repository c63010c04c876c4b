// gpu_gl: the OpenGL the graphics service is written against, and the few places
// where the two OpenGLs it runs on differ.
//
// On the desktop that is OpenGL 3.3 core through libepoxy; in the browser it is
// OpenGL ES 3.0 as WebGL 2 offers it (emscripten's <GLES3/gl3.h>). The service's
// code is the same for both except for what is here, and for glDrawElementsBaseVertex,
// which ES 3.0 lacks (gpu_buffers draws with moved attribute pointers instead).
//
//   SHADER_DIALECT           the GLSL the effect language's shaders are emitted in.
//   DEFAULT_COLOR_ATTACHMENT the window's colour buffer, as the framebuffer queries
//                            name it (ES has one back buffer, no left or right).
//   glVersionOk()            the context is new enough (desktop: 3.3 or later).
//   hasTextureStorage()      glTexStorage2D is there (core in 4.2 and ES 3.0).
//   setClearDepth(z)         glClearDepth; ES takes a float.
//   FIRST_INDEX_BUFFER_TARGET where an index buffer is bound to be made: WebGL fixes
//                            a buffer's kind at its first binding, so there it is
//                            GL_ELEMENT_ARRAY_BUFFER (a VAO's state, which every
//                            draw binds again); the desktop's copy target touches
//                            no VAO.
#pragma once
#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <epoxy/gl.h>
#endif

#include "platform/sdl/effect_language.h"

namespace sdlgpu {

#ifdef __EMSCRIPTEN__
constexpr fx::GlslDialect SHADER_DIALECT = fx::GlslDialect::Es300;
constexpr GLenum DEFAULT_COLOR_ATTACHMENT = GL_BACK;
inline bool glVersionOk() { return true; }
inline bool hasTextureStorage() { return true; }
inline void setClearDepth(float z) { glClearDepthf(z); }
constexpr GLenum FIRST_INDEX_BUFFER_TARGET = GL_ELEMENT_ARRAY_BUFFER;
#else
constexpr fx::GlslDialect SHADER_DIALECT = fx::GlslDialect::Core330;
constexpr GLenum DEFAULT_COLOR_ATTACHMENT = GL_BACK_LEFT;
inline bool glVersionOk() { return epoxy_gl_version() >= 33; }
// Immutable storage for the whole chain at once: without it a driver allocates
// level 0 alone and copies everything into a new mip tree at the first draw.
inline bool hasTextureStorage()
{
    static const bool has = epoxy_gl_version() >= 42 || epoxy_has_gl_extension("GL_ARB_texture_storage");
    return has;
}
inline void setClearDepth(float z) { glClearDepth(z); }
constexpr GLenum FIRST_INDEX_BUFFER_TARGET = GL_COPY_WRITE_BUFFER;
#endif

}  // namespace sdlgpu
