// The button's state machine, driven frame by frame through the InputState as the
// window procedure and the main loop's roll-over leave it.
#include <gtest/gtest.h>

#include <vector>

#include "app/input_state.h"
#include "app/render_device.h"
#include "gui/button.h"
#include "gui/font.h"
#include "gui/gui_renderer.h"
#include "platform/fake/fake_platform.h"

namespace {

enum class Look { Normal, Hot, Active };

// The button at (0, 0), 0.1 wide and 0.1 * aspect tall: x 0..0.1, y 0..0.25625,
// that is client pixels 410..451 across and 119..160 down.
constexpr ScreenPoint POSITION = {0, 0};
constexpr ScreenPoint SIZE = {0.1f, 0.1f};
constexpr ButtonLook LOOK = {{0, 0, 0.1f, 0.1f}, {0, 0.1f, 0.1f, 0.2f}, {0, 0.2f, 0.1f, 0.3f}};

struct Mouse {
    int x, y;
};
constexpr Mouse OVER = {430, 144};
constexpr Mouse AWAY = {100, 100};

class ButtonTest : public testing::Test {
protected:
    fake::FakePlatform platform;

    void SetUp() override
    {
        RenderDevice::instance();
        GuiRenderer::instance();
        hotWidget = 0;
        activeWidget = 0;
    }
    void TearDown() override
    {
        InputState::destroy();
        RenderDevice::instance().release();
        RenderDevice::destroy();
        GuiRenderer::instance().shutdown();
        GuiRenderer::destroy();
        hotWidget = 0;
        activeWidget = 0;
    }

    // One frame: the mouse where it is and the left button as it is, the button
    // called once, then the roll-over. Returns whether it clicked; `look` is what
    // it was drawn with.
    bool frame(Mouse mouse, bool left, int32_t id = 10, ScreenPoint position = POSITION)
    {
        InputState& input = InputState::instance();
        input.mouseX = mouse.x;
        input.mouseY = mouse.y;
        input.leftButton = left;
        spriteBatch->items.clear();
        bool clicked = doButton(id, texture(), position, SIZE, LOOK, {1, 1, 1, 0.5f});
        look = lookOf(spriteBatch->items.back());
        input.rollOver();
        return clicked;
    }
    gpu::Texture* texture() const { return fontTexture; }
    static Look lookOf(const DrawItem& item)
    {
        return item.v0 == LOOK.active[1] ? Look::Active : item.v0 == LOOK.hot[1] ? Look::Hot : Look::Normal;
    }

    Look look = Look::Normal;
};

TEST_F(ButtonTest, DrawsOneItemScaledByTheAspectAtDepthPointOne)
{
    frame(AWAY, false);
    ASSERT_EQ(spriteBatch->items.size(), 1u);
    const DrawItem& item = spriteBatch->items[0];
    EXPECT_EQ((std::vector<float>{item.r, item.g, item.b, item.a, item.u0, item.v0, item.u1, item.v1, item.x,
                                  item.y, item.width, item.height, item.depth}),
              (std::vector<float>{1, 1, 1, 0.5f, 0, 0, 0.1f, 0.1f, 0, 0, 0.1f, 0.1f * (820.0f / 320.0f), 0.1f}));
    EXPECT_EQ(item.texture, texture());
    EXPECT_EQ(look, Look::Normal);
}

TEST_F(ButtonTest, HoverPressAndReleaseInsideClick)
{
    EXPECT_FALSE(frame(OVER, false));
    EXPECT_EQ(hotWidget, 10);
    EXPECT_EQ(look, Look::Hot);
    EXPECT_FALSE(frame(OVER, true));
    EXPECT_EQ(activeWidget, 10);
    EXPECT_EQ(look, Look::Active);
    // Drawn active in the frame of the click, which then clears both ids.
    EXPECT_TRUE(frame(OVER, false));
    EXPECT_EQ(look, Look::Active);
    EXPECT_EQ(hotWidget, 0);
    EXPECT_EQ(activeWidget, 0);
    // Still over it, it is hot again in the next frame; no second click.
    EXPECT_FALSE(frame(OVER, false));
    EXPECT_EQ(look, Look::Hot);
    // Leaving it ends hot.
    EXPECT_FALSE(frame(AWAY, false));
    EXPECT_EQ(hotWidget, 0);
    EXPECT_EQ(look, Look::Normal);
}

TEST_F(ButtonTest, ReleasedOutsideNoClickButStaysActive)
{
    frame(OVER, false);
    frame(OVER, true);
    EXPECT_FALSE(frame(AWAY, true));
    EXPECT_EQ(hotWidget, 0);
    EXPECT_FALSE(frame(AWAY, false));
    EXPECT_EQ(activeWidget, 10);
    EXPECT_EQ(look, Look::Active);
    EXPECT_FALSE(frame(AWAY, false));
    EXPECT_EQ(look, Look::Active);
    // Coming back over it with the button up is no click either.
    EXPECT_FALSE(frame(OVER, false));
    EXPECT_EQ(hotWidget, 10);
    EXPECT_EQ(look, Look::Active);
    // Until another button becomes active.
    frame({10, 64}, false, 11, {-1, 0.5f});
    frame({10, 64}, true, 11, {-1, 0.5f});
    EXPECT_EQ(activeWidget, 11);
    frame(AWAY, true);
    EXPECT_EQ(look, Look::Normal);
}

TEST_F(ButtonTest, MovingOutAndBackInWhileHeldStillClicks)
{
    frame(OVER, false);
    frame(OVER, true);
    frame(AWAY, true);
    EXPECT_FALSE(frame(OVER, true));
    EXPECT_EQ(hotWidget, 0);  // not hot again while the button is held
    EXPECT_EQ(look, Look::Active);
    EXPECT_TRUE(frame(OVER, false));
}

TEST_F(ButtonTest, PressStartedElsewhereNeverMakesItHot)
{
    frame(AWAY, true);
    EXPECT_FALSE(frame(OVER, true));
    EXPECT_EQ(hotWidget, 0);
    EXPECT_EQ(activeWidget, 0);
    EXPECT_EQ(look, Look::Normal);
    EXPECT_FALSE(frame(OVER, true));
    EXPECT_EQ(hotWidget, 0);
    // Released over it: hot now, but no click.
    EXPECT_FALSE(frame(OVER, false));
    EXPECT_EQ(hotWidget, 10);
    EXPECT_EQ(activeWidget, 0);
}

TEST_F(ButtonTest, PressInTheFrameTheMouseArrivesIsNotAPressOnIt)
{
    frame(AWAY, false);
    EXPECT_FALSE(frame(OVER, true));
    EXPECT_EQ(activeWidget, 0);
    EXPECT_FALSE(frame(OVER, false));
    EXPECT_EQ(activeWidget, 0);
}

TEST_F(ButtonTest, MouseOnTheEdgeIsOutside)
{
    // Pixel 410 maps to x = 0, the button's left edge; pixel 160 to y = 0, its bottom.
    frame({410, 144}, false);
    EXPECT_EQ(hotWidget, 0);
    frame({430, 160}, false);
    EXPECT_EQ(hotWidget, 0);
    frame({411, 159}, false);
    EXPECT_EQ(hotWidget, 10);
}

} // namespace
