// closing: how the player, information and about screens end the program (and
// any screen, when the desktop's media controls ask the program to quit).
//
// Quitting (Escape, or the player's Exit and close buttons) starts the screen's own
// fade-out without asking for another screen, and fades the music with the picture:
// the volume follows the fading alpha down, and when the screen has faded out the
// music stops and the volume goes back to where it was. With no screen left active
// the main loop then ends.
#pragma once
#include <cstdint>

#include "app/scene.h"

struct ClosingState {
    bool closing = false;      // the fade-out under way ends the program
    uint32_t savedVolume = 0;  // output volume when the closing started
};

// The fade step of a screen that may be closing: while it fades out and closing is
// set, the music fades too (and stops in the update in which the screen goes
// inactive).
void stepFadeWithMusic(Scene& scene, SceneFade& fade, const ClosingState& state, float delta);

// Starts the closing, once: a second request during the fade changes nothing, so
// the saved volume is never overwritten with a faded one. From then on the
// Application ignores screen requests, and the current screen, if it is another
// one, fades out too, so the program ends when the fade does.
void startClosing(Scene& scene, ClosingState& state);
