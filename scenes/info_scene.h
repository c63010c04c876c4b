// info_scene: the information screen (InfoScene, scene 5), the list of the
// player's keys over the background.
//
// The music stays under keyboard control. A goes to the about screen, a left click
// anywhere back to the player, Escape ends the program with a music fade.
#pragma once
#include "app/scene.h"
#include "scenes/closing.h"

struct InfoScene : Scene {
    ClosingState closingState;
    SceneFade fade = {};

    void enter() override;
    void update() override;
    void leave() override { startFadeOut(fade); }
    void close() override { startClosing(*this, closingState); }
};
