// The common part of the about and information screens (overlay_screen.h).
#include "scenes/overlay_screen.h"

#include "app/application.h"
#include "app/frame_timer.h"
#include "app/input_state.h"
#include "disk/global_initialization.h"
#include "disk/music_library.h"
#include "gui/draw.h"
#include "scenes/artwork_atlas.h"

void updateOverlayScreen(Scene& scene, SceneFade& fade, const ClosingState& closing)
{
    const InputState& input = InputState::instance();
    stepFadeWithMusic(scene, fade, closing, FrameTimer::instance().delta);
    musicLibrary.handlePlaybackKeys();
    if (input.keyReleased('A'))
        Application::instance().requestScene(ABOUT_SCENE);
    if (input.keyReleased('I'))
        Application::instance().requestScene(INFO_SCENE);
    if (input.leftButtonReleased())
        Application::instance().requestScene(MAIN_SCENE);
    const AtlasRect& background = ATLAS_RECTS[ATLAS_BACKGROUND];
    drawQuad(skinTexture, -1.0f, -1.0f, 2.0f, 2.0f, background.u0, background.v0, background.u1, background.v1, 1.0f,
             1.0f, 1.0f, fade.alpha);
}

void drawReturnHint(float alpha)
{
    const AtlasRect& hint = ATLAS_RECTS[ATLAS_RETURN_HINT];
    drawQuad(skinTexture, 0.46f, -0.95f, 0.43f, 0.177f, hint.u0, hint.v0, hint.u1, hint.v1, 1.0f, 1.0f, 1.0f, alpha);
}
