#include "scenes/logo_scenes.h"

#include "app/application.h"
#include "app/frame_timer.h"
#include "app/input_state.h"
#include "disk/global_initialization.h"
#include "gui/draw.h"
#include "platform/os.h"

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
    drawQuad(skinTexture, -0.35f, -0.35f, 0.7f, 0.7f, 0.7f, 0.646484375f, 0.9989f, 0.771484375f, 1.0f, 1.0f, 1.0f,
             fade.alpha);
    if (timeToHandOver(*this, fade, LOGO_HAND_OVER_TIME))
        Application::instance().requestScene(INTRO_SCENE);
}

void IntroScene::update()
{
    stepFadeWithMusic(*this, fade, closingState, FrameTimer::instance().delta);
    drawQuad(skinTexture, -1.0f, -1.0f, 2.0f, 2.0f, 0.0f, 0.0f, 0.7979f, 0.3105f, 1.0f, 1.0f, 1.0f, fade.alpha);
    drawQuad(skinTexture, -0.35f, -0.5f, 1.3f, 1.1f, 0.453f, 0.484f, 0.955f, 0.64f, 1.0f, 1.0f, 1.0f, fade.alpha);
    if (timeToHandOver(*this, fade, INTRO_HAND_OVER_TIME))
        Application::instance().requestScene(MAIN_SCENE);
}
