// The floor for start-up, memory and CPU: the least an SDL2 + OpenGL program does
// to show the disk's window. It opens the same window (820 x 320, borderless, at
// 10, 100, OpenGL 3.3 core with a 24-bit depth buffer, double-buffered), clears
// it to black and presents. For the benchmark that started it, it prints on stdout
// "mark main NANOS 0" on entering main() and "present NANOS" after the present
// (CLOCK_MONOTONIC).
//
// --textured adds the least a program that draws a picture does: one program
// made of the bundled effect's two shaders, one 256 x 256 texture, and one blended
// textured quad over the whole window in every frame. What it costs over the
// plain floor is what the OpenGL driver charges for drawing anything at all.
//
//   bench_floor_window [--textured]            one frame, then exit
//   bench_floor_window [--textured] SECONDS    a frame every 20 ms for SECONDS
#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/floor_program.h"
#include "bench/timed_services.h"

namespace {

// The program, the texture and the quad, bound and ready to draw.
bool prepareTexturedQuad()
{
    GLuint program = bench::linkFloorProgram();
    if (!program)
        return false;
    glUseProgram(program);

    constexpr int SIZE = 256;
    std::vector<unsigned char> pixels(SIZE * SIZE * 4);
    for (int y = 0; y < SIZE; y++)
        for (int x = 0; x < SIZE; x++) {
            unsigned char* p = &pixels[size_t(y * SIZE + x) * 4];
            p[0] = (unsigned char)x;
            p[1] = (unsigned char)y;
            p[2] = 160;
            p[3] = (unsigned char)((x + y) / 2);
        }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, SIZE, SIZE, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());

    // Two triangles over the whole window: x, y, z, u, v, r, g, b, a.
    const float quad[] = {-1, -1, 0.5f, 0, 1, 1, 1, 1, 1, -1, 1, 0.5f, 0, 0, 1, 1, 1, 1,
                          1,  1,  0.5f, 1, 0, 1, 1, 1, 1, -1, -1, 0.5f, 0, 1, 1, 1, 1, 1,
                          1,  1,  0.5f, 1, 0, 1, 1, 1, 1, 1,  -1, 0.5f, 1, 1, 1, 1, 1, 1};
    GLuint vertexArray = 0, buffer = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
    const GLsizei stride = 9 * sizeof(float);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(3 * sizeof(float)));
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(5 * sizeof(float)));
    for (GLuint i = 0; i < 3; i++)
        glEnableVertexAttribArray(i);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return true;
}

void drawFrame(SDL_Window* window, bool textured)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (textured)
        glDrawArrays(GL_TRIANGLES, 0, 6);
    SDL_GL_SwapWindow(window);
}

} // namespace

int main(int argc, char** argv)
{
    std::printf("mark main %lld 0\n", static_cast<long long>(bench::monotonicNanos()));
    int next = 1;
    const bool textured = argc > next && std::strcmp(argv[next], "--textured") == 0;
    if (textured)
        next++;
    double seconds = argc > next ? std::atof(argv[next]) : 0.0;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "floor: no video: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow("floor", 10, 100, 820, 320, SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::fprintf(stderr, "floor: no OpenGL 3.3 context: %s\n", SDL_GetError());
        return 1;
    }
    if (textured && !prepareTexturedQuad()) {
        std::fprintf(stderr, "floor: the shaders do not link\n");
        return 1;
    }
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    drawFrame(window, textured);
    std::printf("present %lld\n", static_cast<long long>(bench::monotonicNanos()));
    std::fflush(stdout);

    const int64_t end = bench::monotonicNanos() + int64_t(seconds * 1e9);
    while (bench::monotonicNanos() < end) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        SDL_Delay(20);
        drawFrame(window, textured);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
