// overlay_screen: what the about and information screens share. Both lie over the
// player's background while the music goes on: the transport keys act, A and I
// switch between the two, a left click anywhere returns to the player (there is
// nothing to hit on them), and the return hint shows in the lower right corner.
#pragma once
#include "app/scene.h"
#include "scenes/closing.h"

// One update's common part: the fade step (with the music while closing), the
// keys and the click, then the background drawn at the screen's alpha. The
// screen draws its own content after it.
void updateOverlayScreen(Scene& scene, SceneFade& fade, const ClosingState& closing);

// The hint that a click returns to the player, in the lower right corner.
void drawReturnHint(float alpha);
