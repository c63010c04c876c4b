#include "app/window.h"

#include <algorithm>

#include "app/application.h"
#include "app/input_state.h"
#include "app/message_box.h"
#include "app/window_icon.h"
#include "disk/music_library.h"

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

// What a media command does, by playback state. False for a command that is not
// one of ours.
static bool runMediaCommand(int command)
{
    os::PlaybackStatus status = musicLibrary.playbackStatus();
    switch (command) {
    case os::APPCOMMAND_MEDIA_PLAY:
        if (status != os::PlaybackStatus::Playing)
            musicLibrary.play();
        return true;
    case os::APPCOMMAND_MEDIA_PAUSE:
        if (status == os::PlaybackStatus::Playing)
            musicLibrary.togglePause();
        return true;
    case os::APPCOMMAND_MEDIA_PLAY_PAUSE:
        if (status == os::PlaybackStatus::Playing)
            musicLibrary.togglePause();
        else
            musicLibrary.play();
        return true;
    case os::APPCOMMAND_MEDIA_STOP:
        if (status != os::PlaybackStatus::Stopped)
            musicLibrary.stopAndRewind();
        return true;
    case os::APPCOMMAND_MEDIA_NEXTTRACK:
        musicLibrary.nextTrack();
        return true;
    case os::APPCOMMAND_MEDIA_PREVIOUSTRACK:
        musicLibrary.previousTrack();
        return true;
    default:
        return false;
    }
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
    case os::WM_APPCOMMAND:
        // Handled commands answer TRUE, as Win32 expects; a closing swallows them.
        if (Application::instance().quitting())
            return 1;
        if (runMediaCommand(os::appCommandOf(lParam)))
            return 1;
        return os::os().defaultWindowProcedure(window, message, wParam, lParam);
    case os::WM_APP_SETVOLUME:
        if (!Application::instance().quitting())
            musicLibrary.setVolumeLevel(int32_t(std::min<os::WParam>(wParam, 10)));
        return 0;
    case os::WM_APP_RAISE:
        os::os().showWindow(window, os::SW_RESTORE);
        return 0;
    case os::WM_APP_QUIT:
        if (!Application::instance().quitting())
            Application::instance().requestQuit();
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
