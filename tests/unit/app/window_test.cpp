#include <gtest/gtest.h>

#include "app/application.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "app/window.h"
#include "platform/fake/fake_platform.h"

namespace {

struct WindowTest : ::testing::Test {
    fake::FakePlatform platform;
    os::WindowHandle window = nullptr;

    WindowTest() { window = createMainWindow(820, 320); }
    ~WindowTest() override { InputState::destroy(); }

    os::LResult send(uint32_t message, os::WParam wParam = 0, os::LParam lParam = 0)
    {
        return windowProcedure(window, message, wParam, lParam);
    }
};

TEST_F(WindowTest, ClassAndWindowAreTheCaptionlessPopup)
{
    EXPECT_EQ(platform.log().calls[0], "os.registerClass musicdisk 0x40");
    fake::FakeWindow* w = fake::fakeWindow(window);
    EXPECT_EQ(w->title, "Quorvatelle 3");
    EXPECT_EQ(w->x, 10);
    EXPECT_EQ(w->y, 100);
    EXPECT_EQ(w->width, 820);
    EXPECT_EQ(w->height, 320);
    EXPECT_FALSE(w->visible) << "created hidden";
}

TEST_F(WindowTest, CloseAndQuitStopTheApplicationWithoutDestroyingTheWindow)
{
    Application::instance().running = true;
    EXPECT_EQ(send(os::WM_CLOSE), 0);
    EXPECT_FALSE(Application::instance().running);
    Application::instance().running = true;
    EXPECT_EQ(send(os::WM_QUIT), 0);
    EXPECT_FALSE(Application::instance().running);
    EXPECT_EQ(platform.log().count("os.defaultWindowProcedure"), 0u);
}

TEST_F(WindowTest, MessagesFeedTheInputState)
{
    InputState& input = InputState::instance();
    send(os::WM_KEYDOWN, os::VK_ESCAPE);
    send(os::WM_KEYDOWN, os::VK_ESCAPE);  // auto-repeat only sets it again
    EXPECT_EQ(input.keys[os::VK_ESCAPE], 1);
    send(os::WM_KEYUP, os::VK_ESCAPE);
    EXPECT_EQ(input.keys[os::VK_ESCAPE], 0);
    send(os::WM_LBUTTONDOWN);
    send(os::WM_RBUTTONDOWN);
    EXPECT_TRUE(input.leftButton);
    EXPECT_TRUE(input.rightButton);
    send(os::WM_LBUTTONUP);
    send(os::WM_RBUTTONUP);
    EXPECT_FALSE(input.leftButton);
    EXPECT_FALSE(input.rightButton);
    // Coordinates are signed 16-bit halves; the move also reaches the default procedure.
    send(os::WM_MOUSEMOVE, 0, os::makePointParam(-3, 317));
    EXPECT_EQ(input.mouseX, -3);
    EXPECT_EQ(input.mouseY, 317);
    EXPECT_EQ(platform.log().count("os.defaultWindowProcedure 0x200"), 1u);
    // System keys (Alt, F10) are not recorded.
    send(os::WM_SYSKEYDOWN, 0x41);
    EXPECT_EQ(input.keys[0x41], 0);
}

TEST_F(WindowTest, RollOverKeepsBothMouseButtons)
{
    InputState& input = InputState::instance();
    send(os::WM_RBUTTONDOWN);
    input.rollOver();
    EXPECT_TRUE(input.previousRightButton);
    EXPECT_FALSE(input.previousLeftButton);
    send(os::WM_RBUTTONUP);
    send(os::WM_LBUTTONDOWN);
    input.rollOver();
    EXPECT_FALSE(input.previousRightButton);
    EXPECT_TRUE(input.previousLeftButton);
}

TEST_F(WindowTest, KeyReleasedAndHeldFollowTheRollOver)
{
    InputState& input = InputState::instance();
    send(os::WM_KEYDOWN, os::VK_ADD);
    EXPECT_FALSE(input.keyHeld(os::VK_ADD)) << "only keys has it in the first update";
    input.rollOver();
    EXPECT_TRUE(input.keyHeld(os::VK_ADD));
    send(os::WM_KEYUP, os::VK_ADD);
    EXPECT_TRUE(input.keyReleased(os::VK_ADD));
    input.rollOver();
    EXPECT_FALSE(input.keyReleased(os::VK_ADD)) << "a release is seen in exactly one update";
    // Pressed and released within one pump: never seen.
    send(os::WM_KEYDOWN, os::VK_RETURN);
    send(os::WM_KEYUP, os::VK_RETURN);
    EXPECT_FALSE(input.keyReleased(os::VK_RETURN));
}

// Keys held when another window takes the keyboard: no command fires, none stays
// held; a key already let go in the same pump keeps its release.
TEST_F(WindowTest, LosingTheKeyboardForgetsHeldKeysWithoutReleasingThem)
{
    InputState& input = InputState::instance();
    send(os::WM_KEYDOWN, os::VK_ESCAPE);
    send(os::WM_KEYDOWN, os::VK_ADD);
    send(os::WM_KEYDOWN, os::VK_RETURN);
    input.rollOver();
    send(os::WM_KEYUP, os::VK_RETURN);
    send(os::WM_KILLFOCUS);
    EXPECT_FALSE(input.keyReleased(os::VK_ESCAPE));
    EXPECT_FALSE(input.keyHeld(os::VK_ADD));
    EXPECT_TRUE(input.keyReleased(os::VK_RETURN));
    input.rollOver();
    EXPECT_FALSE(input.keyReleased(os::VK_ESCAPE));
    EXPECT_FALSE(input.keyHeld(os::VK_ADD));
}

TEST_F(WindowTest, HitTestWithoutTheButtonChangesNothing)
{
    EXPECT_EQ(send(os::WM_NCHITTEST), os::HTCLIENT);
    EXPECT_EQ(platform.log().count("os.sendMessage"), 0u);
}

TEST_F(WindowTest, HitTestWithTheButtonDownDragsAndThenReleasesTheButton)
{
    platform.os.cursor = {300, 400};
    bool buttonDuringMove = false;
    platform.os.onMoveLoop = [&] { buttonDuringMove = InputState::instance().leftButton; };
    send(os::WM_LBUTTONDOWN);
    EXPECT_EQ(send(os::WM_NCHITTEST), os::HTCLIENT);
    std::vector<std::string> sent = platform.log().starting("os.sendMessage");
    EXPECT_EQ(sent, (std::vector<std::string>{"os.sendMessage 0xA1 2", "os.sendMessage 0x202 2"}));
    EXPECT_TRUE(buttonDuringMove);
    EXPECT_FALSE(InputState::instance().leftButton) << "cleared although no real release arrived";
}

TEST_F(WindowTest, AltF4ClosesThroughTheDefaultProcedure)
{
    Application::instance().running = true;
    send(os::WM_SYSKEYDOWN, os::VK_F4);
    EXPECT_FALSE(Application::instance().running);
}

using WindowDeathTest = ::testing::Test;

TEST_F(WindowDeathTest, FailedRegistrationOrCreationIsAnAssertionInModuleWindow)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH_IF_SUPPORTED(
        {
            fake::FakePlatform platform;
            platform.os.failRegisterClass = true;
            createMainWindow(820, 320);
        },
        "Module: window\nExpression: RegisterClassEx\\( &wc \\)");
    EXPECT_DEATH_IF_SUPPORTED(
        {
            fake::FakePlatform platform;
            platform.os.failCreateWindow = true;
            createMainWindow(820, 320);
        },
        "Module: window\nExpression: windowHandle");
}

struct RenderDeviceTest : ::testing::Test {
    fake::FakePlatform platform;
    ~RenderDeviceTest() override
    {
        if (RenderDevice::exists())
            RenderDevice::instance().release();
        RenderDevice::destroy();
    }
};

TEST_F(RenderDeviceTest, CreatesAWindowedDeviceAndShowsTheWindowAfterIt)
{
    RenderDevice& device = RenderDevice::instance();
    EXPECT_EQ(device.width, 820);
    EXPECT_EQ(device.height, 320);
    EXPECT_FLOAT_EQ(device.aspect(), 2.5625f);
    EXPECT_NE(device.device, nullptr);
    EXPECT_LT(platform.log().find("gpu.createDevice 0 1 32"), platform.log().find("os.showWindow 1"));
    EXPECT_LT(platform.log().find("os.showWindow 1"), platform.log().find("os.updateWindow"));
    const gpu::PresentParameters& p = platform.gpu.deviceParameters;
    EXPECT_EQ(p.backBufferWidth, 0u);
    EXPECT_EQ(p.backBufferHeight, 0u);
    EXPECT_EQ(p.backBufferFormat, gpu::FMT_X8R8G8B8);
    EXPECT_EQ(p.backBufferCount, 1u);
    EXPECT_EQ(p.swapEffect, gpu::SWAPEFFECT_DISCARD);
    EXPECT_EQ(p.windowed, 1);
    EXPECT_EQ(p.enableAutoDepthStencil, 1);
    EXPECT_EQ(p.autoDepthStencilFormat, gpu::FMT_D24X8);
    EXPECT_EQ(p.presentationInterval, gpu::PRESENT_INTERVAL_DEFAULT);
    EXPECT_EQ(&RenderDevice::instance(), &device);
}

TEST_F(RenderDeviceTest, FailuresAreReportedToTheOwnerAndTheWindowStillShows)
{
    platform.gpu.failures["getDeviceCaps"] = gpu::E_FAIL;
    platform.gpu.failures["createDevice"] = gpu::NOTAVAILABLE;
    RenderDevice& device = RenderDevice::instance();
    EXPECT_EQ(device.device, nullptr);
    EXPECT_EQ(platform.os.messageBoxes,
              (std::vector<std::string>{"Quorvatelle|Failed to query device capabilities",
                                        "Quorvatelle|Failed to create Direct3D Device"}));
    EXPECT_EQ(platform.log().count("os.messageBox owned"), 2u);
    EXPECT_TRUE(fake::fakeWindow(device.windowHandle)->visible);
}

TEST_F(RenderDeviceTest, MissingGraphicsObjectIsReportedAndTheProgramRunsWithoutADevice)
{
    platform.gpu.failCreate = true;
    RenderDevice& device = RenderDevice::instance();
    EXPECT_EQ(device.device, nullptr);
    EXPECT_EQ(platform.os.messageBoxes,
              (std::vector<std::string>{"Quorvatelle|Please install the correct version of Direct3D 9"}));
    EXPECT_EQ(platform.log().count("gpu.createDevice"), 0u);
}

TEST_F(RenderDeviceTest, ReleaseGivesUpDeviceThenGraphicsObjectThenTheClass)
{
    RenderDevice::instance();
    platform.log().clear();
    RenderDevice::instance().release();
    EXPECT_EQ(platform.log().calls, (std::vector<std::string>{"gpu.release device 2", "gpu.release direct3d 1",
                                                              "os.unregisterClass musicdisk"}));
}

} // namespace
