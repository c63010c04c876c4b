// os: the window system and kernel services (a subset of Win32).
//
// One process-wide instance, installed with installOs() by main() (the real one
// in platform/sdl) or by a test (platform/fake). Called only from the main thread.
//
//   tickCount()          milliseconds since some start; wraps at 2^32.
//   sleep(ms)            block the calling thread.
//   messageBox(...)      modal box with one OK button; without a display the text
//                        goes to stderr and the call returns at once.
//   registerClass(c)     remember a window class (its procedure); 0 on failure.
//   unregisterClass(n)   forget it.
//   createWindow(...)    a hidden caption-less popup; null on failure. The class
//                        name is the window's X11 WM_CLASS.
//   showWindow, updateWindow, cursorPosition (screen pixels).
//   isIconic(w)          the window is minimised, as the window system last said.
//   isWindowVisible(w)   the window is shown (not hidden, not unmapped); a
//                        minimised window may still count as visible.
//   peekMessage(m)       take the next queued message (PM_REMOVE); false if none.
//                        Window events arrive translated into Win32 messages;
//                        a window that loses the keyboard gets WM_KILLFOCUS and
//                        no releases for the keys it held.
//   translateMessage, dispatchMessage (runs the class's window procedure).
//   sendMessage          runs the window procedure at once, on this thread.
//   defaultWindowProcedure  the default handling; WM_NCLBUTTONDOWN with HTCAPTION
//                        runs a modal move loop until the left button is released;
//                        Alt+F4 (WM_SYSKEYDOWN VK_F4) sends WM_CLOSE.
//   postQuitMessage(c)   queue WM_QUIT.
//   setNowPlaying(s)     what the player is doing, for the desktop's media
//                        controls (MPRIS2 on the session bus, joined at the first
//                        call). The system calls it every frame; only what
//                        changed goes out.
//
// Remote control: the desktop's media controls and the keyboard's media keys come
// in as WM_APPCOMMAND (the command in the high word of lParam, as Windows sends
// it); a volume to set, a request to come forward and one to quit come as the
// WM_APP_ messages below. Without a session bus the service runs as before.
#pragma once
#include <cstdint>

namespace os {

struct Window;  // opaque; owned by the service
using WindowHandle = Window*;
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;
using WindowProcedure = LResult (*)(WindowHandle, uint32_t message, WParam, LParam);

// Messages (Win32 codes).
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_NCHITTEST = 0x0084;
constexpr uint32_t WM_NCLBUTTONDOWN = 0x00A1;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_APPCOMMAND = 0x0319;

// Hit-test results.
constexpr LResult HTCLIENT = 1;
constexpr LResult HTCAPTION = 2;

// Virtual-key codes: the keys the os service reports in key messages (letters and
// digits have none of their own: they are their ASCII capitals, 'A', '0').
constexpr uint32_t VK_BACK = 0x08;
constexpr uint32_t VK_TAB = 0x09;
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_SHIFT = 0x10;
constexpr uint32_t VK_CONTROL = 0x11;
constexpr uint32_t VK_MENU = 0x12;  // Alt
constexpr uint32_t VK_PAUSE = 0x13;
constexpr uint32_t VK_CAPITAL = 0x14;  // Caps Lock
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_PRIOR = 0x21;  // Page Up
constexpr uint32_t VK_NEXT = 0x22;   // Page Down
constexpr uint32_t VK_END = 0x23;
constexpr uint32_t VK_HOME = 0x24;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_UP = 0x26;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DOWN = 0x28;
constexpr uint32_t VK_SNAPSHOT = 0x2C;  // Print Screen
constexpr uint32_t VK_INSERT = 0x2D;
constexpr uint32_t VK_DELETE = 0x2E;
constexpr uint32_t VK_LWIN = 0x5B;
constexpr uint32_t VK_RWIN = 0x5C;
constexpr uint32_t VK_APPS = 0x5D;     // the context menu key
constexpr uint32_t VK_NUMPAD0 = 0x60;  // keypad digits: VK_NUMPAD0 + n
constexpr uint32_t VK_MULTIPLY = 0x6A;
constexpr uint32_t VK_ADD = 0x6B;
constexpr uint32_t VK_SUBTRACT = 0x6D;
constexpr uint32_t VK_DECIMAL = 0x6E;
constexpr uint32_t VK_DIVIDE = 0x6F;
constexpr uint32_t VK_F1 = 0x70;  // function keys: VK_F1 + n - 1, up to F24
constexpr uint32_t VK_F4 = 0x73;
constexpr uint32_t VK_F10 = 0x79;
constexpr uint32_t VK_NUMLOCK = 0x90;
constexpr uint32_t VK_SCROLL = 0x91;
// Punctuation keys, named by what they print on a US keyboard.
constexpr uint32_t VK_OEM_1 = 0xBA;  // ;
constexpr uint32_t VK_OEM_PLUS = 0xBB;
constexpr uint32_t VK_OEM_COMMA = 0xBC;
constexpr uint32_t VK_OEM_MINUS = 0xBD;
constexpr uint32_t VK_OEM_PERIOD = 0xBE;
constexpr uint32_t VK_OEM_2 = 0xBF;    // /
constexpr uint32_t VK_OEM_3 = 0xC0;    // `
constexpr uint32_t VK_OEM_4 = 0xDB;    // [
constexpr uint32_t VK_OEM_5 = 0xDC;    // backslash
constexpr uint32_t VK_OEM_6 = 0xDD;    // ]
constexpr uint32_t VK_OEM_7 = 0xDE;    // '
constexpr uint32_t VK_OEM_102 = 0xE2;  // the extra key beside left Shift on ISO keyboards

// Window and class styles, showWindow commands.
constexpr uint32_t CS_CLASSDC = 0x0040;
constexpr uint32_t WS_POPUPWINDOW = 0x80880000;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

// messageBox.
constexpr uint32_t MB_OK = 0;
constexpr int IDOK = 1;

struct Message {
    WindowHandle window;
    uint32_t message;
    WParam wParam;
    LParam lParam;
};

struct Point {
    int32_t x, y;
};

struct WindowClass {
    uint32_t style;
    WindowProcedure procedure;
    const char* className;
    // The 48 x 48 icon (RGBA, row-major, top row first) that windows of this class
    // show; null for none.
    const uint8_t* iconRgba;
    int iconSize;
};

// Packs and unpacks the coordinates of mouse messages (x low 16 bits, y high).
inline LParam makePointParam(int x, int y)
{
    return LParam(uint32_t(uint16_t(int16_t(x))) | (uint32_t(uint16_t(int16_t(y))) << 16));
}
inline int pointParamX(LParam p) { return int16_t(uint16_t(uint32_t(p) & 0xFFFF)); }
inline int pointParamY(LParam p) { return int16_t(uint16_t(uint32_t(p) >> 16)); }

// ---- Remote control ----

// WM_APPCOMMAND commands (GET_APPCOMMAND_LPARAM); the device bits in the top of the
// high word say where the command came from.
constexpr int APPCOMMAND_MEDIA_NEXTTRACK = 11;
constexpr int APPCOMMAND_MEDIA_PREVIOUSTRACK = 12;
constexpr int APPCOMMAND_MEDIA_STOP = 13;
constexpr int APPCOMMAND_MEDIA_PLAY_PAUSE = 14;
constexpr int APPCOMMAND_MEDIA_PLAY = 46;
constexpr int APPCOMMAND_MEDIA_PAUSE = 47;
constexpr uint32_t FAPPCOMMAND_KEY = 0x0000;
constexpr uint32_t FAPPCOMMAND_OEM = 0x1000;
constexpr uint32_t FAPPCOMMAND_MASK = 0xF000;

inline LParam makeAppCommandParam(int command, uint32_t device)
{
    return LParam((uint32_t(command) | device) << 16);
}
inline int appCommandOf(LParam p) { return int((uint32_t(p) >> 16) & ~FAPPCOMMAND_MASK & 0xFFFF); }

// The program's own messages (the WM_APP range).
constexpr uint32_t WM_APP = 0x8000;
constexpr uint32_t WM_APP_SETVOLUME = WM_APP + 1;  // wParam: volume level 0..10
constexpr uint32_t WM_APP_RAISE = WM_APP + 2;      // restore and bring the window forward
constexpr uint32_t WM_APP_QUIT = WM_APP + 3;       // end as the screen's own Escape would

enum class PlaybackStatus : uint8_t { Stopped, Playing, Paused };

// What the player is doing. Times in microseconds; lengthMicros < 0 where the
// track's length is not known. title is 8-bit text (UTF-8 or Latin-1) that lives
// until the call returns.
struct NowPlaying {
    int32_t trackCount;  // 0: nothing to control
    int32_t track;       // the current track, 0 .. trackCount - 1
    const char* title;
    PlaybackStatus status;
    int32_t volumeLevel;  // 0 .. 10
    int64_t lengthMicros;
    int64_t positionMicros;
};

class Os {
public:
    virtual ~Os() = default;
    virtual uint32_t tickCount() = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
    virtual int messageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) = 0;
    virtual uint16_t registerClass(const WindowClass& windowClass) = 0;
    virtual bool unregisterClass(const char* className) = 0;
    virtual WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style,
                                      int x, int y, int width, int height) = 0;
    virtual bool showWindow(WindowHandle window, int command) = 0;
    virtual bool updateWindow(WindowHandle window) = 0;
    virtual bool isIconic(WindowHandle window) = 0;
    virtual bool isWindowVisible(WindowHandle window) = 0;
    virtual bool cursorPosition(Point* point) = 0;
    virtual bool peekMessage(Message* message) = 0;
    virtual bool translateMessage(const Message& message) = 0;
    virtual LResult dispatchMessage(const Message& message) = 0;
    virtual LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) = 0;
    virtual LResult defaultWindowProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) = 0;
    virtual void postQuitMessage(int exitCode) = 0;
    virtual void setNowPlaying(const NowPlaying& state) = 0;
};

// The installed instance; installOs(nullptr) uninstalls. Calling os() with nothing
// installed is a programming error and aborts.
Os& os();
void installOs(Os* instance);

} // namespace os
