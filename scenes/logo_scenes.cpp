#include "scenes/logo_scenes.h"

#include "app/application.h"
#include "app/frame_timer.h"
#include "app/input_state.h"
#include "disk/global_initialization.h"
#include "gui/draw.h"
#include "platform/os.h"
#include "scenes/artwork_atlas.h"

// Whether a screen that is still showing should hand over now: its time since
// start-up has passed, or Escape was let go.
static bool timeToHandOver(const Scene& scene, const SceneFade& fade, float handOverTime)
{
    if (fade.fadingOut || !scene.active)
        return false;
    return FrameTimer::instance().elapsed > handOverTime || InputState::instance().keyReleased(os::VK_ESCAPE);
}

void KavScene::update()
{
    stepFadeWithMusic(*this, fade, closingState, FrameTimer::instance().delta);
    const AtlasRect& logo = ATLAS_RECTS[ATLAS_LOGO];
    drawQuad(skinTexture, -0.35f, -0.35f, 0.7f, 0.7f, logo.u0, logo.v0, logo.u1, logo.v1, 1.0f, 1.0f, 1.0f, fade.alpha);
    if (timeToHandOver(*this, fade, LOGO_HAND_OVER_TIME))
        Application::instance().requestScene(INTRO_SCENE);
}

void IntroScene::update()
{
    stepFadeWithMusic(*this, fade, closingState, FrameTimer::instance().delta);
    const AtlasRect& background = ATLAS_RECTS[ATLAS_BACKGROUND];
    drawQuad(skinTexture, -1.0f, -1.0f, 2.0f, 2.0f, background.u0, background.v0, background.u1, background.v1, 1.0f,
             1.0f, 1.0f, fade.alpha);
    const AtlasRect& picture = ATLAS_RECTS[ATLAS_INTRO_PICTURE];
    drawQuad(skinTexture, -0.35f, -0.5f, 1.3f, 1.1f, picture.u0, picture.v0, picture.u1, picture.v1, 1.0f, 1.0f, 1.0f,
             fade.alpha);
    if (timeToHandOver(*this, fade, INTRO_HAND_OVER_TIME))
        Application::instance().requestScene(MAIN_SCENE);
}
