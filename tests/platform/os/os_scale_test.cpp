// The os service at a scale above 1: the window, its border and its position are
// that many times as large, mouse positions reach the procedure in the window's
// own units, and a scale whose window does not fit the screen is lowered.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "tests/platform/os/os_test_window.h"

using namespace ostest;

namespace {

TEST(FitScale, TheLargestScaleThatFitsUpToTheOneAskedFor)
{
    EXPECT_EQ(fitScale(2, 820, 320, 1920, 1080), 2);
    EXPECT_EQ(fitScale(3, 820, 320, 1920, 1080), 2) << "2460 is wider than 1920";
    EXPECT_EQ(fitScale(4, 820, 320, 3840, 2160), 4);
    EXPECT_EQ(fitScale(4, 820, 320, 3280, 1280), 4) << "exactly the screen fits";
    EXPECT_EQ(fitScale(4, 820, 320, 3279, 2160), 3);
    EXPECT_EQ(fitScale(2, 820, 320, 1920, 639), 1) << "too tall";
    EXPECT_EQ(fitScale(3, 820, 320, 640, 480), 1) << "never below 1";
    EXPECT_EQ(fitScale(9, 820, 320, 100000, 100000), MAX_WINDOW_SCALE);
    EXPECT_EQ(fitScale(0, 820, 320, 1920, 1080), 1);
    EXPECT_EQ(fitScale(4, 1 << 30, 320, 1920, 1080), 1) << "no overflow";
}

struct ScaledOsTest : SdlOsTest {
    void useScale(int scale)
    {
        os::installOs(nullptr);
        service.reset(createSdlOs(scale));
        os::installOs(service.get());
    }
    SDL_Rect screen() const
    {
        SDL_Rect bounds = {0, 0, 0, 0};
        if (SDL_GetDisplayUsableBounds(0, &bounds) != 0)
            SDL_GetDisplayBounds(0, &bounds);
        return bounds;
    }
};

TEST_F(ScaledOsTest, TheWindowAndItsBorderGrowAndMousePositionsShrink)
{
    useScale(2);
    os::WindowHandle window = makeWindow(os::WS_POPUPWINDOW, 10, 20, 300, 120);
    ASSERT_NE(window, nullptr);
    SDL_Window* sdlWindow = sdlWindowOf(window);
    int width = 0, height = 0, x = 0, y = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    SDL_GetWindowPosition(sdlWindow, &x, &y);
    EXPECT_EQ(width, 600);
    EXPECT_EQ(height, 240);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 40);
    ClientArea client = sdlClientAreaOf(window);
    EXPECT_EQ(client.x, 2);
    EXPECT_EQ(client.y, 2);
    EXPECT_EQ(client.width, 596);
    EXPECT_EQ(client.height, 236);

    // Window pixel (2 + 2 * 50 + 1, 2 + 2 * 25) is client pixel (50, 25); the
    // border's pixels are left of or above the client area: negative.
    pushMotion(windowId(window), 103, 52, 0);
    pushButton(windowId(window), true, SDL_BUTTON_LEFT, 2, 2);
    pushButton(windowId(window), false, SDL_BUTTON_LEFT, 1, 0);
    pushMotion(windowId(window), 597, 237, 0);
    std::vector<os::Message> messages = takeMessages();
    std::vector<std::pair<int, int>> points;
    for (const os::Message& m : messages)
        if (m.message == os::WM_MOUSEMOVE || m.message == os::WM_LBUTTONDOWN || m.message == os::WM_LBUTTONUP)
            points.emplace_back(os::pointParamX(m.lParam), os::pointParamY(m.lParam));
    std::vector<std::pair<int, int>> expected = {{50, 25}, {0, 0}, {-1, -1}, {297, 117}};
    EXPECT_EQ(points, expected);
    // Hit tests stay in screen pixels: the move loop works in them.
    ASSERT_EQ(messages[0].message, os::WM_NCHITTEST);
    EXPECT_EQ(os::pointParamX(messages[0].lParam), 20 + 103);
    EXPECT_EQ(os::pointParamY(messages[0].lParam), 40 + 52);
}

TEST_F(ScaledOsTest, AScaleThatDoesNotFitIsLoweredWithOneLine)
{
    SDL_Rect bounds = screen();
    ASSERT_GT(bounds.w, 0);
    // Twice the screen's width does not fit at scale 2 or more: scale 1.
    useScale(3);
    testing::internal::CaptureStderr();
    os::WindowHandle window = makeWindow(os::WS_POPUPWINDOW, 0, 0, bounds.w / 2 + 1, 10);
    std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(window, nullptr);
    int width = 0, height = 0;
    SDL_GetWindowSize(sdlWindowOf(window), &width, &height);
    EXPECT_EQ(width, bounds.w / 2 + 1);
    EXPECT_EQ(height, 10);
    EXPECT_EQ(said, "os: scale 3 makes a " + std::to_string(3 * (bounds.w / 2 + 1)) + " x 30 window, larger than the " +
                        std::to_string(bounds.w) + " x " + std::to_string(bounds.h) + " screen: using scale 1\n");
    EXPECT_EQ(sdlClientAreaOf(window).x, 1);
}

TEST_F(ScaledOsTest, ScaleOneIsAsBefore)
{
    testing::internal::CaptureStderr();
    os::WindowHandle window = makeWindow();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(window, nullptr);
    int width = 0, height = 0;
    SDL_GetWindowSize(sdlWindowOf(window), &width, &height);
    EXPECT_EQ(width, 820);
    EXPECT_EQ(height, 320);
    pushMotion(windowId(window), 11, 101, 0);
    std::vector<os::Message> messages = takeMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(os::pointParamX(messages[1].lParam), 10);
    EXPECT_EQ(os::pointParamY(messages[1].lParam), 100);
}

} // namespace
