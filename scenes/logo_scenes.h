// logo_scenes: the two screens that open the disk, the logo (KavScene, scene 1) and
// the intro (IntroScene, scene 2).
//
// Each shows fixed artwork, fades in and hands over to the next screen once the
// frame timer passes a fixed time since start-up (3 s for the logo, 6 s for the
// intro), or at once when Escape is released. Neither touches the music or the mouse.
// The hand-over test comes after the fade step and is skipped once the scene fades
// out, so a screen asks for its successor only once.
#pragma once
#include "app/scene.h"

constexpr float LOGO_HAND_OVER_TIME = 3.0f;
constexpr float INTRO_HAND_OVER_TIME = 6.0f;

struct KavScene : Scene {
    SceneFade fade = {};

    void enter() override { startFadeIn(*this, fade); }
    void update() override;
    void leave() override { startFadeOut(fade); }
};

struct IntroScene : Scene {
    SceneFade fade = {};

    void enter() override { startFadeIn(*this, fade); }
    void update() override;
    void leave() override { startFadeOut(fade); }
};
