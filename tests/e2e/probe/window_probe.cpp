// window_probe: the SDL window service under a real X server, driven by
// tests/e2e/window_drag.sh.
//
// Makes the disk's window (class "musicdisk" with a 48 x 48 icon, title
// "Quorvatelle 3", WS_POPUPWINDOW, 820 x 320 at 10, 100), shows it and pumps messages through a
// window procedure that drags the window the way the disk's own procedure does.
// It prints one line per event on stdout:
//   ready                 the window is shown
//   down X Y, up X Y      WM_LBUTTONDOWN, WM_LBUTTONUP (client pixels)
//   drag-begin            a hit test with the left button down starts the move loop
//   drag-end X Y          the move loop returned; X Y the window's position then
//   close                 WM_CLOSE arrived (Alt+F4); the probe exits 0
//   box N                 with --box: a message box was shown first and returned N
// It gives up with exit code 2 after 60 s.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/os.h"
#include "platform/sdl/sdl_os.h"

static bool running = true;
static bool leftButton = false;

static os::LResult probeProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam, os::LParam lParam)
{
    switch (message) {
    case os::WM_CLOSE:
        std::printf("close\n");
        running = false;
        return 0;
    case os::WM_NCHITTEST:
        if (leftButton) {
            std::printf("drag-begin\n");
            os::Point cursor = {0, 0};
            os::os().cursorPosition(&cursor);
            os::LParam position = os::makePointParam(cursor.x, cursor.y);
            os::os().sendMessage(window, os::WM_NCLBUTTONDOWN, os::WParam(os::HTCAPTION), position);
            int x = 0, y = 0;
            SDL_GetWindowPosition(sdlWindowOf(window), &x, &y);
            std::printf("drag-end %d %d\n", x, y);
            leftButton = false;
        }
        return os::HTCLIENT;
    case os::WM_LBUTTONDOWN:
        leftButton = true;
        std::printf("down %d %d\n", os::pointParamX(lParam), os::pointParamY(lParam));
        return 0;
    case os::WM_LBUTTONUP:
        leftButton = false;
        std::printf("up %d %d\n", os::pointParamX(lParam), os::pointParamY(lParam));
        return 0;
    default:
        return os::os().defaultWindowProcedure(window, message, wParam, lParam);
    }
}

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::unique_ptr<os::Os> service(createSdlOs());
    os::installOs(service.get());
    static uint8_t icon[48 * 48 * 4];
    for (int i = 0; i < 48 * 48; ++i) {
        icon[i * 4 + 0] = uint8_t(i % 48 * 5);
        icon[i * 4 + 1] = uint8_t(i / 48 * 5);
        icon[i * 4 + 2] = 0x80;
        icon[i * 4 + 3] = 0xFF;
    }
    os::WindowClass windowClass = {os::CS_CLASSDC, probeProcedure, "musicdisk", icon, 48};
    if (!service->registerClass(windowClass))
        return 1;
    os::WindowHandle window =
        service->createWindow(0, "musicdisk", "Quorvatelle 3", os::WS_POPUPWINDOW, 10, 100, 820, 320);
    if (!window)
        return 1;
    service->showWindow(window, os::SW_SHOWNORMAL);
    service->updateWindow(window);
    std::printf("ready\n");
    if (argc > 1 && std::strcmp(argv[1], "--box") == 0)
        std::printf("box %d\n", service->messageBox(window, "Press OK", "Probe box", os::MB_OK));

    uint32_t start = service->tickCount();
    while (running) {
        if (service->tickCount() - start > 60000)
            return 2;
        os::Message message;
        while (service->peekMessage(&message)) {
            service->translateMessage(message);
            service->dispatchMessage(message);
        }
        service->sleep(5);
    }
    os::installOs(nullptr);
    return 0;
}
