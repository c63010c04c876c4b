// sdl_gpu: the real graphics service, Direct3D 9 calls on OpenGL 3.3 core.
//
// createSdlGpu() makes the service (the caller owns it and installs it with
// gpu::installGpu). Devices draw into the client area of a window made by the
// os service (an SDL window created with SDL_WINDOW_OPENGL) and paint its
// one-pixel border. Effects are read from this project's effect language
// (platform/sdl/effect_language.h).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu.h"

// decodeAhead: image files the program will make textures of; worker threads
// start decoding them at once, so the work overlaps whatever comes before (the
// window system loading the OpenGL driver). Results are as if decoded when asked.
gpu::Gpu* createSdlGpu(const std::vector<std::string>& decodeAhead = {});

// For tests: the device's current back buffer inside the client area, RGBA, top
// row first. Call before present(), which leaves the back buffer undefined.
bool sdlReadBackBuffer(gpu::Device* device, int* width, int* height, std::vector<uint8_t>* rgba);
