// sdl_os: the real window system service on SDL2.
//
// createSdlOs() makes the service (the caller owns it and installs it with
// os::installOs). sdlWindowOf() gives the SDL window behind a handle it made, for
// the graphics service, which creates its OpenGL context on that window.
#pragma once
#include "platform/os.h"

struct SDL_Window;

os::Os* createSdlOs();
SDL_Window* sdlWindowOf(os::WindowHandle window);
