// The os service on SDL2: window classes and windows are SDL windows with their
// procedure in the window data; SDL events are translated into Win32 messages in
// a FIFO that peekMessage hands out; the default procedure runs the move loop.
// Remote control (MPRIS2 on the session bus) is served from the message pump and
// posts its commands into the same FIFO.
//
// Sections: window records and message parameters; the service class; message
// boxes and window classes; windows (video start, scale, show, minimised or
// hidden); events into messages (keys, mouse, quit, focus loss); the message queue
// and pump; the move loop and the default procedure; entry points (createSdlOs,
// fitScale, sdlWindowOf, sdlClientAreaOf).
//
// In the browser (SDL's emscripten backend) the window is the page's canvas: its
// scale follows the page (the largest that fits it, as the first screen decides
// it on the desktop), sleeping yields to the browser, message boxes are notices
// on the page, nothing moves the window, and the service's end is the program's:
// the page offers to play again. Remote control is the Media Session there
// (platform/web/media_session.cpp serves the calls of session_bus/mpris.h).
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/os_keys.h"
#include "platform/sdl/sdl_os.h"
#include "platform/session_bus/mpris.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>

#include "platform/web/page.h"
#endif

namespace {

constexpr const char* WINDOW_DATA = "musicdisk.os.window";
constexpr uint32_t WS_BORDER = 0x00800000;
constexpr os::WParam MK_LBUTTON = 0x01;
constexpr os::WParam MK_RBUTTON = 0x02;
constexpr os::WParam MK_MBUTTON = 0x10;
constexpr uint16_t FIRST_CLASS_ATOM = 0xC000;  // where Win32 numbers registered classes
constexpr int MAX_ICON_SIZE = 256;
constexpr uint32_t MOVE_LOOP_POLL_MS = 5;
#ifdef __EMSCRIPTEN__
constexpr bool WINDOWS_MOVE = false;                  // a page cannot move the browser's window
constexpr bool DISPLAY_NAMED_BY_ENVIRONMENT = false;  // the page is the display
#else
constexpr bool WINDOWS_MOVE = true;
constexpr bool DISPLAY_NAMED_BY_ENVIRONMENT = true;
#endif

// What a window keeps in its SDL data: the class's procedure at creation, the
// style that decides its border, and how many screen pixels make one of its own.
// ---- Window records and message parameters ----------------------------------------

struct WindowRecord {
    SDL_Window* window;
    os::WindowProcedure procedure;
    uint32_t style;
    int scale;
};

struct ClassRecord {
    uint16_t atom;
    uint32_t style;
    os::WindowProcedure procedure;
    std::string name;
    std::vector<uint8_t> iconRgba;  // iconSize x iconSize, or empty
    int iconSize;
};

// Where the left button went down on one of our windows, in screen pixels.
struct LeftPress {
    WindowRecord* record;
    int x, y;
};

os::WindowHandle handleOf(SDL_Window* window) { return reinterpret_cast<os::WindowHandle>(window); }

WindowRecord* dataOf(SDL_Window* window)
{
    return static_cast<WindowRecord*>(SDL_GetWindowData(window, WINDOW_DATA));
}

bool isSet(const char* value) { return value && *value; }

bool isHeadlessDriver(const char* driver)
{
    return driver && (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0);
}

// A driver that shows nothing to anyone: a box there would wait for a click that
// never comes.
bool videoDriverIsHeadless()
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return isHeadlessDriver(SDL_GetCurrentVideoDriver());
    return isHeadlessDriver(SDL_GetHint(SDL_HINT_VIDEODRIVER));
}

os::WParam mouseKeysOf(uint32_t sdlButtons)
{
    os::WParam keys = 0;
    if (sdlButtons & SDL_BUTTON_LMASK)
        keys |= MK_LBUTTON;
    if (sdlButtons & SDL_BUTTON_RMASK)
        keys |= MK_RBUTTON;
    if (sdlButtons & SDL_BUTTON_MMASK)
        keys |= MK_MBUTTON;
    return keys;
}

// Win32 key-message lParam: repeat count 1, bit 29 Alt held, bit 30 the key was
// already down, bit 31 released.
os::LParam keyParamOf(const SDL_KeyboardEvent& key, bool alt)
{
    uint32_t param = 1;
    if (alt)
        param |= 1u << 29;
    if (key.repeat || key.type == SDL_KEYUP)
        param |= 1u << 30;
    if (key.type == SDL_KEYUP)
        param |= 1u << 31;
    return os::LParam(param);
}

// Window pixels to the window's own: a point left of or above the client area
// stays negative.
int unscaled(int pixels, int scale)
{
    return pixels >= 0 ? pixels / scale : -((-pixels + scale - 1) / scale);
}

// A point in window pixels as mouse messages carry it: client coordinates in the
// window's own units.
os::LParam clientPointParam(const WindowRecord& record, int x, int y)
{
    ClientArea client = sdlClientAreaOf(reinterpret_cast<os::WindowHandle>(record.window));
    return os::makePointParam(unscaled(x - client.x, record.scale), unscaled(y - client.y, record.scale));
}

// ---- The service class ------------------------------------------------------------

class SdlOs : public os::Os {
public:
    explicit SdlOs(int scale);
    ~SdlOs() override;

    uint32_t tickCount() override { return uint32_t(SDL_GetTicks64()); }
#ifdef __EMSCRIPTEN__
    // Yields to the browser, which draws the page and runs its events meanwhile.
    void sleep(uint32_t milliseconds) override { emscripten_sleep(milliseconds); }
#else
    void sleep(uint32_t milliseconds) override { SDL_Delay(milliseconds); }
#endif
    int messageBox(os::WindowHandle owner, const char* text, const char* caption, uint32_t type) override;
    uint16_t registerClass(const os::WindowClass& windowClass) override;
    bool unregisterClass(const char* className) override;
    os::WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style,
                                  int x, int y, int width, int height) override;
    bool showWindow(os::WindowHandle window, int command) override;
    bool updateWindow(os::WindowHandle window) override { return recordOf(window) != nullptr; }
    bool isIconic(os::WindowHandle window) override;
    bool isWindowVisible(os::WindowHandle window) override;
    bool cursorPosition(os::Point* point) override;
    bool peekMessage(os::Message* message) override;
    bool translateMessage(const os::Message&) override { return false; }
    os::LResult dispatchMessage(const os::Message& message) override;
    os::LResult sendMessage(os::WindowHandle window, uint32_t message, os::WParam wParam,
                            os::LParam lParam) override;
    os::LResult defaultWindowProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam,
                                       os::LParam lParam) override;
    void postQuitMessage(int exitCode) override;
    void setNowPlaying(const os::NowPlaying& state) override;
    std::string startVideo(const std::string& className);

private:
    std::vector<ClassRecord> classes;
    std::vector<std::unique_ptr<WindowRecord>> windows;
    std::deque<os::Message> queue;
    uint16_t nextAtom = FIRST_CLASS_ATOM;
    bool videoStarted = false;
    int scale;
    os::WParam buttonsDown = 0;  // MK_ flags as the translated events left them
    LeftPress leftPress = {nullptr, 0, 0};
    std::vector<SDL_Event> pending;  // the events of one pump, kept for reuse
    Mpris* mpris = nullptr;  // null without a session bus
    bool mprisStarted = false;
    bool busServed = false;  // in the pump under way, which ends when the queue is empty

    ClassRecord* findClass(const char* name);
    WindowRecord* recordOf(os::WindowHandle window);
    WindowRecord* recordOfId(uint32_t windowId);
    int scaleThatFits(int width, int height);
    void startRemoteControl();
    void post(WindowRecord* record, uint32_t message, os::WParam wParam, os::LParam lParam);
    void takeEvents();
    void pumpEvents();
#ifdef __EMSCRIPTEN__
    void followPage();
#endif
    void translate(const SDL_Event& event);
    void translateKey(const SDL_KeyboardEvent& key);
    void translateMotion(const SDL_MouseMotionEvent& motion);
    void translateButton(const SDL_MouseButtonEvent& button);
    void translateQuit();
    bool takeEventsWhileMoving();
    void runMoveLoop(WindowRecord& record, os::LParam cursor);
};

SdlOs::SdlOs(int scale) : scale(std::clamp(scale, 1, MAX_WINDOW_SCALE))
{
    // A close click is a WM_CLOSE for the window procedure to judge, not a quit of
    // its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The window never captures the mouse: with a button held, moves outside it
    // are not its business. A drag follows the pointer through the move loop,
    // which reads the global position.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    SDL_InitSubSystem(SDL_INIT_TIMER | SDL_INIT_EVENTS);
}

SdlOs::~SdlOs()
{
#ifdef __EMSCRIPTEN__
    pageProgramEnded();
#endif
    stopMpris(mpris);
    for (auto& record : windows)
        SDL_DestroyWindow(record->window);
    windows.clear();
    if (videoStarted)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_QuitSubSystem(SDL_INIT_TIMER | SDL_INIT_EVENTS);
}

// ---- Message boxes and window classes ---------------------------------------------

int SdlOs::messageBox(os::WindowHandle owner, const char* text, const char* caption, uint32_t)
{
    if (!text)
        text = "";
    if (!caption)
        caption = "";
#ifdef __EMSCRIPTEN__
    // The browser's own box would stop the page until it is answered.
    pageNotice(caption, text);
    return os::IDOK;
#endif
    if (!videoDriverIsHeadless()) {
        WindowRecord* record = recordOf(owner);
        if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, record ? record->window : nullptr) ==
            0)
            return os::IDOK;
    }
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return os::IDOK;
}

ClassRecord* SdlOs::findClass(const char* name)
{
    if (!name)
        return nullptr;
    for (ClassRecord& record : classes)
        if (record.name == name)
            return &record;
    return nullptr;
}

uint16_t SdlOs::registerClass(const os::WindowClass& windowClass)
{
    if (!windowClass.className || !*windowClass.className || findClass(windowClass.className))
        return 0;
    ClassRecord record = {nextAtom, windowClass.style, windowClass.procedure, windowClass.className, {}, 0};
    if (windowClass.iconRgba && windowClass.iconSize > 0 && windowClass.iconSize <= MAX_ICON_SIZE) {
        size_t bytes = size_t(windowClass.iconSize) * size_t(windowClass.iconSize) * 4;
        record.iconRgba.assign(windowClass.iconRgba, windowClass.iconRgba + bytes);
        record.iconSize = windowClass.iconSize;
    }
    classes.push_back(std::move(record));
    nextAtom = nextAtom == 0xFFFF ? FIRST_CLASS_ATOM : uint16_t(nextAtom + 1);
    return classes.back().atom;
}

bool SdlOs::unregisterClass(const char* className)
{
    ClassRecord* record = findClass(className);
    if (!record)
        return false;
    classes.erase(classes.begin() + (record - classes.data()));
    return true;
}

// X11 reads the WM_CLASS for all windows once, when the video subsystem starts,
// so the first window's class names them all. Without a driver named, SDL falls
// back to its offscreen one when no display opens, and the program would play
// to no one: that counts as no display. Empty once started, else why not.
// ---- Windows ----------------------------------------------------------------------

std::string SdlOs::startVideo(const std::string& className)
{
    if (videoStarted)
        return "";
    const bool driverNamed = isSet(SDL_GetHint(SDL_HINT_VIDEODRIVER));
    if (DISPLAY_NAMED_BY_ENVIRONMENT && !driverNamed && !isSet(SDL_getenv("DISPLAY")) &&
        !isSet(SDL_getenv("WAYLAND_DISPLAY")))
        return "neither DISPLAY nor WAYLAND_DISPLAY is set";
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_setenv("SDL_VIDEO_X11_WMCLASS", className.c_str(), 1);
        SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", className.c_str(), 1);
    }
    // A music player must let the screen blank as usual; SDL would ask the
    // desktop to keep it awake.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Nothing here takes typed text, so X's input method needs no compose table:
    // the locale's has thousands of lines, and reading it cost every start about
    // 15 ms. One the user names is still read.
    SDL_setenv("XCOMPOSEFILE", "/dev/null", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return SDL_GetError();
    if (!driverNamed && isHeadlessDriver(SDL_GetCurrentVideoDriver())) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return "the display that DISPLAY or WAYLAND_DISPLAY names cannot be opened";
    }
    videoStarted = true;
    return "";
}

#ifdef __EMSCRIPTEN__
// The page is the screen: the largest scale at which the window fits it, in
// device pixels, whatever was asked for.
int SdlOs::scaleThatFits(int width, int height)
{
    PageViewport page = pageViewport();
    scale = fitScale(MAX_WINDOW_SCALE, width, height, page.width, page.height);
    return scale;
}

// The window keeps the largest scale at which it fits the page; the canvas shows
// its pixels one to one on the screen's.
void SdlOs::followPage()
{
    for (auto& record : windows) {
        int width = 0, height = 0;
        SDL_GetWindowSize(record->window, &width, &height);
        width /= record->scale;
        height /= record->scale;
        int fitted = scaleThatFits(width, height);
        if (fitted != record->scale) {
            record->scale = fitted;
            SDL_SetWindowSize(record->window, width * fitted, height * fitted);
        }
        pageShowCanvas(width * fitted, height * fitted);
    }
}
#else
// The largest scale up to the one asked for at which the window fits the usable
// part of the first screen; said once on stderr when that is less.
int SdlOs::scaleThatFits(int width, int height)
{
    SDL_Rect screen = {0, 0, 0, 0};
    if (scale == 1 || (SDL_GetDisplayUsableBounds(0, &screen) != 0 && SDL_GetDisplayBounds(0, &screen) != 0))
        return scale;
    int fitted = fitScale(scale, width, height, screen.w, screen.h);
    if (fitted < scale) {
        std::fprintf(stderr, "os: scale %d makes a %d x %d window, larger than the %d x %d screen: using scale %d\n",
                     scale, width * scale, height * scale, screen.w, screen.h, fitted);
        scale = fitted;
    }
    return scale;
}
#endif

os::WindowHandle SdlOs::createWindow(uint32_t, const char* className, const char* title, uint32_t style, int x,
                                     int y, int width, int height)
{
    ClassRecord* windowClass = findClass(className);
    if (!windowClass || width <= 0 || height <= 0)
        return nullptr;
    const std::string problem = startVideo(windowClass->name);
    if (!problem.empty()) {
        std::fprintf(stderr, "os: no video: %s\n", problem.c_str());
        return nullptr;
    }
    // On X11 the pixel format is fixed when the window is made, before the
    // graphics service makes its context: ask for what the device needs (8-bit
    // colour, 24-bit depth, double buffering).
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const int windowScale = scaleThatFits(width, height);
    SDL_Window* window = SDL_CreateWindow(title ? title : "", x * windowScale, y * windowScale, width * windowScale,
                                          height * windowScale,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
    if (!window) {
        std::fprintf(stderr, "os: cannot create the window: %s\n", SDL_GetError());
        return nullptr;
    }
    if (!windowClass->iconRgba.empty()) {
        int size = windowClass->iconSize;
        SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(windowClass->iconRgba.data(), size, size, 32,
                                                               size * 4, SDL_PIXELFORMAT_RGBA32);
        if (icon) {
            SDL_SetWindowIcon(window, icon);
            SDL_FreeSurface(icon);
        }
    }
    windows.push_back(std::make_unique<WindowRecord>(WindowRecord{window, windowClass->procedure, style, windowScale}));
    SDL_SetWindowData(window, WINDOW_DATA, windows.back().get());
    return handleOf(window);
}

// The bus is joined with the first state to show, so a program that never plays
// (a tool, a test) never touches it. Commands go to the first window.
void SdlOs::startRemoteControl()
{
    if (mprisStarted)
        return;
    mprisStarted = true;
    mpris = startMpris([this](uint32_t message, os::WParam wParam, os::LParam lParam) {
        if (!windows.empty())
            post(windows.front().get(), message, wParam, lParam);
    });
}

void SdlOs::setNowPlaying(const os::NowPlaying& state)
{
    startRemoteControl();
    publishMpris(mpris, state);
}

// Only handles this service made are looked at: anything else is never passed to
// SDL, which would read through it.
WindowRecord* SdlOs::recordOf(os::WindowHandle window)
{
    for (auto& record : windows)
        if (handleOf(record->window) == window)
            return record.get();
    return nullptr;
}

WindowRecord* SdlOs::recordOfId(uint32_t windowId)
{
    for (auto& record : windows)
        if (SDL_GetWindowID(record->window) == windowId)
            return record.get();
    return nullptr;
}

bool SdlOs::showWindow(os::WindowHandle window, int command)
{
    WindowRecord* record = recordOf(window);
    if (!record)
        return false;
    if (command == os::SW_MINIMIZE) {
        SDL_MinimizeWindow(record->window);
        return true;
    }
    SDL_ShowWindow(record->window);
    if (SDL_GetWindowFlags(record->window) & SDL_WINDOW_MINIMIZED)
        SDL_RestoreWindow(record->window);
    SDL_RaiseWindow(record->window);
    return true;
}

// SDL keeps the flags as the window system's events (iconify, map, unmap) last
// set them; the message pump reads those events every frame.
bool SdlOs::isIconic(os::WindowHandle window)
{
    WindowRecord* record = recordOf(window);
    return record && (SDL_GetWindowFlags(record->window) & SDL_WINDOW_MINIMIZED);
}

bool SdlOs::isWindowVisible(os::WindowHandle window)
{
    WindowRecord* record = recordOf(window);
    if (!record)
        return false;
    uint32_t flags = SDL_GetWindowFlags(record->window);
    return (flags & SDL_WINDOW_SHOWN) && !(flags & SDL_WINDOW_HIDDEN);
}

bool SdlOs::cursorPosition(os::Point* point)
{
    if (!point)
        return false;
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    *point = {x, y};
    return true;
}

// ---- Events into messages ---------------------------------------------------------

void SdlOs::post(WindowRecord* record, uint32_t message, os::WParam wParam, os::LParam lParam)
{
    queue.push_back({record ? handleOf(record->window) : nullptr, message, wParam, lParam});
}

void SdlOs::translateKey(const SDL_KeyboardEvent& key)
{
    WindowRecord* record = recordOfId(key.windowID);
    if (!record)
        return;
    // The media keys are commands, as Windows delivers them: once per press.
    if (int command = os::sdlAppCommand(key.keysym)) {
        if (key.type == SDL_KEYDOWN && !key.repeat)
            post(record, os::WM_APPCOMMAND, os::WParam(0), os::makeAppCommandParam(command, os::FAPPCOMMAND_KEY));
        return;
    }
    uint32_t virtualKey = os::sdlVirtualKey(key.keysym);
    if (!virtualKey)
        return;
    // Alt makes a key a system key, except with Ctrl as well: that is AltGr.
    bool alt = (key.keysym.mod & KMOD_ALT) || virtualKey == os::VK_MENU;
    bool system = (alt && !(key.keysym.mod & KMOD_CTRL)) || virtualKey == os::VK_F10;
    uint32_t message = key.type == SDL_KEYDOWN ? (system ? os::WM_SYSKEYDOWN : os::WM_KEYDOWN)
                                               : (system ? os::WM_SYSKEYUP : os::WM_KEYUP);
    post(record, message, virtualKey, keyParamOf(key, alt));
}

// The window system asks the window what lies under the cursor before it reports
// a move or a press: that is where the window procedure starts a drag.
void SdlOs::translateMotion(const SDL_MouseMotionEvent& motion)
{
    WindowRecord* record = recordOfId(motion.windowID);
    if (!record)
        return;
    int windowX = 0, windowY = 0;
    SDL_GetWindowPosition(record->window, &windowX, &windowY);
    post(record, os::WM_NCHITTEST, 0, os::makePointParam(windowX + motion.x, windowY + motion.y));
    post(record, os::WM_MOUSEMOVE, mouseKeysOf(motion.state), clientPointParam(*record, motion.x, motion.y));
}

void SdlOs::translateButton(const SDL_MouseButtonEvent& button)
{
    WindowRecord* record = recordOfId(button.windowID);
    if (!record)
        return;
    bool down = button.type == SDL_MOUSEBUTTONDOWN;
    uint32_t message = 0;
    os::WParam flag = 0;
    switch (button.button) {
    case SDL_BUTTON_LEFT:
        message = down ? os::WM_LBUTTONDOWN : os::WM_LBUTTONUP;
        flag = MK_LBUTTON;
        break;
    case SDL_BUTTON_RIGHT:
        message = down ? os::WM_RBUTTONDOWN : os::WM_RBUTTONUP;
        flag = MK_RBUTTON;
        break;
    case SDL_BUTTON_MIDDLE:
        message = down ? os::WM_MBUTTONDOWN : os::WM_MBUTTONUP;
        flag = MK_MBUTTON;
        break;
    default:
        return;
    }
    buttonsDown = down ? buttonsDown | flag : buttonsDown & ~flag;
    int windowX = 0, windowY = 0;
    SDL_GetWindowPosition(record->window, &windowX, &windowY);
    if (button.button == SDL_BUTTON_LEFT)
        leftPress = down ? LeftPress{record, windowX + button.x, windowY + button.y} : LeftPress{nullptr, 0, 0};
    if (down)
        post(record, os::WM_NCHITTEST, 0, os::makePointParam(windowX + button.x, windowY + button.y));
    post(record, message, buttonsDown, clientPointParam(*record, button.x, button.y));
}

// A quit request from outside (a signal, the session ending) closes every window
// the way its close button would; with no window there is nothing to ask.
void SdlOs::translateQuit()
{
    for (auto& record : windows)
        post(record.get(), os::WM_CLOSE, 0, 0);
    if (windows.empty())
        postQuitMessage(0);
}

void SdlOs::translate(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        translateKey(event.key);
        break;
    case SDL_MOUSEMOTION:
        translateMotion(event.motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        translateButton(event.button);
        break;
    case SDL_WINDOWEVENT:
        if (WindowRecord* record = recordOfId(event.window.windowID)) {
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                post(record, os::WM_CLOSE, 0, 0);
            else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                post(record, os::WM_KILLFOCUS, 0, 0);
        }
        break;
    case SDL_QUIT:
        translateQuit();
        break;
    default:
        break;
    }
}

bool isFocusLoss(const SDL_Event& event)
{
    return event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST;
}

// Takes the queued events into `pending`. When a window loses the keyboard, SDL
// first reports every key still down as released, then the focus loss. Those
// releases never happened (the real ones go to the window that has the focus
// now), so they are dropped: the focus loss alone tells the window to forget
// its held keys, and no command fires.
// ---- The message queue and pump ---------------------------------------------------

void SdlOs::takeEvents()
{
    pending.clear();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        if (isFocusLoss(event)) {
            while (!pending.empty() && pending.back().type == SDL_KEYUP &&
                   pending.back().key.windowID == event.window.windowID)
                pending.pop_back();
        }
        pending.push_back(event);
    }
}

void SdlOs::pumpEvents()
{
#ifdef __EMSCRIPTEN__
    followPage();
#endif
    SDL_PumpEvents();
    takeEvents();
    for (const SDL_Event& event : pending)
        translate(event);
}

bool SdlOs::peekMessage(os::Message* message)
{
    if (!message)
        return false;
    // The bus is served once a pump, so a flood of calls is spread over frames
    // instead of holding one up.
    if (queue.empty()) {
        if (!busServed)
            serveMpris(mpris);
        busServed = true;
        pumpEvents();
    }
    if (queue.empty()) {
        busServed = false;
        return false;
    }
    *message = queue.front();
    queue.pop_front();
    return true;
}

os::LResult SdlOs::dispatchMessage(const os::Message& message)
{
    if (!message.window || message.message == os::WM_QUIT)
        return 0;
    return sendMessage(message.window, message.message, message.wParam, message.lParam);
}

os::LResult SdlOs::sendMessage(os::WindowHandle window, uint32_t message, os::WParam wParam, os::LParam lParam)
{
    WindowRecord* record = recordOf(window);
    if (!record || !record->procedure)
        return 0;
    return record->procedure(window, message, wParam, lParam);
}

// While the window moves, what the user does meanwhile (keys, other buttons) is
// kept for later; the motion is the move itself and the left release ends it.
// True when that release was among the events.
// ---- The move loop and the default procedure --------------------------------------

bool SdlOs::takeEventsWhileMoving()
{
    bool released = false;
    takeEvents();
    for (const SDL_Event& event : pending) {
        if (event.type == SDL_MOUSEMOTION)
            continue;
        if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
            released = true;
            buttonsDown &= ~MK_LBUTTON;
            continue;
        }
        translate(event);
    }
    return released;
}

// The point that was grabbed stays under the cursor: that is where the left
// button went down on this window when it still is, else the cursor position the
// message brings.
void SdlOs::runMoveLoop(WindowRecord& record, os::LParam cursor)
{
    int windowX = 0, windowY = 0;
    SDL_GetWindowPosition(record.window, &windowX, &windowY);
    int grabX = os::pointParamX(cursor), grabY = os::pointParamY(cursor);
    if (leftPress.record == &record) {
        grabX = leftPress.x;
        grabY = leftPress.y;
    }
    const int offsetX = grabX - windowX, offsetY = grabY - windowY;
    // A button already up when the loop starts was released before the move
    // began: nothing moves. Once it was seen down, the release point counts.
    bool held = false;
    for (;;) {
        SDL_PumpEvents();
        bool released = takeEventsWhileMoving();
        int x = 0, y = 0;
        uint32_t buttons = SDL_GetGlobalMouseState(&x, &y);
        held = held || (buttons & SDL_BUTTON_LMASK);
        // Moving to where the window already is would make some drivers wait for
        // a move that never comes.
        if (held && (x - offsetX != windowX || y - offsetY != windowY)) {
            windowX = x - offsetX;
            windowY = y - offsetY;
            SDL_SetWindowPosition(record.window, windowX, windowY);
        }
        if (released || !(buttons & SDL_BUTTON_LMASK))
            break;
        SDL_Delay(MOVE_LOOP_POLL_MS);
    }
    leftPress = {nullptr, 0, 0};
    buttonsDown &= ~MK_LBUTTON;
}

os::LResult SdlOs::defaultWindowProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam,
                                          os::LParam lParam)
{
    WindowRecord* record = recordOf(window);
    if (!record)
        return 0;
    switch (message) {
    case os::WM_NCLBUTTONDOWN:
        if (WINDOWS_MOVE && wParam == os::WParam(os::HTCAPTION))
            runMoveLoop(*record, lParam);
        return 0;
    case os::WM_SYSKEYDOWN:
        if (wParam == os::VK_F4)
            return sendMessage(window, os::WM_CLOSE, 0, 0);
        return 0;
    case os::WM_CLOSE:
        // Where Win32 would destroy the window; the handle stays valid here.
        SDL_HideWindow(record->window);
        return 0;
    default:
        return 0;
    }
}

void SdlOs::postQuitMessage(int exitCode) { queue.push_back({nullptr, os::WM_QUIT, os::WParam(exitCode), 0}); }

} // namespace

// ---- Entry points -----------------------------------------------------------------

os::Os* createSdlOs(int scale) { return new SdlOs(scale); }

std::string startSdlVideo(os::Os* sdlOs, const char* className)
{
    return static_cast<SdlOs*>(sdlOs)->startVideo(className ? className : "");
}

int fitScale(int wanted, int width, int height, int screenWidth, int screenHeight)
{
    int scale = std::clamp(wanted, 1, MAX_WINDOW_SCALE);
    while (scale > 1 && (int64_t(width) * scale > screenWidth || int64_t(height) * scale > screenHeight))
        scale--;
    return scale;
}

SDL_Window* sdlWindowOf(os::WindowHandle window) { return reinterpret_cast<SDL_Window*>(window); }

ClientArea sdlClientAreaOf(os::WindowHandle window)
{
    if (!window)
        return {0, 0, 0, 0};
    SDL_Window* sdlWindow = sdlWindowOf(window);
    WindowRecord* record = dataOf(sdlWindow);
    int width = 0, height = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    int inset = record && (record->style & WS_BORDER) ? record->scale : 0;
    return {inset, inset, SDL_max(0, width - 2 * inset), SDL_max(0, height - 2 * inset)};
}
