// sdl_os: the real window system service on SDL2.
//
// createSdlOs(scale) makes the service (the caller owns it and installs it with
// os::installOs). sdlWindowOf() gives the SDL window behind a handle it made, for
// the graphics service, which creates its OpenGL context on that window.
//
// Scale (1 to MAX_WINDOW_SCALE) is for screens of high density: a window is made
// `scale` times as large in every measure (position, size, border), so whatever
// draws into it draws at that size, and mouse positions in its messages are
// divided by it, so callers see the window in the units they created it with.
// A scale at which the window would not fit the first screen is lowered to the
// largest that fits (fitScale), with one line on stderr.
//
// createWindow starts SDL video on first use, with the class name as the X11
// WM_CLASS (read once, so the first window's class names them all), and asks for
// an 8-bit RGB, 24-bit depth, double-buffered OpenGL pixel format: X11 fixes it
// when the window is made. Deleting the service destroys its windows and stops
// video, so the graphics service goes first.
//
// Video needs a display: DISPLAY or WAYLAND_DISPLAY that opens. SDL's offscreen
// and dummy drivers, which show nothing, are used only when SDL_VIDEODRIVER names
// them. startSdlVideo(os, className) starts video ahead of the first window, on a
// service createSdlOs made, so a program can find out before it opens anything
// else: it gives the problem in a few words ("x11 not available"), or "" once
// video runs. A window made without a display is null, with one line on stderr.
#pragma once
#include <string>

#include "platform/os.h"

struct SDL_Window;

constexpr int MAX_WINDOW_SCALE = 4;

os::Os* createSdlOs(int scale = 1);
std::string startSdlVideo(os::Os* sdlOs, const char* className);
int fitScale(int wanted, int width, int height, int screenWidth, int screenHeight);
SDL_Window* sdlWindowOf(os::WindowHandle window);

// A window handle made by this service is the SDL_Window itself:
// reinterpret_cast<os::WindowHandle>(sdlWindow). Its window procedure and style are
// kept in the window's SDL data.
//
// The client area of a window: a WS_POPUPWINDOW window has a one-pixel border
// (`scale` pixels on the screen), so its client area is inset by that on every
// side; the graphics service draws into that area and paints the border.
struct ClientArea {
    int x, y, width, height;  // in window pixels, y down
};
ClientArea sdlClientAreaOf(os::WindowHandle window);
