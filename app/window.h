// window: the disk's one window, a caption-less 820 x 320 popup with a one-pixel
// border (client area 818 x 318), and its window procedure.
//
// The procedure stops the application on WM_CLOSE / WM_QUIT, feeds the
// InputState, and moves the window when the left button is held and the mouse
// moves: every hit test answers HTCLIENT, and one that arrives with the left button
// down starts the system's modal move loop as if the caption had been grabbed.
//
// Remote control (the desktop's media controls, the keyboard's media keys) arrives
// as WM_APPCOMMAND and the WM_APP_ messages of the os service. The media commands
// run the playback operations the keys use, chosen by the playback state, on
// every screen; WM_APP_SETVOLUME sets the volume level as the volume buttons do;
// WM_APP_QUIT ends the program as Escape on the player does. All of them are
// ignored once the program is closing. WM_APP_RAISE restores the window and
// brings it forward.
#pragma once
#include "platform/os.h"
#include "platform/product.h"

constexpr const char* WINDOW_CLASS_NAME = product::WINDOW_CLASS;
constexpr const char* WINDOW_TITLE = "Quorvatelle 3";
constexpr int WINDOW_X = 10;
constexpr int WINDOW_Y = 100;

// The window the procedure sends its drag messages to.
extern os::WindowHandle mainWindow;

os::LResult windowProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam, os::LParam lParam);

// Registers the class and creates the hidden window of the given outer size.
// A failure of either is a failed assertion in module "window".
os::WindowHandle createMainWindow(int width, int height);
void unregisterMainWindowClass();
