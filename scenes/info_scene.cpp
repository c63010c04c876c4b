#include "scenes/info_scene.h"

#include "app/input_state.h"
#include "disk/global_initialization.h"
#include "gui/draw.h"
#include "platform/os.h"
#include "scenes/artwork_atlas.h"
#include "scenes/overlay_screen.h"

namespace {

constexpr float HELP_TEXT_SIZE = 0.037f;

struct HelpLine {
    const char* text;
    float x, y;
};

constexpr HelpLine HELP_LINES[] = {
    {"Play/Stop - Enter", -0.375f, 0.35f},
    {"Pause - P", -0.375f, 0.23f},
    {"Skip Track Forward - Cursor Right", -0.38f, 0.11f},
    {"Skip Track Backward - Cursor Left", -0.38f, -0.01f},
    {"About - A", -0.38f, -0.13f},
    {"Info - I", -0.38f, -0.25f},
    {"Exit - Esc", -0.38f, -0.37f},
    {"Eq on/off - E", -0.38f, -0.49f},
    {"Scrolltext Speed - +/-", -0.383f, -0.61f},
};

} // namespace

void InfoScene::enter()
{
    startFadeIn(*this, fade);
    closingState.closing = false;
}

void InfoScene::update()
{
    const InputState& input = InputState::instance();
    updateOverlayScreen(*this, fade, closingState);
    drawReturnHint(fade.alpha);
    const AtlasRect& keys = ATLAS_RECTS[ATLAS_KEYS_PICTURE];
    drawQuad(skinTexture, 0.65f, -0.8f, 0.35f, 1.55f, keys.u0, keys.v0, keys.u1, keys.v1, 1.0f, 1.0f, 1.0f, fade.alpha);
    const AtlasRect& heading = ATLAS_RECTS[ATLAS_KEYS_HEADING];
    drawQuad(skinTexture, -0.4f, 0.5f, 0.3f, 0.2f, heading.u0, heading.v0, heading.u1, heading.v1, 1.0f, 1.0f, 1.0f,
             fade.alpha);
    for (const HelpLine& line : HELP_LINES)
        drawText(line.text, line.x, line.y, HELP_TEXT_SIZE, Colour{1.0f, 1.0f, 1.0f, fade.alpha});
    if (input.keyReleased(os::VK_ESCAPE))
        startClosing(*this, closingState);
}
