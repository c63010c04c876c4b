// logo_scenes: the two screens that open the disk, the logo (KavScene, scene 1) and
// the intro (IntroScene, scene 2).
//
// Each shows fixed artwork, fades in and hands over to the next screen once the
// frame timer passes a fixed time since start-up (3 s for the logo, 6 s for the
// intro), or at once when Escape is released. Neither touches the mouse, nor the
// music unless closed from the outside (close()): then, as the player does on
// Escape, the screen fades out with the music and the program ends.
// The hand-over test comes after the fade step and is skipped once the scene fades
// out, so a screen asks for its successor only once.
#pragma once
#include "app/scene.h"
#include "scenes/closing.h"

constexpr float LOGO_HAND_OVER_TIME = 3.0f;
constexpr float INTRO_HAND_OVER_TIME = 6.0f;

struct KavScene : Scene {
    SceneFade fade = {};
    ClosingState closingState;

    void enter() override { startFadeIn(*this, fade); }
    void update() override;
    void leave() override { startFadeOut(fade); }
    void close() override { startClosing(*this, closingState); }
};

struct IntroScene : Scene {
    SceneFade fade = {};
    ClosingState closingState;

    void enter() override { startFadeIn(*this, fade); }
    void update() override;
    void leave() override { startFadeOut(fade); }
    void close() override { startClosing(*this, closingState); }
};
