#include "scenes/about_scene.h"

#include <string>

#include "app/frame_timer.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "disk/global_initialization.h"
#include "disk/music_library.h"
#include "gui/draw.h"
#include "platform/os.h"
#include "scenes/artwork_atlas.h"
#include "scenes/c_random.h"
#include "scenes/overlay_screen.h"

float aboutScrollOffset = 0.3f;
float aboutScrollSpeed = -0.08f;

namespace {

constexpr float SCROLL_TEXT_SIZE = 0.033f;  // also what the text's height was measured at
constexpr float SCROLL_WRAP_WIDTH = 0.75f;
constexpr float SCROLL_BOX_HEIGHT = 0.55f;
constexpr float SCROLL_RESTART_OFFSET = 1.0f;  // the text comes in again from below the box
constexpr float SCROLL_SPEED_STEP = 0.2f;      // per second of keypad + or - held
constexpr float RAND_SCALE = float(C_RAND_MAX);

} // namespace

std::vector<AboutBubble> makeAboutBubbles(uint32_t seed)
{
    std::vector<AboutBubble> bubbles(ABOUT_BUBBLE_COUNT);
    for (uint32_t i = 0; i < ABOUT_BUBBLE_COUNT; ++i) {
        AboutBubble& b = bubbles[i];
        b.x = 2.0f * float(reseededRandom(i, seed)) / RAND_SCALE - 1.0f;
        b.y = 2.0f * float(reseededRandom(i, seed)) / RAND_SCALE - 1.0f;
        b.speed = 7.0f * float(reseededRandom(i, seed)) / RAND_SCALE + 0.7f;
        b.size = 0.08f * float(reseededRandom(i, seed)) / RAND_SCALE + 0.02f;
    }
    return bubbles;
}

void AboutScene::enter()
{
    startFadeIn(*this, fade);
    closingState.closing = false;
    if (bubbles.empty()) {
        float milliseconds = FrameTimer::instance().elapsed * 1000.0f;
        // The guard keeps the conversion defined for any timer value.
        uint32_t seed = milliseconds > 0.0f && milliseconds < 4.0e9f ? uint32_t(milliseconds) : 0u;
        bubbles = makeAboutBubbles(seed);
    }
}

void AboutScene::update()
{
    const InputState& input = InputState::instance();
    updateOverlayScreen(*this, fade, closingState);
    const AtlasRect& frame = ATLAS_RECTS[ATLAS_ABOUT_TEXT_FRAME];
    drawQuadAtDepth(skinTexture, -0.3f, -0.2f, 1.2f, 1.0f, frame.u0, frame.v0, frame.u1, frame.v1, 1.0f, 1.0f, 1.0f,
                    fade.alpha, 0.2f);
    drawReturnHint(fade.alpha);
    updateScrollText();
    updateBubbles();
    const AtlasRect& caption = ATLAS_RECTS[ATLAS_ABOUT_CAPTION];
    drawQuadAtDepth(skinTexture, -0.23f, -0.698f, 1.0400391f, RenderDevice::instance().aspect() * 0.27462885f,
                    caption.u0, caption.v0, caption.u1, caption.v1, 1.0f, 1.0f, 1.0f, fade.alpha, 0.5f);
    if (input.keyReleased(os::VK_ESCAPE))
        startClosing(*this, closingState);
}

// The speed has no bounds: held long enough, keypad - makes it positive and the
// text runs down out of the box, to come back only once it rises again.
void AboutScene::updateScrollText()
{
    const InputState& input = InputState::instance();
    float delta = FrameTimer::instance().delta;
    if (input.keyHeld(uint8_t(os::VK_ADD)))
        aboutScrollSpeed -= delta * SCROLL_SPEED_STEP;
    if (input.keyHeld(uint8_t(os::VK_SUBTRACT)))
        aboutScrollSpeed += delta * SCROLL_SPEED_STEP;
    aboutScrollOffset += delta * aboutScrollSpeed;
    const std::string& text = musicLibrary.scrollText;
    if (scrollLinesText != text.c_str() || scrollLinesBytes != text.size()) {
        scrollLineStarts = textBoxLineStarts(text.c_str(), SCROLL_TEXT_SIZE, SCROLL_WRAP_WIDTH);
        scrollLinesText = text.c_str();
        scrollLinesBytes = text.size();
    }
    drawTextBoxLines(text.c_str(), scrollLineStarts, -0.2f, -0.12f, SCROLL_TEXT_SIZE, SCROLL_WRAP_WIDTH,
                     SCROLL_BOX_HEIGHT, aboutScrollOffset, Colour{1.0f, 1.0f, 1.0f, fade.alpha});
    // The whole text has moved up past the box.
    if (musicLibrary.scrollTextHeight > aboutScrollOffset)
        aboutScrollOffset = SCROLL_RESTART_OFFSET;
}

// A bubble whose top has dropped below the bottom edge comes back just above the
// top edge. Bigger bubbles are brighter.
void AboutScene::updateBubbles()
{
    float delta = FrameTimer::instance().delta;
    float aspect = RenderDevice::instance().aspect();
    const AtlasRect& picture = ATLAS_RECTS[ATLAS_ABOUT_BUBBLE];
    for (AboutBubble& b : bubbles) {
        b.y -= delta * b.speed * 0.02f;
        float tint = b.size * 4.0f + 0.5f;
        drawQuadAtDepth(skinTexture, b.x, b.y, b.size, aspect * b.size, picture.u0, picture.v0, picture.u1, picture.v1,
                        0.0f, tint, tint, fade.alpha * 0.4f, 0.1f);
        if (b.y + aspect * b.size < -1.0f)
            b.y = aspect * b.size + 1.0f;
    }
}
