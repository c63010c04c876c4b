// The floor for start-up, memory and CPU: the least an SDL2 + OpenGL program does
// to show the disk's window. It opens the same window (820 x 320, borderless, at
// 10, 100, OpenGL 3.3 core with a 24-bit depth buffer, double-buffered), clears
// it to black and presents. For the benchmark that started it, it prints on stdout
// "mark main NANOS 0" on entering main() and "present NANOS" after the present
// (CLOCK_MONOTONIC).
//
//   bench_floor_window            one frame, then exit
//   bench_floor_window SECONDS    keep presenting a cleared frame every 20 ms
#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>

#include "bench/timed_services.h"

int main(int argc, char** argv)
{
    std::printf("mark main %lld 0\n", static_cast<long long>(bench::monotonicNanos()));
    double seconds = argc > 1 ? std::atof(argv[1]) : 0.0;
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
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    std::printf("present %lld\n", static_cast<long long>(bench::monotonicNanos()));
    std::fflush(stdout);

    const int64_t end = bench::monotonicNanos() + int64_t(seconds * 1e9);
    while (bench::monotonicNanos() < end) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        SDL_Delay(20);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
