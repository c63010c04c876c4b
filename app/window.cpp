#include "app/window.h"

#include "app/application.h"
#include "app/input_state.h"
#include "app/message_box.h"
#include "app/window_icon.h"

os::WindowHandle mainWindow = nullptr;

// The system's move loop returns when the button is released, but the window only
// ever saw the press: report the release ourselves so nothing stays pressed.
static void dragWindow(os::WindowHandle window)
{
    os::Point cursor = {0, 0};
    os::os().cursorPosition(&cursor);
    os::LParam position = os::makePointParam(cursor.x, cursor.y);
    os::os().sendMessage(window, os::WM_NCLBUTTONDOWN, os::WParam(os::HTCAPTION), position);
    os::os().sendMessage(window, os::WM_LBUTTONUP, os::WParam(os::HTCAPTION), position);
}

os::LResult windowProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam, os::LParam lParam)
{
    InputState& input = InputState::instance();
    switch (message) {
    case os::WM_CLOSE:
    case os::WM_QUIT:
        Application::instance().running = false;
        return 0;
    case os::WM_NCHITTEST:
        if (input.leftButton)
            dragWindow(window);
        return os::HTCLIENT;
    case os::WM_KEYDOWN:
        input.keys[wParam & 0xFF] = 1;
        return 0;
    case os::WM_KEYUP:
        input.keys[wParam & 0xFF] = 0;
        return 0;
    case os::WM_KILLFOCUS:
        input.forgetHeldKeys();
        return 0;
    case os::WM_MOUSEMOVE:
        input.mouseX = os::pointParamX(lParam);
        input.mouseY = os::pointParamY(lParam);
        return os::os().defaultWindowProcedure(window, message, wParam, lParam);
    case os::WM_LBUTTONDOWN:
        input.leftButton = true;
        return 0;
    case os::WM_LBUTTONUP:
        input.leftButton = false;
        return 0;
    case os::WM_RBUTTONDOWN:
        input.rightButton = true;
        return 0;
    case os::WM_RBUTTONUP:
        input.rightButton = false;
        return 0;
    default:
        return os::os().defaultWindowProcedure(window, message, wParam, lParam);
    }
}

os::WindowHandle createMainWindow(int width, int height)
{
    const WindowIcon& icon = windowIcon();
    os::WindowClass wc = {os::CS_CLASSDC, windowProcedure, WINDOW_CLASS_NAME, icon.rgba, WindowIcon::SIZE};
    if (!os::os().registerClass(wc))
        failAssertion("RegisterClassEx( &wc )", "window");
    mainWindow = os::os().createWindow(0, WINDOW_CLASS_NAME, WINDOW_TITLE, os::WS_POPUPWINDOW, WINDOW_X, WINDOW_Y,
                                       width, height);
    if (!mainWindow)
        failAssertion("windowHandle", "window");
    return mainWindow;
}

void unregisterMainWindowClass() { os::os().unregisterClass(WINDOW_CLASS_NAME); }
